// Dialog procedures of IDD_ABOUT, IDD_SELECT_CLUT, IDD_CLUT_PARAMS and
// IDD_CHOOSE_FROM_LIST, and the common file dialogs.
#include "platform/win32/dialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>

#include "platform/win32/resource_ids.h"
#include "ui/adjust_commands.h"
#include "ui/field_text.h"

namespace tavrin::win32 {

namespace {

// The dialogs' answers (an entry's name, an offset, a count) are short, so
// each is read into a 32-byte buffer: at most 31 characters.
constexpr int typed_text_size = 32;

std::string item_text(HWND dialog, int id) {
    char text[typed_text_size] = {};
    GetDlgItemTextA(dialog, id, text, typed_text_size);
    return text;
}

// Each dialog's data struct travels in the WM_INITDIALOG parameter and is kept
// in the dialog's user slot for the messages after it.
template <typename Data>
Data* keep_dialog_data(HWND dialog, LPARAM data) {
    SetWindowLongPtrA(dialog, DWLP_USER, data);
    return reinterpret_cast<Data*>(data);
}

template <typename Data>
Data* dialog_data(HWND dialog) {
    return reinterpret_cast<Data*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// --- "Select CLUT to modify"

struct SelectClutDialog {
    const std::vector<std::string>& entries;
    const std::function<std::optional<int>(std::string_view)>& accept;
    std::optional<int> chosen;
};

INT_PTR CALLBACK select_clut_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* data = keep_dialog_data<SelectClutDialog>(dialog, lparam);
            for (const std::string& entry : data->entries) {
                SendDlgItemMessageA(dialog, IDC_CLUT_LIST, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(entry.c_str()));
            }
            SendDlgItemMessageA(dialog, IDC_CLUT_LIST, CB_SETCURSEL, 0, 0);
            return TRUE;  // the focus goes to the first tab stop, OK
        }
        case WM_COMMAND:
            // Only OK ends the dialog, and only with a text the core accepts;
            // Cancel and Escape are ignored.
            if (LOWORD(wparam) == IDOK && dialog_data<SelectClutDialog>(dialog) != nullptr) {
                auto* data = dialog_data<SelectClutDialog>(dialog);
                data->chosen = data->accept(item_text(dialog, IDC_CLUT_LIST));
                if (data->chosen) {
                    EndDialog(dialog, 1);
                }
            }
            return TRUE;
        default:
            return FALSE;
    }
}

// --- "CLUT parameters"

struct ClutParamsDialog {
    std::string initial_count;
    std::optional<ClutParamsAnswer> answer;
};

INT_PTR CALLBACK clut_params_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* data = keep_dialog_data<ClutParamsDialog>(dialog, lparam);
            SetDlgItemTextA(dialog, IDC_PARAM_COUNT, data->initial_count.c_str());
            return TRUE;  // the focus goes to the offset field
        }
        case WM_COMMAND: {
            auto* data = dialog_data<ClutParamsDialog>(dialog);
            if (data == nullptr) {
                return FALSE;
            }
            if (LOWORD(wparam) == IDOK) {
                data->answer = ClutParamsAnswer{item_text(dialog, IDC_PARAM_OFFSET),
                                                item_text(dialog, IDC_PARAM_COUNT)};
                EndDialog(dialog, 1);
            } else if (LOWORD(wparam) == IDCANCEL) {  // also Escape and the close box
                data->answer.reset();
                EndDialog(dialog, 0);
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// --- About

struct AboutDialog {
    HINSTANCE instance;
};

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG: {
            // The text resource has no terminating zero: its size gives the length.
            const HINSTANCE instance = keep_dialog_data<AboutDialog>(dialog, lparam)->instance;
            HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_ABOUT_TEXT),
                                        MAKEINTRESOURCEA(10) /* RT_RCDATA */);
            HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
            const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
            if (bytes != nullptr) {
                const std::string text(static_cast<const char*>(bytes),
                                       SizeofResource(instance, found));
                SendDlgItemMessageA(dialog, IDC_ABOUT_TEXT, WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(text.c_str()));
            }
            return TRUE;  // the focus goes to OK
        }
        case WM_COMMAND:
            // Escape (IDCANCEL) deliberately does nothing.
            if (LOWORD(wparam) == IDOK) {
                EndDialog(dialog, 1);
            }
            return TRUE;
        case WM_SYSCOMMAND:
            if (wparam == SC_CLOSE) {
                EndDialog(dialog, 1);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// "label\0pattern\0...\0\0", as the common dialogs want their filters.
std::string filter_text(const std::vector<FileFilter>& filters) {
    std::string text;
    for (const FileFilter& filter : filters) {
        text += filter.label;
        text.push_back('\0');
        text += filter.pattern;
        text.push_back('\0');
    }
    text.push_back('\0');
    return text;
}

struct ListDialog {
    std::string title;
    std::string prompt;
    const std::vector<std::string>& entries;
    int preselected;
    bool filter;
    std::optional<int> chosen;
    std::vector<int> shown;  // the entry of each row
};

// Fills the list with the entries the filter text keeps.
void narrow_list(HWND dialog, ListDialog& data) {
    char typed[256] = {};
    if (data.filter) {
        GetDlgItemTextA(dialog, IDC_LIST_FILTER, typed, sizeof typed);
    }
    const HWND list = GetDlgItem(dialog, IDC_LIST_ENTRIES);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    data.shown.clear();
    for (std::size_t i = 0; i < data.entries.size(); ++i) {
        if (list_entry_matches(data.entries[i], typed)) {
            data.shown.push_back(static_cast<int>(i));
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data.entries[i].c_str()));
        }
    }
    SendMessageA(list, LB_SETCURSEL, data.shown.empty() ? static_cast<WPARAM>(-1) : 0, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

INT_PTR CALLBACK list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* data = reinterpret_cast<ListDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lparam);
            data = reinterpret_cast<ListDialog*>(lparam);
            SetWindowTextA(dialog, data->title.c_str());
            SetDlgItemTextA(dialog, IDC_LIST_PROMPT, data->prompt.c_str());
            const HWND list = GetDlgItem(dialog, IDC_LIST_ENTRIES);
            const HWND field = GetDlgItem(dialog, IDC_LIST_FILTER);
            if (!data->filter) {
                // Without its filter the list takes the field's place.
                RECT field_box{};
                RECT list_box{};
                GetWindowRect(field, &field_box);
                GetWindowRect(list, &list_box);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&field_box), 2);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&list_box), 2);
                ShowWindow(field, SW_HIDE);
                MoveWindow(list, list_box.left, field_box.top, list_box.right - list_box.left,
                           list_box.bottom - field_box.top, FALSE);
            }
            narrow_list(dialog, *data);
            if (data->preselected >= 0 &&
                data->preselected < static_cast<int>(data->shown.size())) {
                SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(data->preselected), 0);
            }
            SetFocus(data->filter ? field : list);
            return FALSE;  // the focus is set
        }
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            if (id == IDC_LIST_FILTER && HIWORD(wparam) == EN_CHANGE) {
                narrow_list(dialog, *data);
                return TRUE;
            }
            const bool double_click = id == IDC_LIST_ENTRIES && HIWORD(wparam) == LBN_DBLCLK;
            if (id == IDOK || double_click) {
                const LRESULT selected =
                    SendDlgItemMessageA(dialog, IDC_LIST_ENTRIES, LB_GETCURSEL, 0, 0);
                if (selected != LB_ERR && selected >= 0 &&
                    selected < static_cast<LRESULT>(data->shown.size())) {
                    data->chosen = data->shown[static_cast<std::size_t>(selected)];
                    EndDialog(dialog, 1);
                }
                return TRUE;
            }
            if (id == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

// --- "Adjust colors"

struct AdjustColorsDialog {
    const std::function<void(const ColorAdjustment&)>& changed;
    ColorAdjustment values;
    ColorAdjustment reported;
    bool writing = false;  // a field written from here is no edit of the user's
};

void report_adjustment(AdjustColorsDialog& data) {
    if (data.values != data.reported) {
        data.reported = data.values;
        data.changed(data.values);
    }
}

INT_PTR CALLBACK adjust_colors_dialog_proc(HWND dialog, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
    auto* data = dialog_data<AdjustColorsDialog>(dialog);
    switch (message) {
        case WM_INITDIALOG:
            data = keep_dialog_data<AdjustColorsDialog>(dialog, lparam);
            for (const AdjustControl& control : adjust_controls) {
                SendDlgItemMessageA(dialog, control.slider, TBM_SETRANGE, TRUE,
                                    MAKELPARAM(control.minimum, control.maximum));
                SendDlgItemMessageA(dialog, control.slider, TBM_SETPAGESIZE, 0, 10);
                SendDlgItemMessageA(dialog, control.slider, TBM_SETPOS, TRUE, 0);
            }
            return TRUE;  // the focus goes to the first tab stop, the Hue trackbar
        case WM_HSCROLL:
            if (data != nullptr) {
                const auto slider = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
                for (const AdjustControl& control : adjust_controls) {
                    if (control.slider != slider) {
                        continue;
                    }
                    const auto position = static_cast<int>(
                        SendDlgItemMessageA(dialog, control.slider, TBM_GETPOS, 0, 0));
                    data->values.*control.value = position;
                    data->writing = true;
                    SetDlgItemTextA(dialog, control.field, std::to_string(position).c_str());
                    data->writing = false;
                    report_adjustment(*data);
                }
            }
            return TRUE;
        case WM_COMMAND: {
            if (data == nullptr) {
                return FALSE;
            }
            const int id = LOWORD(wparam);
            if (id == IDOK || id == IDCANCEL) {
                EndDialog(dialog, id == IDOK ? 1 : 0);
                return TRUE;
            }
            if (id == IDC_ADJUST_COLORIZE && HIWORD(wparam) == BN_CLICKED) {
                data->values.colorize =
                    IsDlgButtonChecked(dialog, IDC_ADJUST_COLORIZE) == BST_CHECKED;
                report_adjustment(*data);
                return TRUE;
            }
            if (HIWORD(wparam) != EN_CHANGE || data->writing) {
                return FALSE;
            }
            for (const AdjustControl& control : adjust_controls) {
                if (control.field != id) {
                    continue;
                }
                const auto value = adjust_field_value(control, item_text(dialog, id));
                if (value) {
                    data->values.*control.value = *value;
                    SendDlgItemMessageA(dialog, control.slider, TBM_SETPOS, TRUE, *value);
                    report_adjustment(*data);
                }
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

std::string window_text(HWND control) {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

std::optional<ColorAdjustment> run_adjust_colors_dialog(
    HINSTANCE instance, HWND owner, const std::function<void(const ColorAdjustment&)>& changed) {
    AdjustColorsDialog data{changed, {}, {}, false};
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ADJUST_COLORS), owner,
                        adjust_colors_dialog_proc, reinterpret_cast<LPARAM>(&data));
    if (result <= 0) {
        return std::nullopt;
    }
    return data.values;
}

std::optional<int> run_list_dialog(HINSTANCE instance, HWND owner, std::string_view title,
                                   std::string_view prompt, const std::vector<std::string>& entries,
                                   int preselected, bool filter) {
    ListDialog data{
        std::string(title), std::string(prompt), entries, preselected, filter, std::nullopt, {}};
    const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CHOOSE_FROM_LIST), owner,
                                           list_dialog_proc, reinterpret_cast<LPARAM>(&data));
    return result > 0 ? data.chosen : std::nullopt;
}

std::optional<int> run_select_clut_dialog(
    HINSTANCE instance, HWND owner, const std::vector<std::string>& entries,
    const std::function<std::optional<int>(std::string_view)>& accept) {
    SelectClutDialog data{entries, accept, std::nullopt};
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SELECT_CLUT), owner, select_clut_dialog_proc,
                        reinterpret_cast<LPARAM>(&data));
    if (result <= 0) {
        return std::nullopt;
    }
    return data.chosen;
}

std::optional<ClutParamsAnswer> run_clut_params_dialog(HINSTANCE instance, HWND owner,
                                                       std::string_view initial_count) {
    ClutParamsDialog data{std::string(initial_count), std::nullopt};
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CLUT_PARAMS), owner, clut_params_dialog_proc,
                    reinterpret_cast<LPARAM>(&data));
    return data.answer;
}

void run_about_dialog(HINSTANCE instance, HWND owner) {
    AboutDialog data{instance};
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, about_dialog_proc,
                    reinterpret_cast<LPARAM>(&data));
}

std::optional<std::string> run_file_dialog(HWND owner, const FileDialogRequest& request, bool save,
                                           int* chosen_filter) {
    // The dialog edits the path in place; a remembered path that does not fit
    // is dropped rather than cut short.
    char path[MAX_PATH] = {};
    if (request.path.size() < sizeof path) {
        std::memcpy(path, request.path.c_str(), request.path.size() + 1);
    }
    char title[MAX_PATH] = {};
    const std::string filters = filter_text(request.filters);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = sizeof title;
    dialog.lpstrInitialDir = request.initial_dir.empty() ? nullptr : request.initial_dir.c_str();
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (request.must_exist) {
        dialog.Flags |= OFN_FILEMUSTEXIST;
    }
    dialog.lpstrDefExt = "";
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) {
        return std::nullopt;
    }
    if (chosen_filter != nullptr) {
        *chosen_filter = dialog.nFilterIndex > 0 ? static_cast<int>(dialog.nFilterIndex) - 1 : 0;
    }
    return std::string(path);
}

}  // namespace tavrin::win32
