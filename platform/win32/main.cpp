// Entry point of the Win32 program: the runtime's start-up hands over here.
#include <windows.h>

#include "platform/win32/app.h"
#include "platform/win32/command_line.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return tavrin::win32::app_main(GetModuleHandleA(nullptr), nullptr,
                                   tavrin::win32::skip_program_name(GetCommandLineA()),
                                   SW_SHOWNORMAL);
}
