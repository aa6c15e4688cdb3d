// The finder dialog and its worker thread.
#include "platform/win32/finder_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace tavrin::win32 {

namespace {

enum : WORD {
    file_label = 101,
    target_box = 102,
    ignore_bit15_box = 103,
    tolerance_field = 104,
    align_box = 105,
    min_matching_field = 106,
    hit_list = 107,
    progress_bar = 108,
    status_label = 109,
    find_button = 110,
    stop_button = 111,
    first_label = 120,  // the captions beside the fields
};

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

// --- The template: a run of 16-bit words.

void put_word(std::vector<WORD>& words, WORD word) {
    words.push_back(word);
}

void put_dword(std::vector<WORD>& words, DWORD value) {
    put_word(words, LOWORD(value));
    put_word(words, HIWORD(value));
}

void put_text(std::vector<WORD>& words, const char* text) {
    for (; *text != '\0'; ++text) {
        put_word(words, static_cast<WORD>(static_cast<unsigned char>(*text)));
    }
    put_word(words, 0);
}

void put_header(std::vector<WORD>& words, DWORD style, WORD x, WORD y, WORD cx, WORD cy) {
    if (words.size() % 2 != 0) {
        put_word(words, 0);  // items start on a DWORD boundary
    }
    put_dword(words, style | WS_CHILD | WS_VISIBLE);
    put_dword(words, 0);
    for (WORD value : {x, y, cx, cy}) {
        put_word(words, value);
    }
}

// An item of a predefined class: 0x80 button, 0x81 edit, 0x82 static, 0x83
// list box, 0x85 combo box.
void put_item(std::vector<WORD>& words, DWORD style, WORD x, WORD y, WORD cx, WORD cy, WORD id,
              WORD class_atom, const char* text) {
    put_header(words, style, x, y, cx, cy);
    put_word(words, id);
    put_word(words, 0xFFFF);
    put_word(words, class_atom);
    put_text(words, text);
    put_word(words, 0);  // no creation data
}

void put_progress(std::vector<WORD>& words, WORD x, WORD y, WORD cx, WORD cy, WORD id) {
    put_header(words, 0, x, y, cx, cy);
    put_word(words, id);
    put_text(words, PROGRESS_CLASSA);
    put_word(words, 0);  // no text
    put_word(words, 0);
}

std::vector<WORD> finder_template() {
    std::vector<WORD> words;
    put_dword(words, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT);
    put_dword(words, 0);
    put_word(words, 17);  // items
    for (WORD value : {0, 0, 280, 250}) {
        put_word(words, value);
    }
    put_word(words, 0);  // no menu
    put_word(words, 0);  // the standard dialog class
    put_text(words, "Find CLUT in file");
    put_word(words, 8);
    put_text(words, "MS Sans Serif");

    constexpr WORD label = 0x82;
    put_item(words, SS_LEFT | SS_PATHELLIPSIS, 7, 7, 266, 9, file_label, label, "");
    put_item(words, SS_LEFT, 7, 22, 60, 9, first_label, label, "&Look for:");
    put_item(words, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 90, 20, 183, 80, target_box, 0x85,
             "");
    put_item(words, BS_AUTOCHECKBOX | WS_TABSTOP, 90, 36, 120, 10, ignore_bit15_box, 0x80,
             "&Ignore bit 15");
    put_item(words, SS_LEFT, 7, 52, 80, 9, first_label + 1, label, "&Tolerance (0 to 31):");
    put_item(words, ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 90, 50, 40, 12,
             tolerance_field, 0x81, "0");
    put_item(words, SS_LEFT, 7, 68, 80, 9, first_label + 2, label, "&Alignment:");
    put_item(words, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 90, 66, 80, 50, align_box, 0x85,
             "");
    put_item(words, SS_LEFT, 7, 84, 82, 9, first_label + 3, label, "&Minimum matching:");
    put_item(words, ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 90, 82, 40, 12,
             min_matching_field, 0x81, "0");
    put_item(words, SS_LEFT, 134, 84, 120, 9, first_label + 4, label, "(0: every color)");
    put_item(words, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 100,
             266, 92, hit_list, 0x83, "");
    put_progress(words, 7, 196, 266, 10, progress_bar);
    put_item(words, SS_LEFT, 7, 210, 266, 9, status_label, label,
             "Double-click a hit to load its CLUT.");
    put_item(words, BS_DEFPUSHBUTTON | WS_TABSTOP, 115, 229, 50, 14, find_button, 0x80, "&Find");
    put_item(words, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 169, 229, 50, 14, stop_button, 0x80,
             "Cancel");
    put_item(words, BS_PUSHBUTTON | WS_TABSTOP, 223, 229, 50, 14, IDCANCEL, 0x80, "Close");
    return words;
}

// --- The dialog

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
    const LRESULT target = SendDlgItemMessageA(dialog, target_box, CB_GETCURSEL, 0, 0);
    options.target = static_cast<FinderTarget>(std::clamp<LRESULT>(target, 0, 3));
    options.ignore_bit15 = IsDlgButtonChecked(dialog, ignore_bit15_box) == BST_CHECKED;
    options.tolerance = field_value(dialog, tolerance_field, 31);
    options.align = SendDlgItemMessageA(dialog, align_box, CB_GETCURSEL, 0, 0) == 1 ? 1 : 2;
    options.min_matching = field_value(dialog, min_matching_field, 256);
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
        SendDlgItemMessageA(dialog, target_box, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendDlgItemMessageA(dialog, target_box, CB_SETCURSEL, static_cast<WPARAM>(options.target), 0);
    for (const char* text : {"Even offsets", "Any byte"}) {
        SendDlgItemMessageA(dialog, align_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(dialog, align_box, CB_SETCURSEL, options.align == 1 ? 1 : 0, 0);
    CheckDlgButton(dialog, ignore_bit15_box, options.ignore_bit15 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, tolerance_field, static_cast<UINT>(options.tolerance), FALSE);
    SetDlgItemInt(dialog, min_matching_field, static_cast<UINT>(options.min_matching), FALSE);
}

void update_controls(HWND dialog, bool scanning) {
    const auto target =
        static_cast<FinderTarget>(SendDlgItemMessageA(dialog, target_box, CB_GETCURSEL, 0, 0));
    const bool clut = target == FinderTarget::live_colors || target == FinderTarget::selection;
    EnableWindow(GetDlgItem(dialog, target_box), !scanning);
    for (int id : {ignore_bit15_box, tolerance_field, align_box, min_matching_field}) {
        EnableWindow(GetDlgItem(dialog, id), !scanning && clut);
    }
    EnableWindow(GetDlgItem(dialog, find_button), !scanning);
    EnableWindow(GetDlgItem(dialog, stop_button), scanning);
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
        SendDlgItemMessageA(dialog, hit_list, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(finder_hit_text(hit).c_str()));
    }
}

void start_scan(HWND dialog, FinderDialog& data) {
    if (data.worker != nullptr) {
        return;
    }
    SendDlgItemMessageA(dialog, hit_list, LB_RESETCONTENT, 0, 0);
    data.shown.clear();
    data.pending.clear();
    data.cancel = false;
    data.running_options = read_options(dialog);
    SendDlgItemMessageA(dialog, progress_bar, PBM_SETPOS, 0, 0);
    SetDlgItemTextA(dialog, status_label, finder_progress_text(0, 1, 0).c_str());
    data.worker = CreateThread(nullptr, 0, scan_thread, &data, 0, nullptr);
    if (data.worker == nullptr) {
        SetDlgItemTextA(dialog, status_label, "Search failed: no thread could be started.");
        return;
    }
    // The controls about to be grayed may hold the focus: Cancel takes it.
    focus_item(dialog, stop_button);
    update_controls(dialog, true);
}

void choose_selected(HWND dialog, FinderDialog& data) {
    const LRESULT row = SendDlgItemMessageA(dialog, hit_list, LB_GETCURSEL, 0, 0);
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
            SetDlgItemTextA(dialog, file_label, ("File: " + data->request.path).c_str());
            SendDlgItemMessageA(dialog, progress_bar, PBM_SETRANGE32, 0, 1000);
            show_options(dialog, data->request, data->request.options);
            update_controls(dialog, false);
            return TRUE;
        }
        case hits_waiting:
            take_hits(dialog, *data);
            return TRUE;
        case scan_progress:
            if (data->worker != nullptr) {
                SendDlgItemMessageA(dialog, progress_bar, PBM_SETPOS, wparam, 0);
                SetDlgItemTextA(dialog, status_label,
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
                SendDlgItemMessageA(dialog, progress_bar, PBM_SETPOS, 1000, 0);
            }
            SetDlgItemTextA(dialog, status_label, finder_end_text(result).c_str());
            update_controls(dialog, false);
            // The keyboard goes on to the hits, the first one selected.
            if (!data->shown.empty()) {
                if (SendDlgItemMessageA(dialog, hit_list, LB_GETCURSEL, 0, 0) == LB_ERR) {
                    SendDlgItemMessageA(dialog, hit_list, LB_SETCURSEL, 0, 0);
                }
                focus_item(dialog, hit_list);
            } else {
                focus_item(dialog, find_button);
            }
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            const int code = HIWORD(wparam);
            if (id == find_button || id == IDOK) {
                // Enter in the list takes its selected hit, as a double-click does.
                if (GetFocus() == GetDlgItem(dialog, hit_list)) {
                    choose_selected(dialog, *data);
                } else {
                    start_scan(dialog, *data);
                }
                return TRUE;
            }
            if (id == stop_button) {
                data->cancel = true;
                return TRUE;
            }
            if (id == target_box && code == CBN_SELCHANGE) {
                update_controls(dialog, data->worker != nullptr);
                return TRUE;
            }
            if (id == hit_list && code == LBN_DBLCLK) {
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
    const std::vector<WORD> words = finder_template();
    DialogBoxIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(words.data()), owner,
                            finder_dialog_proc, reinterpret_cast<LPARAM>(&data));
    stop_scan(data);  // also when the dialog could not be shown
    DeleteCriticalSection(&data.lock);
    return data.answer;
}

}  // namespace tavrin::win32
