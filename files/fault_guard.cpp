// A SIGBUS handler that jumps back out of the guarded body of its thread.
#include "files/fault_guard.h"

#ifndef _WIN32
#include <setjmp.h>
#include <signal.h>

#include <mutex>
#endif

namespace tavrin {

#ifndef _WIN32

namespace {

thread_local sigjmp_buf* active_guard = nullptr;
struct sigaction previous_bus_action;

void on_bus_error(int signal, siginfo_t* info, void* context) {
    if (active_guard != nullptr) {
        siglongjmp(*active_guard, 1);
    }
    // Not a fault of a guarded body: whoever handled SIGBUS before handles it now.
    if ((previous_bus_action.sa_flags & SA_SIGINFO) != 0 &&
        previous_bus_action.sa_sigaction != nullptr) {
        previous_bus_action.sa_sigaction(signal, info, context);
    } else if (previous_bus_action.sa_handler != SIG_IGN &&
               previous_bus_action.sa_handler != SIG_DFL) {
        previous_bus_action.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the faulting access runs again and ends the process
    }
}

void install_bus_handler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = on_bus_error;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous_bus_action);
    });
}

}  // namespace

bool run_guarded(void (*body)(void*), void* context) {
    install_bus_handler();
    sigjmp_buf guard;
    if (sigsetjmp(guard, 1) != 0) {
        active_guard = nullptr;
        return false;
    }
    active_guard = &guard;
    body(context);
    active_guard = nullptr;
    return true;
}

#else

bool run_guarded(void (*body)(void*), void* context) {
    body(context);
    return true;
}

#endif

}  // namespace tavrin
