// The main window: the editor's state and its window layer, reached by the
// window procedures through the dialog's user data.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/window_layer_win32.h"
#include "ui/editor.h"

namespace tavrin::win32 {

struct MainWindow {
    explicit MainWindow(HINSTANCE instance) : layer(instance) {}

    EditorState state;
    Win32WindowLayer layer;
};

// Both the dialog procedure and the window-class procedure of IDD_MAIN.
// WM_INITDIALOG's parameter is the MainWindow the dialog works for.
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Opens a file named on the command line or dropped on the window, as the
// core's open_path decides.
void open_file(HWND window, const std::string& path);

// Stops the procedures from reaching the MainWindow, before it goes away.
void detach_main_window(HWND window);

}  // namespace tavrin::win32
