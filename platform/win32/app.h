// Start-up of the Win32 program: common controls, the window class, the main
// dialog and the message loop.
#pragma once

#include <windows.h>

namespace tavrin::win32 {

// Runs the program and returns its exit code. A file named by the
// command-line tail is opened once the window shows (see file_argument);
// the previous instance is ignored.
int app_main(HINSTANCE instance, HINSTANCE previous, const char* command_tail, int show);

}  // namespace tavrin::win32
