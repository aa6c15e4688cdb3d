// The core's window layer over USER32 and GDI32: the controls of the main
// dialog, swatch cells painted through their own device contexts, and the
// modal dialogs and boxes the commands open.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/finder_dialog.h"
#include "ui/window_layer.h"

namespace tavrin {
struct EditorState;
}

namespace tavrin::win32 {

class PreviewWindow;

class Win32WindowLayer final : public WindowLayer {
  public:
    explicit Win32WindowLayer(HINSTANCE instance);
    ~Win32WindowLayer() override;

    // The main dialog, once WM_INITDIALOG has given it, and the editor whose
    // state the preview window reports to.
    void attach(HWND main_window, EditorState& state) {
        main_ = main_window;
        state_ = &state;
    }
    HWND window() const { return main_; }
    // The texture preview's window, or null before it was first shown.
    HWND preview_window() const;
    // The control the core gave the focus while the preview was the active
    // window, for the main window to focus when it is activated; null if none.
    HWND take_pending_focus();
    // The main window's focused control as the preview becomes active.
    void keep_focus_for_return(HWND focus);
    HINSTANCE instance() const { return instance_; }

    // True while a call into the core runs. Edit controls notify their parent
    // when the program writes their text or moves the focus away from them;
    // the core already ran the matching handlers itself, so those
    // notifications must not be reported as if the user had acted.
    bool core_running() const { return core_depth_ > 0; }

    void set_menu_item(int command_id, const MenuItemChange& change) override;
    void set_up_panel(const PanelSetup& setup) override;
    void show_field_text(int field_id, std::string_view text) override;
    std::string field_text(int field_id) const override;
    void enable_control(int id, bool enabled) override;
    void set_control_value(int id, int value) override;
    void set_focus(int id) override;
    int focused_control() const override;
    void fill_swatch(int id, Rgb color, CellMark mark) override;
    void frame_cell(int index) override;
    Rgb system_color(SystemColor which) const override;
    void request_repaint() override;
    std::optional<FileAnswer> file_dialog(const FileDialogRequest& request) override;
    std::optional<int> select_clut_dialog(
        const std::vector<std::string>& entries,
        const std::function<std::optional<int>(std::string_view typed)>& accept) override;
    std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) override;
    void run_finder(const FinderView& view,
                    const std::function<void(const FinderEvent&)>& report) override;
    void show_finder(const FinderView& view) override { finder_.show(view); }
    // finder_wake_message reached the main window.
    void wake_finder() { finder_.wake(); }
    std::optional<ColorAdjustment> adjust_colors_dialog(
        const std::function<void(const ColorAdjustment&)>& changed) override;
    std::optional<int> choose_from_list(std::string_view title, std::string_view prompt,
                                        const std::vector<std::string>& entries, int preselected,
                                        bool filter) override;
    void show_message(MessageKind kind, std::string_view message) override;
    OpenDocumentResult open_document(const std::string& path) override;
    void set_clipboard_colors(std::string_view text, std::string_view color_words) override;
    std::optional<std::string> clipboard_text() override;
    void set_status_text(StatusLine line, std::string_view text) override;
    std::string program_dir() const;  // with a trailing separator
    void quit() override;
    void show_preview(const PreviewChange& change) override;

  private:
    friend class CoreCall;

    HWND item(int id) const { return GetDlgItem(main_, id); }
    bool preview_active() const;

    HINSTANCE instance_;
    HWND main_ = nullptr;
    EditorState* state_ = nullptr;
    std::unique_ptr<PreviewWindow> preview_;
    FinderWindow finder_;
    HWND pending_focus_ = nullptr;
    int core_depth_ = 0;
};

// Brackets one call into the core; nests.
class CoreCall {
  public:
    explicit CoreCall(Win32WindowLayer& layer) : layer_(layer) { ++layer_.core_depth_; }
    ~CoreCall() { --layer_.core_depth_; }
    CoreCall(const CoreCall&) = delete;
    CoreCall& operator=(const CoreCall&) = delete;

  private:
    Win32WindowLayer& layer_;
};

}  // namespace tavrin::win32
