// WindowLayer over the main dialog: menu items, controls, cell and box painting
// through device contexts, and the modal dialogs.
#include "platform/win32/window_layer_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>
#include <utility>

#include "platform/win32/dialogs.h"
#include "platform/win32/finder_dialog.h"
#include "platform/win32/preview_window.h"
#include "platform/win32/resource_ids.h"
#include "ui/cell_pixels.h"

namespace tavrin::win32 {

namespace {

COLORREF colorref(Rgb color) {
    return RGB(color.red, color.green, color.blue);
}

}  // namespace

Win32WindowLayer::Win32WindowLayer(HINSTANCE instance) : instance_(instance) {}

Win32WindowLayer::~Win32WindowLayer() = default;

void Win32WindowLayer::set_menu_item(int command_id, const MenuItemChange& change) {
    // By command, the search goes through every popup and the ones nested in
    // them, so no item depends on which menu holds it.
    HMENU menu = GetMenu(main_);
    const auto item = static_cast<UINT>(command_id);
    if (change.enabled) {
        EnableMenuItem(menu, item, MF_BYCOMMAND | (*change.enabled ? MF_ENABLED : MF_GRAYED));
    }
    if (change.checked) {
        CheckMenuItem(menu, item, MF_BYCOMMAND | (*change.checked ? MF_CHECKED : MF_UNCHECKED));
    }
    if (change.text) {
        std::string label = *change.text;
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING;
        info.dwTypeData = label.data();
        SetMenuItemInfoA(menu, item, FALSE, &info);
    }
}

void Win32WindowLayer::set_up_panel(const PanelSetup& setup) {
    for (int id : ids::sliders) {
        SendDlgItemMessageA(main_, id, TBM_SETRANGE, TRUE,
                            MAKELPARAM(setup.slider_minimum, setup.slider_maximum));
        SendDlgItemMessageA(main_, id, TBM_SETTICFREQ, static_cast<WPARAM>(setup.slider_tick_every),
                            0);
    }
    SendDlgItemMessageA(main_, ids::field_hex, EM_LIMITTEXT,
                        static_cast<WPARAM>(setup.hex_characters), 0);
}

void Win32WindowLayer::show_field_text(int field_id, std::string_view text) {
    SetDlgItemTextA(main_, field_id, std::string(text).c_str());
}

std::string Win32WindowLayer::field_text(int field_id) const {
    return window_text(item(field_id));
}

void Win32WindowLayer::enable_control(int id, bool enabled) {
    EnableWindow(item(id), enabled ? TRUE : FALSE);
}

void Win32WindowLayer::set_control_value(int id, int value) {
    if (id == ids::check_semi_transparent) {
        CheckDlgButton(main_, id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
    } else {
        SendDlgItemMessageA(main_, id, TBM_SETPOS, TRUE, value);
    }
}

void Win32WindowLayer::set_focus(int id) {
    // SetFocus would bring the main window over the preview the user is
    // clicking in; the control takes the focus when the main window is next
    // activated instead.
    if (preview_active()) {
        pending_focus_ = item(id);
        return;
    }
    pending_focus_ = nullptr;
    SetFocus(item(id));
}

bool Win32WindowLayer::preview_active() const {
    HWND preview = preview_window();
    return preview != nullptr && GetActiveWindow() == preview;
}

HWND Win32WindowLayer::take_pending_focus() {
    HWND target = std::exchange(pending_focus_, nullptr);
    return target != nullptr && IsChild(main_, target) ? target : nullptr;
}

void Win32WindowLayer::keep_focus_for_return(HWND focus) {
    pending_focus_ = focus != nullptr && IsChild(main_, focus) ? focus : nullptr;
}

int Win32WindowLayer::focused_control() const {
    if (pending_focus_ != nullptr && preview_active()) {
        return GetDlgCtrlID(pending_focus_);
    }
    HWND focus = GetFocus();
    if (focus == nullptr || GetParent(focus) != main_) {
        return 0;
    }
    return GetDlgCtrlID(focus);
}

void Win32WindowLayer::fill_swatch(int id, Rgb color, CellMark mark) {
    // A WM_SIZE can come while the dialog is still being built: no box yet.
    HWND swatch = item(id);
    if (swatch == nullptr) {
        return;
    }
    // A cell fills its client square inside the border; a colour box, which
    // has none, its whole window.
    RECT area{0, 0, cell_client_size, cell_client_size};
    if (!ids::is_swatch(id)) {
        RECT bounds{};
        GetWindowRect(swatch, &bounds);
        area = RECT{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    }
    HDC dc = GetDC(swatch);
    HBRUSH brush = CreateSolidBrush(colorref(color));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    if (mark != CellMark::none) {
        // The mark's few pixels from the shared definition, over the colour.
        CellPixels pixels;
        fill_cell_pixels(pixels, color);
        mark_cell_pixels(pixels, color, mark);
        for (int y = 0; y < cell_client_size; ++y) {
            for (int x = 0; x < cell_client_size; ++x) {
                if (pixels.at(x, y) != color) {
                    SetPixelV(dc, x, y, colorref(pixels.at(x, y)));
                }
            }
        }
    }
    ReleaseDC(swatch, dc);
}

void Win32WindowLayer::frame_cell(int index) {
    HWND cell = item(ids::first_swatch + index);
    if (cell == nullptr) {
        return;
    }
    // Three hollow one-pixel rectangles; the raster modes choose black or
    // white, so the pen's own colour never shows.
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    HDC dc = GetDC(cell);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    const int old_mode = SetROP2(dc, R2_BLACK);
    Rectangle(dc, 1, 1, 17, 17);
    Rectangle(dc, 3, 3, 15, 15);
    SetROP2(dc, R2_WHITE);
    Rectangle(dc, 2, 2, 16, 16);
    SetROP2(dc, old_mode);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    ReleaseDC(cell, dc);
}

Rgb Win32WindowLayer::system_color(SystemColor which) const {
    const COLORREF color =
        GetSysColor(which == SystemColor::scrollbar ? COLOR_SCROLLBAR : COLOR_BTNFACE);
    return Rgb{GetRValue(color), GetGValue(color), GetBValue(color)};
}

void Win32WindowLayer::request_repaint() {
    InvalidateRect(main_, nullptr, TRUE);
}

std::optional<FileAnswer> Win32WindowLayer::file_dialog(const FileDialogRequest& request) {
    int filter = 0;
    auto path = run_file_dialog(main_, request, request.kind == FileDialogKind::save, &filter);
    if (!path) {
        return std::nullopt;
    }
    return FileAnswer{*path, filter};
}

std::optional<int> Win32WindowLayer::select_clut_dialog(
    const std::vector<std::string>& entries,
    const std::function<std::optional<int>(std::string_view typed)>& accept) {
    return run_select_clut_dialog(instance_, main_, entries, accept);
}

std::optional<ClutParamsAnswer> Win32WindowLayer::clut_params_dialog(
    std::string_view initial_count) {
    return run_clut_params_dialog(instance_, main_, initial_count);
}

void Win32WindowLayer::run_finder(const FinderView& view,
                                  const std::function<void(const FinderEvent&)>& report) {
    finder_.run(instance_, main_, view, report);
}

std::optional<int> Win32WindowLayer::choose_from_list(std::string_view title,
                                                      std::string_view prompt,
                                                      const std::vector<std::string>& entries,
                                                      int preselected, bool filter) {
    return run_list_dialog(instance_, main_, title, prompt, entries, preselected, filter);
}

std::optional<ColorAdjustment> Win32WindowLayer::adjust_colors_dialog(
    const std::function<void(const ColorAdjustment&)>& changed) {
    return run_adjust_colors_dialog(instance_, main_, changed);
}

void Win32WindowLayer::show_message(MessageKind kind, std::string_view message) {
    if (kind == MessageKind::about) {
        run_about_dialog(instance_, main_);
        return;
    }
    const bool error = kind == MessageKind::error;
    MessageBoxA(main_, std::string(message).c_str(), error ? "Error" : "Tavrin",
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

OpenDocumentResult Win32WindowLayer::open_document(const std::string& path) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(main_, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) {
        return OpenDocumentResult::opened;
    }
    // A missing help folder is as much a missing page as a missing file.
    if (result == SE_ERR_FNF || result == SE_ERR_PNF) {
        return OpenDocumentResult::not_found;
    }
    return OpenDocumentResult::failed;
}

namespace {

// The format that carries Tavrin's colour words between its windows.
UINT color_words_format() {
    static const UINT format = RegisterClipboardFormatA("Tavrin color words");
    return format;
}

// Text as the clipboard wants it: CR LF line ends and a final NUL, in
// movable global memory that the clipboard takes over.
HGLOBAL clipboard_block(std::string_view text) {
    std::string windows_text;
    for (char c : text) {
        if (c == '\n') {
            windows_text += '\r';
        }
        windows_text += c;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, windows_text.size() + 1);
    if (block != nullptr) {
        if (void* data = GlobalLock(block)) {
            std::memcpy(data, windows_text.c_str(), windows_text.size() + 1);
            GlobalUnlock(block);
        }
    }
    return block;
}

std::optional<std::string> clipboard_string(UINT format) {
    HANDLE handle = GetClipboardData(format);
    if (handle == nullptr) {
        return std::nullopt;
    }
    const auto* data = static_cast<const char*>(GlobalLock(handle));
    if (data == nullptr) {
        return std::nullopt;
    }
    const std::string text(data, strnlen(data, GlobalSize(handle)));
    GlobalUnlock(handle);
    return text;
}

}  // namespace

void Win32WindowLayer::set_clipboard_colors(std::string_view text, std::string_view color_words) {
    if (!OpenClipboard(main_)) {
        return;
    }
    EmptyClipboard();
    for (const auto& [format, content] :
         {std::pair{UINT{CF_TEXT}, text}, std::pair{color_words_format(), color_words}}) {
        HGLOBAL block = clipboard_block(content);
        if (block != nullptr && SetClipboardData(format, block) == nullptr) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

std::optional<std::string> Win32WindowLayer::clipboard_text() {
    if (!OpenClipboard(main_)) {
        return std::nullopt;
    }
    std::optional<std::string> text = clipboard_string(color_words_format());
    if (!text) {
        text = clipboard_string(CF_TEXT);
    }
    CloseClipboard();
    return text;
}

void Win32WindowLayer::set_status_text(StatusLine line, std::string_view text) {
    if (line == StatusLine::preview) {
        if (preview_ != nullptr) {
            preview_->set_status(text);
        }
        return;
    }
    SetWindowTextA(main_, text.empty() ? "Tavrin" : ("Tavrin - " + std::string(text)).c_str());
}

std::string Win32WindowLayer::program_dir() const {
    char folder[MAX_PATH] = {};
    GetModuleFileNameA(instance_, folder, MAX_PATH);
    PathRemoveFileSpecA(folder);
    PathAddBackslashA(folder);
    return folder;
}

void Win32WindowLayer::quit() {
    PostQuitMessage(0);
}

HWND Win32WindowLayer::preview_window() const {
    return preview_ != nullptr ? preview_->window() : nullptr;
}

void Win32WindowLayer::show_preview(const PreviewChange& change) {
    if (change.bring_forward) {
        if (preview_ == nullptr) {
            preview_ = std::make_unique<PreviewWindow>(*state_, *this);
        }
        preview_->show();
    }
    if (preview_ == nullptr) {
        return;
    }
    if (change.bar) {
        preview_->set_bar(*change.bar);
    }
    if (change.image) {
        preview_->set_image(change.image->width, change.image->height, change.image->pixels);
    }
}

}  // namespace tavrin::win32
