// "Find CLUT in file" for the Win32 build: IDD_FIND_CLUT showing what the
// core's FinderView says and reporting what the user does. The session and
// its rules are the core's (ui/finder.h); this file adds the scan's thread and
// its wake, a message posted to the main window.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "ui/finder.h"

namespace tavrin::win32 {

// Posted to the main window by a scan's worker; the main window hands it to
// the finder window (Win32WindowLayer::wake_finder).
inline constexpr UINT finder_wake_message = WM_APP + 1;

// Threads from _beginthreadex, and wakes posted to main_window.
FinderThreads finder_threads(HWND main_window);

class FinderWindow {
  public:
    // Runs the dialog modally until the core shows it closed.
    void run(HINSTANCE instance, HWND owner, const FinderView& view,
             const std::function<void(const FinderEvent&)>& report);
    // While it runs: shows view, or ends the dialog when view is not open.
    void show(const FinderView& view);
    // A scan's wake reached the GUI thread.
    void wake();

    // The dialog procedure's side.
    void initialize(HWND dialog);
    void command(int id, int code);

  private:
    void report(FinderEvent::Kind kind, int row = -1);

    HWND dialog_ = nullptr;
    const std::function<void(const FinderEvent&)>* report_ = nullptr;
    FinderView first_;
    std::array<std::string, 4> targets_;  // the "Look for" rows as shown
    bool showing_ = false;  // the core's own writes, whose notifications are not the user's
};

}  // namespace tavrin::win32
