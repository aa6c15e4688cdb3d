// The finder dialog and its worker thread.
#include "platform/win32/finder_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/win32/resource_ids.h"

namespace tavrin::win32 {

namespace {

// Sent by the worker: hits are waiting; progress in thousandths (wparam); the
// scan has ended.
constexpr UINT hits_waiting = WM_APP + 1;
constexpr UINT scan_progress = WM_APP + 2;
constexpr UINT scan_ended = WM_APP + 3;

struct FinderDialog {
    explicit FinderDialog(const FinderRequest& scanned) : request(scanned) {}

    const FinderRequest& request;
    std::optional<FinderAnswer> answer;
    FinderOptions running_options;
    std::vector<search::Hit> shown;  // row by row

    // Shared with the worker thread.
    HWND dialog = nullptr;
    HANDLE worker = nullptr;
    std::atomic<bool> cancel{false};
    CRITICAL_SECTION lock{};
    std::vector<search::Hit> pending;
    search::ScanResult result;
};

const char* target_text(FinderTarget target) {
    switch (target) {
        case FinderTarget::live_colors:
            return "The table's colors";
        case FinderTarget::selection:
            return "The selected colors";
        case FinderTarget::tim:
            return "TIM images";
        case FinderTarget::palettes:
            return "Palette-like runs";
    }
    return "";
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

void show_options(HWND dialog, const FinderRequest& request, const FinderOptions& options) {
    for (FinderTarget target : {FinderTarget::live_colors, FinderTarget::selection,
                                FinderTarget::tim, FinderTarget::palettes}) {
        std::string text = target_text(target);
        if (target == FinderTarget::live_colors) {
            text += " (" + std::to_string(request.live_words.size()) + ")";
        } else if (target == FinderTarget::selection) {
            text += " (" + std::to_string(request.selected_words.size()) + ")";
        }
        SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_SETCURSEL, static_cast<WPARAM>(options.target),
                        0);
    for (const char* text : {"Even offsets", "Any byte"}) {
        SendDlgItemMessageA(dialog, IDC_FIND_ALIGN, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(dialog, IDC_FIND_ALIGN, CB_SETCURSEL, options.align == 1 ? 1 : 0, 0);
    CheckDlgButton(dialog, IDC_FIND_IGNORE_BIT15,
                   options.ignore_bit15 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, IDC_FIND_TOLERANCE, static_cast<UINT>(options.tolerance), FALSE);
    SetDlgItemInt(dialog, IDC_FIND_MIN_MATCHING, static_cast<UINT>(options.min_matching), FALSE);
}

void update_controls(HWND dialog, bool scanning) {
    const auto target =
        static_cast<FinderTarget>(SendDlgItemMessageA(dialog, IDC_FIND_TARGET, CB_GETCURSEL, 0, 0));
    const bool clut = target == FinderTarget::live_colors || target == FinderTarget::selection;
    EnableWindow(GetDlgItem(dialog, IDC_FIND_TARGET), !scanning);
    for (int id :
         {IDC_FIND_IGNORE_BIT15, IDC_FIND_TOLERANCE, IDC_FIND_ALIGN, IDC_FIND_MIN_MATCHING}) {
        EnableWindow(GetDlgItem(dialog, id), !scanning && clut);
    }
    EnableWindow(GetDlgItem(dialog, IDC_FIND_START), !scanning);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_STOP), scanning);
}

void focus_item(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

DWORD WINAPI scan_thread(void* parameter) {
    auto* data = static_cast<FinderDialog*>(parameter);
    search::Observer observer;
    observer.cancel = &data->cancel;
    observer.hit = [data](const search::Hit& hit) {
        EnterCriticalSection(&data->lock);
        const bool first = data->pending.empty();
        data->pending.push_back(hit);
        LeaveCriticalSection(&data->lock);
        if (first) {
            PostMessageA(data->dialog, hits_waiting, 0, 0);
        }
    };
    observer.progress = [data](std::uint64_t done, std::uint64_t total) {
        const WPARAM permille = total == 0 ? 1000 : static_cast<WPARAM>(done * 1000 / total);
        PostMessageA(data->dialog, scan_progress, permille, 0);
    };
    const search::ScanResult result =
        run_finder_scan(data->request, data->running_options, observer);
    EnterCriticalSection(&data->lock);
    data->result = result;
    LeaveCriticalSection(&data->lock);
    PostMessageA(data->dialog, scan_ended, 0, 0);
    return 0;
}

// Waits for the worker, asking it to stop first; what it posted is then
// either already queued or dropped with the window.
void stop_scan(FinderDialog& data) {
    if (data.worker == nullptr) {
        return;
    }
    data.cancel = true;
    WaitForSingleObject(data.worker, INFINITE);
    CloseHandle(data.worker);
    data.worker = nullptr;
}

void take_hits(HWND dialog, FinderDialog& data) {
    std::vector<search::Hit> hits;
    EnterCriticalSection(&data.lock);
    hits.swap(data.pending);
    LeaveCriticalSection(&data.lock);
    for (const search::Hit& hit : hits) {
        data.shown.push_back(hit);
        SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(finder_hit_text(hit).c_str()));
    }
}

void start_scan(HWND dialog, FinderDialog& data) {
    if (data.worker != nullptr) {
        return;
    }
    SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_RESETCONTENT, 0, 0);
    data.shown.clear();
    data.pending.clear();
    data.cancel = false;
    data.running_options = read_options(dialog);
    SendDlgItemMessageA(dialog, IDC_FIND_PROGRESS, PBM_SETPOS, 0, 0);
    SetDlgItemTextA(dialog, IDC_FIND_STATUS, finder_progress_text(0, 1, 0).c_str());
    data.worker = CreateThread(nullptr, 0, scan_thread, &data, 0, nullptr);
    if (data.worker == nullptr) {
        SetDlgItemTextA(dialog, IDC_FIND_STATUS, "Search failed: no thread could be started.");
        return;
    }
    // The controls about to be grayed may hold the focus: Cancel takes it.
    focus_item(dialog, IDC_FIND_STOP);
    update_controls(dialog, true);
}

void choose_selected(HWND dialog, FinderDialog& data) {
    const LRESULT row = SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR || static_cast<std::size_t>(row) >= data.shown.size()) {
        return;
    }
    data.answer = FinderAnswer{data.shown[static_cast<std::size_t>(row)], data.running_options};
    stop_scan(data);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK finder_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* data = reinterpret_cast<FinderDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lparam);
            data = reinterpret_cast<FinderDialog*>(lparam);
            data->dialog = dialog;
            SetDlgItemTextA(dialog, IDC_FIND_FILE, ("File: " + data->request.path).c_str());
            SendDlgItemMessageA(dialog, IDC_FIND_PROGRESS, PBM_SETRANGE32, 0, 1000);
            show_options(dialog, data->request, data->request.options);
            update_controls(dialog, false);
            return TRUE;
        }
        case hits_waiting:
            take_hits(dialog, *data);
            return TRUE;
        case scan_progress:
            if (data->worker != nullptr) {
                SendDlgItemMessageA(dialog, IDC_FIND_PROGRESS, PBM_SETPOS, wparam, 0);
                SetDlgItemTextA(dialog, IDC_FIND_STATUS,
                                finder_progress_text(wparam, 1000, data->shown.size()).c_str());
            }
            return TRUE;
        case scan_ended: {
            stop_scan(*data);
            take_hits(dialog, *data);
            EnterCriticalSection(&data->lock);
            const search::ScanResult result = data->result;
            LeaveCriticalSection(&data->lock);
            if (result.end == search::ScanEnd::done) {
                SendDlgItemMessageA(dialog, IDC_FIND_PROGRESS, PBM_SETPOS, 1000, 0);
            }
            SetDlgItemTextA(dialog, IDC_FIND_STATUS, finder_end_text(result).c_str());
            update_controls(dialog, false);
            // The keyboard goes on to the hits, the first one selected.
            if (!data->shown.empty()) {
                if (SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_GETCURSEL, 0, 0) == LB_ERR) {
                    SendDlgItemMessageA(dialog, IDC_FIND_HITS, LB_SETCURSEL, 0, 0);
                }
                focus_item(dialog, IDC_FIND_HITS);
            } else {
                focus_item(dialog, IDC_FIND_START);
            }
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            const int code = HIWORD(wparam);
            if (id == IDC_FIND_START || id == IDOK) {
                // Enter in the list takes its selected hit, as a double-click does.
                if (GetFocus() == GetDlgItem(dialog, IDC_FIND_HITS)) {
                    choose_selected(dialog, *data);
                } else {
                    start_scan(dialog, *data);
                }
                return TRUE;
            }
            if (id == IDC_FIND_STOP) {
                data->cancel = true;
                return TRUE;
            }
            if (id == IDC_FIND_TARGET && code == CBN_SELCHANGE) {
                update_controls(dialog, data->worker != nullptr);
                return TRUE;
            }
            if (id == IDC_FIND_HITS && code == LBN_DBLCLK) {
                choose_selected(dialog, *data);
                return TRUE;
            }
            if (id == IDCANCEL) {
                stop_scan(*data);
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

std::optional<FinderAnswer> run_finder_dialog(HINSTANCE instance, HWND owner,
                                              const FinderRequest& request) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    FinderDialog data(request);
    InitializeCriticalSection(&data.lock);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FIND_CLUT), owner, finder_dialog_proc,
                    reinterpret_cast<LPARAM>(&data));
    stop_scan(data);  // also when the dialog could not be shown
    DeleteCriticalSection(&data.lock);
    return data.answer;
}

}  // namespace tavrin::win32
