// main_window_proc and swatch_proc: they translate window messages into the
// core's events and carry nothing else.
#include "platform/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "image/png_file.h"
#include "platform/win32/resource_ids.h"
#include "ui/color_panel.h"
#include "ui/open_path.h"
#include "ui/selection_input.h"
#include "ui/transparency_commands.h"

namespace tavrin::win32 {

namespace {

constexpr int grid_side = 16;
constexpr int cell_pitch = 24;  // pixels, a 20-pixel cell and a 4-pixel gap
constexpr int cell_size = 20;
constexpr int grid_left = 8;
constexpr int grid_top = 5;

MainWindow* main_window_of(HWND window) {
    return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

Modifiers held_modifiers() {
    // Bit 15 of GetKeyState (a negative SHORT) means the key is down now.
    return Modifiers{GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0};
}

LRESULT CALLBACK swatch_proc(HWND cell, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_GETDLGCODE:
            // The dialog manager then hands the arrow keys to the cell.
            return DLGC_WANTARROWS;
        case WM_KEYDOWN: {
            // Every key is swallowed; only the arrows mean anything.
            MainWindow* window = main_window_of(GetParent(cell));
            if (window == nullptr || window->layer.core_running()) {
                return 0;
            }
            static constexpr std::array<std::pair<WPARAM, ArrowKey>, 4> arrows = {{
                {VK_LEFT, ArrowKey::left},
                {VK_UP, ArrowKey::up},
                {VK_RIGHT, ArrowKey::right},
                {VK_DOWN, ArrowKey::down},
            }};
            const auto* key =
                std::ranges::find(arrows, wparam, &std::pair<WPARAM, ArrowKey>::first);
            if (key == arrows.end()) {
                return 0;
            }
            CoreCall call(window->layer);
            on_arrow_key(window->state, window->layer, key->second, held_modifiers());
            return 0;
        }
        default: {
            // The cell keeps the system STATIC procedure in its user data.
            auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(cell, GWLP_USERDATA));
            if (previous == nullptr) {
                return DefWindowProcA(cell, message, wparam, lparam);
            }
            return CallWindowProcA(previous, cell, message, wparam, lparam);
        }
    }
}

// The 256 cells, in id order, each a subclassed STATIC; only the first is a
// tab stop, so the grid is one stop of the Tab order, the last.
void create_swatches(HWND window, HINSTANCE instance) {
    for (int row = 0; row < grid_side; ++row) {
        for (int column = 0; column < grid_side; ++column) {
            const int id = ids::first_swatch + grid_side * row + column;
            HWND cell = CreateWindowExA(
                0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_NOTIFY,
                grid_left + cell_pitch * column, grid_top + cell_pitch * row, cell_size, cell_size,
                window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
            if (cell == nullptr) {
                continue;
            }
            const LONG_PTR previous =
                SetWindowLongPtrA(cell, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(swatch_proc));
            SetWindowLongPtrA(cell, GWLP_USERDATA, previous);
        }
    }
    HWND first = GetDlgItem(window, ids::first_swatch);
    SetWindowLongPtrA(first, GWL_STYLE, GetWindowLongPtrA(first, GWL_STYLE) ^ WS_TABSTOP);
}

// One tooltip for the grid, one tool per cell, its text asked for each time.
void create_tooltips(HWND window, HINSTANCE instance) {
    HWND tooltip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);
    for (int id = ids::first_swatch; id <= ids::last_swatch; ++id) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window, id));
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

// The options of the menus, kept between runs under the user's own key.
constexpr char options_key[] = "Software\\Tavrin\\Tavrin";

bool remembered_flag(HKEY key, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && value != 0;
}

EditorOptions remembered_options() {
    EditorOptions options;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, options_key, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return options;
    }
    options.show_transparency = remembered_flag(key, "ShowTransparency");
    options.keep_black_opaque = remembered_flag(key, "KeepBlackOpaque");
    RegCloseKey(key);
    return options;
}

void remember_options(const EditorOptions& options) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, options_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;  // not kept for the next run, which then starts with them off
    }
    const auto store = [key](const char* name, bool on) {
        const DWORD value = on ? 1 : 0;
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
    };
    store("ShowTransparency", options.show_transparency);
    store("KeepBlackOpaque", options.keep_black_opaque);
    RegCloseKey(key);
}

void on_initdialog(HWND window, MainWindow& main) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&main));
    main.layer.attach(window, main.state);
    main.state.preview.png_writer = save_png;
    main.state.finder.threads = finder_threads(window);
    main.state.options = remembered_options();
    {
        CoreCall call(main.layer);
        start_editor(main.state, main.layer, main.layer.program_dir());
    }
    create_swatches(window, main.layer.instance());
    create_tooltips(window, main.layer.instance());
    DragAcceptFiles(window, TRUE);
}

// One file dropped from Explorer opens like a file on the command line; more
// than one is refused, as the editor holds one CLUT.
void on_drop_files(HWND window, HDROP drop) {
    std::string path;
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
        path.resize(length + 1);
        path.resize(DragQueryFileA(drop, 0, path.data(), length + 1));
    }
    DragFinish(drop);
    if (!path.empty()) {
        open_file(window, path);
    }
}

void on_command(MainWindow& main, int id, int code) {
    // Notifications raised while the core runs come from its own writes, focus
    // moves, enable changes and modal windows: the core has already handled them.
    if (main.layer.core_running()) {
        return;
    }
    CoreCall call(main.layer);
    EditorState& state = main.state;
    Win32WindowLayer& layer = main.layer;
    if (ids::is_command(id)) {
        // From the menu or an accelerator; the core gates grayed items.
        const EditorOptions before = state.options;
        run_command(state, layer, id);
        if (!(state.options == before)) {
            remember_options(state.options);
        }
        return;
    }
    if (ids::is_swatch(id)) {
        if (code == STN_CLICKED) {
            on_swatch_clicked(state, layer, id - ids::first_swatch, held_modifiers());
        }
        return;
    }
    switch (id) {
        case ids::field_red:
        case ids::field_green:
        case ids::field_blue:
        case ids::field_hex:
            if (code == (id == ids::field_hex ? EN_CHANGE : EN_UPDATE)) {
                on_field_edited(state, layer, id);
            } else if (code == EN_KILLFOCUS) {
                on_field_left(state, layer, id);
            }
            break;
        case ids::check_semi_transparent:
            // A plain check box: the core decides its new state.
            if (code == BN_CLICKED) {
                on_semi_transparent_checked(state, layer,
                                            IsDlgButtonChecked(layer.window(), id) != BST_CHECKED);
            }
            break;
        case ids::starting_box:
            if (code == STN_DBLCLK) {
                on_starting_box_double_clicked(state, layer);
            }
            break;
        default:
            break;  // among others 1 and 2, Enter and Escape from the dialog manager
    }
}

void on_slider_scroll(MainWindow& main, HWND slider) {
    if (slider == nullptr || main.layer.core_running()) {
        return;
    }
    CoreCall call(main.layer);
    on_slider_moved(main.state, main.layer, GetDlgCtrlID(slider),
                    static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0)));
}

void on_tooltip_request(MainWindow& main, NMHDR* header) {
    if (header->code != TTN_NEEDTEXTA) {
        return;
    }
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    const int id = (info->uFlags & TTF_IDISHWND) != 0
                       ? GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom))
                       : static_cast<int>(header->idFrom);
    if (!ids::is_swatch(id)) {
        return;
    }
    const auto text = tooltip_text(main.state, id - ids::first_swatch);
    if (!text) {
        return;
    }
    const std::size_t length = std::min(text->size(), sizeof info->szText - 1);
    std::memcpy(info->szText, text->data(), length);
    info->szText[length] = '\0';
    info->lpszText = info->szText;
}

LRESULT control_color(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Cells and colour boxes paint no background, so what the program painted
    // into them stays until it paints them again.
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
    if (ids::is_swatch(id) || id == ids::current_box || id == ids::starting_box) {
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// IsDialogMessageA turns Tab and Shift+Tab into WM_NEXTDLGCTL for the dialog,
// which only the default dialog procedure would act on; this window's class
// procedure is its own, so it moves the focus itself, as that procedure does.
void move_to_next_control(HWND window, WPARAM wparam, LPARAM lparam) {
    HWND target = LOWORD(lparam) != 0 ? reinterpret_cast<HWND>(wparam)
                                      : GetNextDlgTabItem(window, GetFocus(), wparam != 0);
    if (target == nullptr) {
        return;
    }
    if ((SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
        SendMessageA(target, EM_SETSEL, 0, -1);
    }
    SetFocus(target);
}

}  // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        on_initdialog(window, *reinterpret_cast<MainWindow*>(lparam));
        return 0;  // no initial focus
    }
    if (message == WM_CTLCOLORSTATIC) {
        return control_color(window, message, wparam, lparam);
    }
    MainWindow* main = main_window_of(window);
    if (message == WM_DESTROY) {
        if (main != nullptr) {
            close_editor(main->state);
            detach_main_window(window);
        }
        PostQuitMessage(0);
        return 0;
    }
    // Messages before WM_INITDIALOG (a WM_SIZE while the dialog is built) and
    // after the editor went away get the default handling.
    if (main == nullptr) {
        return DefWindowProcA(window, message, wparam, lparam);
    }
    switch (message) {
        case WM_COMMAND:
            on_command(*main, LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_HSCROLL:
            on_slider_scroll(*main, reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_NOTIFY:
            on_tooltip_request(*main, reinterpret_cast<NMHDR*>(lparam));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            {
                CoreCall call(main->layer);
                on_paint(main->state, main->layer);
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ACTIVATE: {
            // Between this window and the preview the focus comes back to the
            // control that had it (or that the core focused meanwhile), as in
            // a dialog, not to the window itself, which takes no keys.
            Win32WindowLayer& layer = main->layer;
            HWND other = reinterpret_cast<HWND>(lparam);
            if (other == nullptr || other != layer.preview_window()) {
                return DefWindowProcA(window, message, wparam, lparam);
            }
            if (LOWORD(wparam) == WA_INACTIVE) {
                layer.keep_focus_for_return(GetFocus());
                return 0;
            }
            HWND target = layer.take_pending_focus();
            if (target == nullptr) {
                return DefWindowProcA(window, message, wparam, lparam);
            }
            SetFocus(target);
            return 0;
        }
        case WM_ACTIVATEAPP: {
            CoreCall call(main->layer);
            on_activate(main->state, main->layer, wparam != 0);
            return 0;
        }
        case WM_SIZE: {
            CoreCall call(main->layer);
            on_size(main->state, main->layer);
            return 0;
        }
        case WM_NEXTDLGCTL:
            move_to_next_control(window, wparam, lparam);
            return 0;
        case finder_wake_message:
            main->layer.wake_finder();
            return 0;
        case WM_DROPFILES:
            if (main->layer.core_running()) {
                DragFinish(reinterpret_cast<HDROP>(wparam));
            } else {
                on_drop_files(window, reinterpret_cast<HDROP>(wparam));
            }
            return 0;
        default:
            // Not the default dialog procedure: the class is the dialog's own.
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

void open_file(HWND window, const std::string& path) {
    MainWindow* main = main_window_of(window);
    if (main == nullptr || main->layer.core_running()) {
        return;
    }
    CoreCall call(main->layer);
    open_path(main->state, main->layer, path);
}

void detach_main_window(HWND window) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

}  // namespace tavrin::win32
