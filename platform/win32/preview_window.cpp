// The texture preview's window and controls, and their events handed to the
// core.
#include "platform/win32/preview_window.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/win32/dialogs.h"
#include "platform/win32/window_layer_win32.h"
#include "ui/preview.h"

namespace tavrin::win32 {

namespace {

constexpr char frame_class[] = "TavrinPreview";
constexpr char canvas_class[] = "TavrinPreviewCanvas";

enum ControlId {
    file_id = 100,
    offset_id,
    width_id,
    height_id,
    depth_id,
    highlight_id,
    background_id,
    blend_id,
    zoom_out_id,
    zoom_in_id,
    export_id,
    canvas_id,
    status_id,
};

constexpr int margin = 6;
constexpr int row_height = 22;
constexpr int gap = 4;
constexpr int max_zoom = 8;
constexpr int scroll_line = 16;  // canvas pixels per scroll-bar arrow or wheel step

void register_classes(HINSTANCE instance, WNDPROC frame, WNDPROC canvas) {
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = frame;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = frame_class;
    RegisterClassExA(&window_class);

    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = canvas;
    window_class.hbrBackground = nullptr;  // painted whole by WM_PAINT
    window_class.lpszClassName = canvas_class;
    RegisterClassExA(&window_class);
}

// What the user typed in a size field; a field left empty reads as 0, which
// the core refuses with a message in the status line.
int number_of(HWND control) {
    return static_cast<int>(std::strtol(window_text(control).c_str(), nullptr, 10));
}

void move(HWND control, int x, int y, int width, int height, bool visible = true) {
    MoveWindow(control, x, y, std::max(width, 0), std::max(height, 0), TRUE);
    ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace

PreviewWindow::PreviewWindow(EditorState& state, Win32WindowLayer& layer)
    : state_(state), layer_(layer) {}

PreviewWindow::~PreviewWindow() {
    if (frame_ != nullptr && IsWindow(frame_)) {
        HWND frame = frame_;
        frame_ = nullptr;  // nothing reaches the core while it goes
        DestroyWindow(frame);
    }
}

void PreviewWindow::create() {
    HINSTANCE instance = layer_.instance();
    register_classes(instance, frame_proc, canvas_proc);
    // Beside the main window, as far as the screen allows, so that the grid
    // and the picture are seen together.
    constexpr int width = 480;
    constexpr int height = 400;
    RECT owner{};
    RECT screen{};
    GetWindowRect(layer_.window(), &owner);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    const int x =
        std::max<int>(std::min<int>(owner.right + gap, screen.right - width), screen.left);
    const int y = std::max<int>(std::min<int>(owner.top, screen.bottom - height), screen.top);
    // A popup: owned windows stay above their owner then, under Wine too.
    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                            WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    frame_ = CreateWindowExA(0, frame_class, "Texture preview", style, x, y, width, height,
                             layer_.window(), nullptr, instance, this);
    if (frame_ == nullptr) {
        return;
    }
    const auto child = [&](const char* window_class, const char* text, DWORD style, int id,
                           DWORD extended = 0) {
        HWND control =
            CreateWindowExA(extended, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10,
                            10, frame_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                            id == canvas_id ? this : nullptr);
        SendMessageA(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return control;
    };
    const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
    bar_labels_.push_back(child("STATIC", "File", SS_CENTERIMAGE, -1));
    file_ = child("EDIT", "", edit, file_id, WS_EX_CLIENTEDGE);
    bar_labels_.push_back(child("STATIC", "Offset", SS_CENTERIMAGE, -1));
    offset_ = child("EDIT", "", edit, offset_id, WS_EX_CLIENTEDGE);
    bar_labels_.push_back(child("STATIC", "Width", SS_CENTERIMAGE, -1));
    width_ = child("EDIT", "", edit | ES_NUMBER, width_id, WS_EX_CLIENTEDGE);
    bar_labels_.push_back(child("STATIC", "Height", SS_CENTERIMAGE, -1));
    height_ = child("EDIT", "", edit | ES_NUMBER, height_id, WS_EX_CLIENTEDGE);
    depth_ = child("COMBOBOX", "", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, depth_id);
    SendMessageA(depth_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("4 bits"));
    SendMessageA(depth_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("8 bits"));
    SendMessageA(depth_, CB_SETCURSEL, 1, 0);
    for (HWND field : {width_, height_}) {
        SendMessageA(field, EM_LIMITTEXT, 4, 0);
    }

    highlight_ =
        child("BUTTON", "&Highlight selection", WS_TABSTOP | BS_AUTOCHECKBOX, highlight_id);
    // What transparent pixels show, and how semi-transparent ones mix with it.
    background_ = child("COMBOBOX", "", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, background_id);
    for (const char* text : {"Checkerboard", "Color..."}) {
        SendMessageA(background_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(background_, CB_SETCURSEL, 0, 0);
    blend_ = child("COMBOBOX", "", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, blend_id);
    for (const char* text : {"Bit 15 ignored", "B/2 + F/2", "B + F", "B - F", "B + F/4"}) {
        SendMessageA(blend_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(blend_, CB_SETCURSEL, 0, 0);
    zoom_label_ = child("STATIC", "", SS_CENTERIMAGE | SS_RIGHT, -1);
    tool_buttons_ = {child("BUTTON", "-", BS_PUSHBUTTON, zoom_out_id),
                     child("BUTTON", "+", BS_PUSHBUTTON, zoom_in_id),
                     child("BUTTON", "&Export...", BS_PUSHBUTTON, export_id)};
    canvas_ =
        child(canvas_class, "", WS_TABSTOP | WS_HSCROLL | WS_VSCROLL, canvas_id, WS_EX_CLIENTEDGE);
    status_ = child("STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, status_id);
    set_zoom(zoom_);
    layout();
}

void PreviewWindow::show() {
    if (frame_ == nullptr) {
        create();
        if (frame_ == nullptr) {
            return;
        }
    }
    if (IsIconic(frame_)) {
        ShowWindow(frame_, SW_RESTORE);
    } else {
        ShowWindow(frame_, SW_SHOW);
    }
    SetForegroundWindow(frame_);
    SetFocus(canvas_);
}

// "Color..." asks for the colour each time it is chosen; Cancel goes back to
// the choice before it.
void PreviewWindow::backdrop_chosen(bool background_changed) {
    const LRESULT background = SendMessageA(background_, CB_GETCURSEL, 0, 0);
    if (background_changed && background == 1) {
        static COLORREF custom[16] = {};
        CHOOSECOLORA choose{};
        choose.lStructSize = sizeof choose;
        choose.hwndOwner = frame_;
        choose.rgbResult = background_color_;
        choose.lpCustColors = custom;
        choose.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (!ChooseColorA(&choose)) {
            SendMessageA(background_, CB_SETCURSEL, has_background_color_ ? 1 : 0, 0);
            return;
        }
        background_color_ = choose.rgbResult;
        has_background_color_ = true;
    } else if (background_changed) {
        has_background_color_ = false;
    }
    Backdrop backdrop;
    if (has_background_color_) {
        backdrop.color = Rgb{GetRValue(background_color_), GetGValue(background_color_),
                             GetBValue(background_color_)};
    }
    constexpr BlendMode modes[] = {BlendMode::none, BlendMode::half, BlendMode::add,
                                   BlendMode::subtract, BlendMode::quarter};
    const LRESULT mode = SendMessageA(blend_, CB_GETCURSEL, 0, 0);
    backdrop.blend = mode >= 0 && mode < 5 ? modes[mode] : BlendMode::none;
    CoreCall call(layer_);
    on_preview_backdrop(state_, layer_, backdrop);
}

void PreviewWindow::layout() {
    RECT client;
    GetClientRect(frame_, &client);
    const int right = client.right - margin;
    int y = margin;
    if (bar_visible_) {
        // File stretches; the other fields keep their widths.
        const int fixed = 26 + 38 + 80 + 36 + 44 + 40 + 44 + 64 + 8 * gap;
        const int file_width = std::max(right - margin - fixed, 60);
        int x = margin;
        const auto place = [&](HWND control, int width, int height = row_height) {
            move(control, x, y, width, height);
            x += width + gap;
        };
        place(bar_labels_[0], 26);
        place(file_, file_width);
        place(bar_labels_[1], 38);
        place(offset_, 80);
        place(bar_labels_[2], 36);
        place(width_, 44);
        place(bar_labels_[3], 40);
        place(height_, 44);
        place(depth_, 64, 120);  // the height a drop-down list opens to
        y += row_height + gap;
    } else {
        for (HWND control : bar_labels_) {
            ShowWindow(control, SW_HIDE);
        }
        for (HWND control : {file_, offset_, width_, height_, depth_}) {
            ShowWindow(control, SW_HIDE);
        }
    }
    move(highlight_, margin, y, 160, row_height);
    move(tool_buttons_[2], right - 64, y, 64, row_height);
    move(tool_buttons_[1], right - 64 - gap - 24, y, 24, row_height);
    move(tool_buttons_[0], right - 64 - gap - 52, y, 24, row_height);
    move(zoom_label_, right - 64 - gap - 52 - gap - 70, y, 70, row_height);
    y += row_height + gap;
    move(background_, margin, y, 130, 120);  // the heights the lists open to
    move(blend_, margin + 130 + gap, y, 110, 140);
    y += row_height + gap;
    const int status_top = client.bottom - margin - 18;
    move(canvas_, margin, y, right - margin, status_top - gap - y);
    move(status_, margin, status_top, right - margin, 18);
}

void PreviewWindow::set_image(int width, int height, std::span<const std::uint32_t> pixels) {
    image_width_ = std::max(width, 0);
    image_height_ = std::max(height, 0);
    pixels_.assign(pixels.begin(), pixels.end());
    pixels_.resize(static_cast<std::size_t>(image_width_) *
                   static_cast<std::size_t>(image_height_));
    if (canvas_ != nullptr) {
        update_scroll_bars();
        InvalidateRect(canvas_, nullptr, FALSE);
    }
}

void PreviewWindow::set_status(std::string_view text) {
    if (status_ != nullptr) {
        SetWindowTextA(status_, std::string(text).c_str());
    }
}

void PreviewWindow::set_bar(const PreviewBar& bar) {
    if (frame_ == nullptr) {
        return;
    }
    // Only texts that differ: rewriting a field would drop the selection
    // Tab just gave it.
    const auto write = [](HWND field, const std::string& text) {
        if (window_text(field) != text) {
            SetWindowTextA(field, text.c_str());
        }
    };
    write(file_, bar.file);
    write(offset_, bar.offset);
    write(width_, std::to_string(bar.width));
    write(height_, std::to_string(bar.height));
    SendMessageA(depth_, CB_SETCURSEL, bar.bits_per_pixel == 4 ? 0 : 1, 0);
    if (bar.visible != bar_visible_) {
        bar_visible_ = bar.visible;
        layout();
    }
}

void PreviewWindow::set_zoom(int zoom) {
    const int old_zoom = zoom_;
    zoom_ = std::clamp(zoom, 1, max_zoom);
    // The same image point stays at the top left.
    scroll_x_ = scroll_x_ / old_zoom * zoom_;
    scroll_y_ = scroll_y_ / old_zoom * zoom_;
    SetWindowTextA(zoom_label_, ("Zoom " + std::to_string(zoom_) + "x").c_str());
    update_scroll_bars();
    InvalidateRect(canvas_, nullptr, FALSE);
}

void PreviewWindow::update_scroll_bars() {
    // Showing or hiding a bar resizes the client area, which comes back here
    // through WM_SIZE; the second pass settles on the final size.
    static bool updating = false;
    if (updating) {
        return;
    }
    updating = true;
    for (int pass = 0; pass < 2; ++pass) {
        RECT client;
        GetClientRect(canvas_, &client);
        const int content[2] = {image_width_ * zoom_, image_height_ * zoom_};
        const int page[2] = {client.right, client.bottom};
        int* position[2] = {&scroll_x_, &scroll_y_};
        for (int axis = 0; axis < 2; ++axis) {
            *position[axis] =
                std::clamp(*position[axis], 0, std::max(content[axis] - page[axis], 0));
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
            info.nMin = 0;
            info.nMax = std::max(content[axis] - 1, 0);
            info.nPage = static_cast<UINT>(std::max(page[axis], 0));
            info.nPos = *position[axis];
            SetScrollInfo(canvas_, axis == 0 ? SB_HORZ : SB_VERT, &info, TRUE);
        }
    }
    updating = false;
}

void PreviewWindow::scroll(int bar, int request, int amount) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(canvas_, bar, &info);
    int position = info.nPos;
    switch (request) {
        case SB_LINEUP:
            position -= scroll_line;
            break;
        case SB_LINEDOWN:
            position += scroll_line;
            break;
        case SB_PAGEUP:
            position -= static_cast<int>(info.nPage);
            break;
        case SB_PAGEDOWN:
            position += static_cast<int>(info.nPage);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            position = info.nTrackPos;
            break;
        case SB_TOP:
            position = 0;
            break;
        case SB_BOTTOM:
            position = info.nMax;
            break;
        default:  // a wheel step
            position += amount;
            break;
    }
    (bar == SB_HORZ ? scroll_x_ : scroll_y_) = position;
    update_scroll_bars();
    InvalidateRect(canvas_, nullptr, FALSE);
}

bool PreviewWindow::may_report() const {
    return frame_ != nullptr && !layer_.core_running() && IsWindowVisible(frame_);
}

void PreviewWindow::bar_edited() {
    if (!may_report()) {
        return;
    }
    const LRESULT depth = SendMessageA(depth_, CB_GETCURSEL, 0, 0);
    const PreviewBarText typed{window_text(file_), window_text(offset_), number_of(width_),
                               number_of(height_), depth == 0 ? 4 : 8};
    CoreCall call(layer_);
    on_preview_bar_changed(state_, layer_, typed);
}

bool PreviewWindow::handle_key(WPARAM key) {
    if ((GetKeyState(VK_CONTROL) & 0x8000) != 0) {
        if (key == VK_OEM_PLUS || key == VK_ADD) {
            set_zoom(zoom_ + 1);
            return true;
        }
        if (key == VK_OEM_MINUS || key == VK_SUBTRACT) {
            set_zoom(zoom_ - 1);
            return true;
        }
        return false;
    }
    static constexpr std::array<std::pair<WPARAM, PreviewKey>, 6> moves = {{
        {VK_PRIOR, PreviewKey::page_up},
        {VK_NEXT, PreviewKey::page_down},
        {VK_UP, PreviewKey::up},
        {VK_DOWN, PreviewKey::down},
        {VK_LEFT, PreviewKey::left},
        {VK_RIGHT, PreviewKey::right},
    }};
    const auto* move = std::ranges::find(moves, key, &std::pair<WPARAM, PreviewKey>::first);
    if (move == moves.end()) {
        return false;
    }
    if (may_report()) {
        CoreCall call(layer_);
        on_preview_key(state_, layer_, move->second);
    }
    return true;
}

POINT PreviewWindow::image_point(int x, int y) const {
    const int image_x = x + scroll_x_;
    const int image_y = y + scroll_y_;
    if (image_x < 0 || image_y < 0 || image_x >= image_width_ * zoom_ ||
        image_y >= image_height_ * zoom_) {
        return POINT{-1, -1};
    }
    return POINT{image_x / zoom_, image_y / zoom_};
}

void PreviewWindow::paint_canvas(HDC dc) {
    RECT client;
    GetClientRect(canvas_, &client);
    const RECT image{-scroll_x_, -scroll_y_, image_width_ * zoom_ - scroll_x_,
                     image_height_ * zoom_ - scroll_y_};
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, image.left, image.top, image.right, image.bottom);
    FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
    RestoreDC(dc, saved);
    if (pixels_.empty()) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image_width_;
    info.bmiHeader.biHeight = -image_height_;  // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;  // 0xFFRRGGBB is a 32-bit BI_RGB pixel as it stands
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, COLORONCOLOR);  // nearest neighbour: each pixel a clean square
    StretchDIBits(dc, image.left, image.top, image_width_ * zoom_, image_height_ * zoom_, 0, 0,
                  image_width_, image_height_, pixels_.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

LRESULT PreviewWindow::on_frame(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SIZE:
            if (status_ != nullptr) {  // the controls are all there
                layout();
            }
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
            limits->ptMinTrackSize = POINT{360, 200};
            return 0;
        }
        case WM_SETFOCUS:
            SetFocus(canvas_);
            return 0;
        case WM_MOUSEWHEEL:  // from a field that has the focus
            return SendMessageA(canvas_, message, wparam, lparam);
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            const int code = HIWORD(wparam);
            if (id == IDOK) {  // Enter in a field of the bar
                bar_edited();
            } else if ((id == file_id || id == offset_id || id == width_id || id == height_id) &&
                       code == EN_KILLFOCUS) {
                bar_edited();
            } else if (id == depth_id && code == CBN_SELCHANGE) {
                bar_edited();
            } else if (id == highlight_id && code == BN_CLICKED && may_report()) {
                const bool on = SendMessageA(highlight_, BM_GETCHECK, 0, 0) == BST_CHECKED;
                CoreCall call(layer_);
                on_preview_highlight(state_, layer_, on);
            } else if ((id == background_id || id == blend_id) && code == CBN_SELCHANGE &&
                       may_report()) {
                backdrop_chosen(id == background_id);
            } else if (id == export_id && code == BN_CLICKED && may_report()) {
                CoreCall call(layer_);
                run_command(state_, layer_, ids::export_preview);  // grayed: nothing
            } else if (id == zoom_out_id || id == zoom_in_id) {
                set_zoom(zoom_ + (id == zoom_in_id ? 1 : -1));
                SetFocus(canvas_);
            }
            return 0;
        }
        case WM_CLOSE:
            // Closed while a modal window of the core is up, it stays.
            if (!layer_.core_running()) {
                {
                    CoreCall call(layer_);
                    on_preview_closed(state_, layer_);
                }
                ShowWindow(frame_, SW_HIDE);
            }
            return 0;
        case WM_NCDESTROY: {
            HWND window = frame_;
            frame_ = nullptr;
            canvas_ = nullptr;
            status_ = nullptr;
            return DefWindowProcA(window, message, wparam, lparam);
        }
        default:
            break;
    }
    return DefWindowProcA(frame_, message, wparam, lparam);
}

LRESULT PreviewWindow::on_canvas(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(canvas_, &paint);
            paint_canvas(dc);
            EndPaint(canvas_, &paint);
            return 0;
        }
        case WM_SIZE:
            update_scroll_bars();
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
            scroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wparam), 0);
            return 0;
        case WM_MOUSEWHEEL: {
            const int notches = GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA;
            if ((GET_KEYSTATE_WPARAM(wparam) & MK_CONTROL) != 0) {
                set_zoom(zoom_ + (GET_WHEEL_DELTA_WPARAM(wparam) > 0 ? 1 : -1));
            } else {
                scroll(SB_VERT, -1, -notches * 3 * scroll_line);
            }
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN:
            if (handle_key(wparam)) {
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            SetFocus(canvas_);  // a field left first reports its text
            const POINT pixel = image_point(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
            if (pixel.x >= 0 && may_report()) {
                const Modifiers modifiers{(wparam & MK_CONTROL) != 0, (wparam & MK_SHIFT) != 0};
                CoreCall call(layer_);
                on_preview_clicked(state_, layer_, pixel.x, pixel.y, modifiers);
            }
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (!tracking_leave_) {
                TRACKMOUSEEVENT track{};
                track.cbSize = sizeof track;
                track.dwFlags = TME_LEAVE;
                track.hwndTrack = canvas_;
                tracking_leave_ = TrackMouseEvent(&track) != FALSE;
            }
            const POINT pixel = image_point(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
            if (may_report()) {
                CoreCall call(layer_);
                on_preview_hover(state_, layer_, pixel.x, pixel.y);
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            tracking_leave_ = false;
            if (may_report()) {
                CoreCall call(layer_);
                on_preview_hover(state_, layer_, -1, -1);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcA(canvas_, message, wparam, lparam);
}

LRESULT PreviewWindow::route(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                             HWND PreviewWindow::*handle,
                             LRESULT (PreviewWindow::*handler)(UINT, WPARAM, LPARAM)) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<PreviewWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->*handle = window;
    }
    auto* self = reinterpret_cast<PreviewWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr || self->*handle != window) {
        return DefWindowProcA(window, message, wparam, lparam);
    }
    return (self->*handler)(message, wparam, lparam);
}

LRESULT CALLBACK PreviewWindow::frame_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
    return route(window, message, wparam, lparam, &PreviewWindow::frame_, &PreviewWindow::on_frame);
}

LRESULT CALLBACK PreviewWindow::canvas_proc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
    return route(window, message, wparam, lparam, &PreviewWindow::canvas_,
                 &PreviewWindow::on_canvas);
}

}  // namespace tavrin::win32
