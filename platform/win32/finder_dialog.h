// "Find CLUT in file" for the Win32 build: IDD_FIND_CLUT, whose scan runs on a
// worker thread. The thread posts messages to the dialog, which alone
// touches its controls and hands the chosen hit back to the core.
#pragma once

#include <windows.h>

#include <optional>

#include "ui/finder.h"

namespace tavrin::win32 {

// The hit double-clicked, or nullopt when the dialog was closed without one.
std::optional<FinderAnswer> run_finder_dialog(HINSTANCE instance, HWND owner,
                                              const FinderRequest& request);

}  // namespace tavrin::win32
