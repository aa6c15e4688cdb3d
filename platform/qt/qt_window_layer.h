// The core's WindowLayer carried out on the Qt main window's widgets.
#pragma once

#include <QObject>
#include <QString>

#include "ui/window_layer.h"

namespace tavrin::qt {

class FinderDialog;
class MainWindow;

class QtWindowLayer : public WindowLayer {
  public:
    explicit QtWindowLayer(MainWindow& window) : window_(window) {}

    // True while the program itself moves the focus, disables the focused
    // control or shows a modal window: the focus leaving a field then is not
    // the user's doing, and the core has run what that means itself.
    bool moving_focus() const { return moving_focus_ > 0; }

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
        const std::function<std::optional<int>(std::string_view)>& accept) override;
    std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) override;
    void run_finder(const FinderView& view,
                    const std::function<void(const FinderEvent&)>& report) override;
    void show_finder(const FinderView& view) override;
    // A scan's wake, on the GUI thread: to the finder window if it is open.
    void wake_finder();
    std::optional<int> choose_from_list(std::string_view title, std::string_view prompt,
                                        const std::vector<std::string>& entries, int preselected,
                                        bool filter) override;
    std::optional<ColorAdjustment> adjust_colors_dialog(
        const std::function<void(const ColorAdjustment&)>& changed) override;
    void show_preview(const PreviewChange& change) override;
    void show_message(MessageKind kind, std::string_view message) override;
    OpenDocumentResult open_document(const std::string& path) override;
    void set_clipboard_colors(std::string_view text, std::string_view color_words) override;
    std::optional<std::string> clipboard_text() override;
    void set_status_text(StatusLine line, std::string_view text) override;
    std::string program_dir() const;  // with a trailing separator
    void quit() override;

  private:
    MainWindow& window_;
    int moving_focus_ = 0;
    FinderDialog* finder_ = nullptr;  // while the finder window runs
};

// The finder's scan threads, and wakes that reach layer through receiver's
// event loop.
FinderThreads finder_threads(QObject& receiver, QtWindowLayer& layer);

// The folder the core treats as the program's own, given the executable's:
// that folder in the build tree, where help/ is copied beside the program;
// the installed data folder (share/tavrin/, holding help/) once installed.
// With a trailing separator.
std::string find_program_dir(const QString& binary_folder);

// The clipboard format that carries Tavrin's colour words between its windows.
inline constexpr const char* color_words_mime_type = "application/x-tavrin-color-words";

}  // namespace tavrin::qt
