// Stores to and loads from a memory-mapped file fault (SIGBUS) on a page that
// another program's truncation took out of the file. Code that touches such
// memory runs under guarded(), which turns that fault into a false return
// instead of the end of the process. The body may be left at any point, so
// it must not allocate, throw or take locks. A SIGBUS raised outside a guard
// goes to the handler that was there before. Where files are not mapped (the
// Windows build) the body simply runs.
#pragma once

namespace tavrin {

bool run_guarded(void (*body)(void*), void* context);

template <typename Body>
bool guarded(Body& body) {
    return run_guarded([](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

}  // namespace tavrin
