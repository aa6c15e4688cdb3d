// The modal dialogs of the Win32 build. Each is a data struct, a procedure that
// only moves data between its controls and that struct, and one function that
// runs it; what OK means is decided by the core.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window_layer.h"

namespace tavrin::win32 {

// "Select CLUT to modify" (IDD_SELECT_CLUT): returns the list position that accept took,
// or nullopt when the dialog could not be shown. It cannot be cancelled.
std::optional<int> run_select_clut_dialog(
    HINSTANCE instance, HWND owner, const std::vector<std::string>& entries,
    const std::function<std::optional<int>(std::string_view typed)>& accept);

// "CLUT parameters" (IDD_CLUT_PARAMS): the texts typed before OK, or nullopt for Cancel.
std::optional<ClutParamsAnswer> run_clut_params_dialog(HINSTANCE instance, HWND owner,
                                                       std::string_view initial_count);

// A list to pick one entry from (the CLUT rows of a TIM, the files of a disc
// image), IDD_CHOOSE_FROM_LIST, with its filter field shown when filter is
// set: the position in entries chosen with OK or a double-click, or nullopt
// for Cancel.
std::optional<int> run_list_dialog(HINSTANCE instance, HWND owner, std::string_view title,
                                   std::string_view prompt, const std::vector<std::string>& entries,
                                   int preselected, bool filter);

// The whole text of a window or control, however long.
std::string window_text(HWND control);

// "Adjust colors" (IDD_ADJUST_COLORS): changed runs with the values after
// every change the user makes; returns the values of OK, nullopt for Cancel.
std::optional<ColorAdjustment> run_adjust_colors_dialog(
    HINSTANCE instance, HWND owner, const std::function<void(const ColorAdjustment&)>& changed);

// The About box (IDD_ABOUT) with the text of IDR_ABOUT_TEXT.
void run_about_dialog(HINSTANCE instance, HWND owner);

// The common open-file and save-file dialogs; nullopt when the user cancels.
// chosen_filter, when given, receives the index of the filter left selected.
std::optional<std::string> run_file_dialog(HWND owner, const FileDialogRequest& request, bool save,
                                           int* chosen_filter = nullptr);

}  // namespace tavrin::win32
