// The texture preview on Win32: a modeless, resizable top-level window owned by
// the main window, with the raw-pixel bar, "Highlight selection", the picture
// (zoomed 1x to 8x, nearest neighbour, scrolled when larger than the window)
// and a status line. It shows what the core hands it and reports what the
// user does; the core decides everything else.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/editor.h"

namespace tavrin::win32 {

class Win32WindowLayer;

class PreviewWindow {
  public:
    PreviewWindow(EditorState& state, Win32WindowLayer& layer);
    ~PreviewWindow();
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // Shows the window, created on first use, and brings it forward.
    void show();
    HWND window() const { return frame_; }

    void set_image(int width, int height, std::span<const std::uint32_t> pixels);
    void set_status(std::string_view text);
    void set_bar(const PreviewBar& bar);

  private:
    // A message to the PreviewWindow whose handle member holds window, which
    // WM_NCCREATE brings before any other; the default procedure's until then.
    static LRESULT route(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                         HWND PreviewWindow::*handle,
                         LRESULT (PreviewWindow::*handler)(UINT, WPARAM, LPARAM));
    static LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK canvas_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_frame(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_canvas(UINT message, WPARAM wparam, LPARAM lparam);

    void create();
    void layout();
    void set_zoom(int zoom);
    void update_scroll_bars();
    void scroll(int bar, int request, int amount);
    bool handle_key(WPARAM key);
    void bar_edited();
    void paint_canvas(HDC dc);
    // The image pixel under a point of the canvas's client area.
    POINT image_point(int x, int y) const;
    // False while the core runs or the window is going: the event is not the
    // user's.
    bool may_report() const;
    void backdrop_chosen(bool background_changed);

    EditorState& state_;
    Win32WindowLayer& layer_;
    HWND frame_ = nullptr;
    HWND canvas_ = nullptr;
    HWND file_ = nullptr;
    HWND offset_ = nullptr;
    HWND width_ = nullptr;
    HWND height_ = nullptr;
    HWND depth_ = nullptr;
    HWND highlight_ = nullptr;
    HWND background_ = nullptr;
    HWND blend_ = nullptr;
    COLORREF background_color_ = RGB(0, 0, 0);
    bool has_background_color_ = false;
    HWND zoom_label_ = nullptr;
    HWND status_ = nullptr;
    std::vector<HWND> bar_labels_;
    std::vector<HWND> tool_buttons_;
    bool bar_visible_ = true;
    bool tracking_leave_ = false;

    int image_width_ = 0;
    int image_height_ = 0;
    std::vector<std::uint32_t> pixels_;  // 0xFFRRGGBB, rows top to bottom
    int zoom_ = 2;
    int scroll_x_ = 0;  // canvas pixels scrolled away left and top
    int scroll_y_ = 0;
};

}  // namespace tavrin::win32
