// The finder dialog's controls, and the scan thread's start and wake.
#include "platform/win32/finder_dialog.h"

#include <commctrl.h>
#include <process.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/win32/resource_ids.h"

namespace tavrin::win32 {

namespace {

unsigned __stdcall run_work(void* parameter) {
    const std::unique_ptr<std::function<void()>> work(
        static_cast<std::function<void()>*>(parameter));
    (*work)();
    return 0;
}

int field_value(HWND dialog, int id, int maximum) {
    BOOL ok = FALSE;
    const UINT value = GetDlgItemInt(dialog, id, &ok, FALSE);
    return ok ? static_cast<int>(std::min<UINT>(value, static_cast<UINT>(maximum))) : 0;
}

FinderOptions read_options(HWND dialog) {
    FinderOptions options;
    const LRESULT target = SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_GETCURSEL, 0, 0);
    options.target = static_cast<FinderTarget>(std::clamp<LRESULT>(target, 0, 3));
    options.ignore_bit15 = IsDlgButtonChecked(dialog, IDC_FIND_IGNORE_BIT15) == BST_CHECKED;
    options.tolerance = field_value(dialog, IDC_FIND_TOLERANCE, 31);
    options.align = SendDlgItemMessageA(dialog, IDC_FIND_ALIGN, CB_GETCURSEL, 0, 0) == 1 ? 1 : 2;
    options.min_matching = field_value(dialog, IDC_FIND_MIN_MATCHING, 256);
    return options;
}

// Only what differs is written, so a field being typed in keeps its caret.
void show_options(HWND dialog, const FinderOptions& options) {
    const FinderOptions shown = read_options(dialog);
    // The boxes by their own selection, which is none at first.
    const auto select = [&](int id, int row) {
        if (SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0) != row) {
            SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
        }
    };
    select(IDC_FIND_TARGET, static_cast<int>(options.target));
    select(IDC_FIND_ALIGN, options.align == 1 ? 1 : 0);
    if (shown.ignore_bit15 != options.ignore_bit15) {
        CheckDlgButton(dialog, IDC_FIND_IGNORE_BIT15,
                       options.ignore_bit15 ? BST_CHECKED : BST_UNCHECKED);
    }
    if (shown.tolerance != options.tolerance) {
        SetDlgItemInt(dialog, IDC_FIND_TOLERANCE, static_cast<UINT>(options.tolerance), FALSE);
    }
    if (shown.min_matching != options.min_matching) {
        SetDlgItemInt(dialog, IDC_FIND_MIN_MATCHING, static_cast<UINT>(options.min_matching),
                      FALSE);
    }
}

void show_rows(HWND dialog, const FinderView& view) {
    HWND list = GetDlgItem(dialog, IDC_FIND_HITS);
    if (view.rows_kept == 0) {
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
    }
    for (LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
         count > static_cast<LRESULT>(view.rows_kept); --count) {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
    }
    if (view.added_rows.empty()) {
        return;
    }
    // One repaint for the whole batch.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_INITSTORAGE, view.added_rows.size(), view.added_rows.size() * 48);
    for (const std::string& row : view.added_rows) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void focus_item(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

INT_PTR CALLBACK finder_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* window = reinterpret_cast<FinderWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lparam);
            reinterpret_cast<FinderWindow*>(lparam)->initialize(dialog);
            return TRUE;  // the focus on the first control
        case WM_COMMAND:
            if (window == nullptr) {
                return FALSE;
            }
            window->command(LOWORD(wparam), HIWORD(wparam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

FinderThreads finder_threads(HWND main_window) {
    FinderThreads threads;
    threads.start = [](std::function<void()> work) {
        auto* owned = new std::function<void()>(std::move(work));
        const std::uintptr_t thread = _beginthreadex(nullptr, 0, run_work, owned, 0, nullptr);
        if (thread == 0) {
            delete owned;
            return false;
        }
        CloseHandle(reinterpret_cast<HANDLE>(thread));  // nobody waits for it
        return true;
    };
    threads.wake = [main_window] { PostMessageA(main_window, finder_wake_message, 0, 0); };
    return threads;
}

void FinderWindow::run(HINSTANCE instance, HWND owner, const FinderView& view,
                       const std::function<void(const FinderEvent&)>& report) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    first_ = view;
    report_ = &report;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FIND_CLUT), owner, finder_dialog_proc,
                    reinterpret_cast<LPARAM>(this));
    dialog_ = nullptr;
    report_ = nullptr;
}

void FinderWindow::initialize(HWND dialog) {
    dialog_ = dialog;
    showing_ = true;
    for (const std::string& target : first_.targets) {
        SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(target.c_str()));
    }
    targets_ = first_.targets;
    for (const char* text : {"Even offsets", "Any byte"}) {
        SendDlgItemMessageA(dialog, IDC_FIND_ALIGN, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(dialog, IDC_FIND_PROGRESS, PBM_SETRANGE32, 0, 1000);
    showing_ = false;
    show(first_);
}

void FinderWindow::show(const FinderView& view) {
    if (dialog_ == nullptr) {
        return;
    }
    HWND dialog = dialog_;
    showing_ = true;
    SetDlgItemTextA(dialog, IDC_FIND_FILE, ("File: " + view.file).c_str());
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        if (targets_[i] != view.targets[i]) {
            const LRESULT selected =
                SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_GETCURSEL, 0, 0);
            SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_DELETESTRING, i, 0);
            SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_INSERTSTRING, i,
                                reinterpret_cast<LPARAM>(view.targets[i].c_str()));
            SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_SETCURSEL,
                                static_cast<WPARAM>(selected), 0);
            targets_[i] = view.targets[i];
        }
    }
    show_options(dialog, view.options);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_TARGET), view.target_enabled);
    for (int id :
         {IDC_FIND_IGNORE_BIT15, IDC_FIND_TOLERANCE, IDC_FIND_ALIGN, IDC_FIND_MIN_MATCHING}) {
        EnableWindow(GetDlgItem(dialog, id), view.clut_options_enabled);
    }
    // The focus first, so that no control loses it by being grayed.
    switch (view.focus) {
        case FinderFocus::keep:
            break;
        case FinderFocus::find:
            EnableWindow(GetDlgItem(dialog, IDC_FIND_START), TRUE);
            focus_item(dialog, IDC_FIND_START);
            break;
        case FinderFocus::cancel:
            EnableWindow(GetDlgItem(dialog, IDC_FIND_STOP), TRUE);
            focus_item(dialog, IDC_FIND_STOP);
            break;
        case FinderFocus::hits:
            focus_item(dialog, IDC_FIND_HITS);
            break;
    }
    EnableWindow(GetDlgItem(dialog, IDC_FIND_START), view.find_enabled);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_STOP), view.cancel_enabled);
    show_rows(dialog, view);
    const LRESULT current = SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_GETCURSEL, 0, 0);
    if (current != view.current_row) {
        SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_SETCURSEL,
                            static_cast<WPARAM>(view.current_row), 0);
    }
    SendDlgItemMessageA(dialog, IDC_FIND_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(view.progress),
                        0);
    SetDlgItemTextA(dialog, IDC_FIND_STATUS, view.status.c_str());
    showing_ = false;
    if (!view.open) {
        EndDialog(dialog, 0);
    }
}

void FinderWindow::wake() {
    if (dialog_ != nullptr) {
        report(FinderEvent::Kind::wake);
    }
}

void FinderWindow::report(FinderEvent::Kind kind, int row) {
    if (showing_ || report_ == nullptr || dialog_ == nullptr) {
        return;
    }
    (*report_)(FinderEvent{kind, read_options(dialog_), row});
}

namespace {

// The notification by which an option control says the user changed it.
int option_change_code(int id) {
    switch (id) {
        case IDC_FIND_TARGET:
        case IDC_FIND_ALIGN:
            return CBN_SELCHANGE;
        case IDC_FIND_IGNORE_BIT15:
            return BN_CLICKED;
        default:
            return EN_CHANGE;
    }
}

}  // namespace

void FinderWindow::command(int id, int code) {
    const auto selected_row = [&] {
        return static_cast<int>(SendDlgItemMessageA(dialog_, IDC_FIND_HITS, LB_GETCURSEL, 0, 0));
    };
    switch (id) {
        case IDC_FIND_START:
        case IDOK:
            // Enter in the list takes its selected hit, as a double-click does.
            if (GetFocus() == GetDlgItem(dialog_, IDC_FIND_HITS)) {
                report(FinderEvent::Kind::row_chosen, selected_row());
            } else {
                report(FinderEvent::Kind::find);
            }
            break;
        case IDC_FIND_STOP:
            report(FinderEvent::Kind::cancel);
            break;
        case IDCANCEL:  // Close, Escape, the close box
            report(FinderEvent::Kind::close);
            break;
        case IDC_FIND_TARGET:
        case IDC_FIND_ALIGN:
        case IDC_FIND_IGNORE_BIT15:
        case IDC_FIND_TOLERANCE:
        case IDC_FIND_MIN_MATCHING:
            if (code == option_change_code(id)) {
                report(FinderEvent::Kind::options_changed);
            }
            break;
        case IDC_FIND_HITS:
            if (code == LBN_SELCHANGE) {
                report(FinderEvent::Kind::row_selected, selected_row());
            } else if (code == LBN_DBLCLK) {
                report(FinderEvent::Kind::row_chosen, selected_row());
            }
            break;
        default:
            break;
    }
}

}  // namespace tavrin::win32
