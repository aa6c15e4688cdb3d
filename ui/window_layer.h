// Everything the editor core asks of a screen. The Qt and Win32 front ends and
// the tests' recording fake implement it; the core includes no GUI header.
//
// Nested notifications: when the core writes a field's text, moves a slider or
// moves the focus, it runs the handlers that change calls for itself, so one
// write has one effect on every front end. An implementation therefore reports
// only what the user did and must not echo the core's own writes back as events.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "palette/color_adjust.h"
#include "palette/palette.h"
#include "ui/cell_pixels.h"
#include "ui/finder.h"

namespace tavrin {

enum class SystemColor {
    scrollbar,    // the empty colour boxes
    button_face,  // cells beyond the colour count
};

struct FileFilter {
    std::string label;    // "CLUT files"
    std::string pattern;  // "*.CLU;*.CLUT;*.PAL", matched without regard to case
};

enum class FileDialogKind { open, save };

struct FileDialogRequest {
    std::vector<FileFilter> filters;  // the first one is selected
    std::string path;                 // the path last chosen with this dialog's buffer
    std::string initial_dir;          // the program's folder
    bool must_exist = true;           // open dialogs and the in-place injection
    FileDialogKind kind = FileDialogKind::open;
};

// What the user typed into "CLUT parameters" before pressing OK.
struct ClutParamsAnswer {
    std::string offset_text;
    std::string count_text;
};

// A file dialog's answer with the filter that was left selected in it.
struct FileAnswer {
    std::string path;
    int filter = 0;  // index into the request's filters
};

// A message box: information has the caption "Tavrin" and the information
// icon, error the caption "Error" and the error icon; about is the About box,
// which shows the program's own text (the message is empty).
enum class MessageKind { information, error, about };

enum class OpenDocumentResult { opened, not_found, failed };

// The texture preview's raw-pixel bar: the file, the offset as text, the size
// and depth; shown only for raw pixels.
struct PreviewBar {
    std::string file;
    std::string offset;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 8;
    bool visible = true;
};

// What changes in one menu item; what is left unset stays as it was.
struct MenuItemChange {
    std::optional<bool> enabled = std::nullopt;  // or grayed
    std::optional<bool> checked = std::nullopt;  // a check mark
    // In the menu table's form: "&Undo Paste\tCtrl+Z".
    std::optional<std::string> text = std::nullopt;
};

// Pixels are 0xFFRRGGBB, rows top to bottom; the layer keeps its own copy.
struct PreviewImage {
    int width = 0;
    int height = 0;
    std::span<const std::uint32_t> pixels;
};

// What changes in the texture preview; what is left unset stays as it was.
struct PreviewChange {
    bool bring_forward = false;  // opens it, or brings it forward
    std::optional<PreviewBar> bar = std::nullopt;
    std::optional<PreviewImage> image = std::nullopt;
};

// The colour panel's fixed shape, set once when the main window is created:
// the three sliders' range and ticks, and how many characters the hex field
// takes from the user.
struct PanelSetup {
    int slider_minimum = 0;
    int slider_maximum = 255;
    int slider_tick_every = 8;
    int hex_characters = 4;
};

// The two one-line notes: the main window's title bar and the preview's
// status line.
enum class StatusLine { main_window, preview };

// Every method is pure: a front end that leaves one out does not compile.
class WindowLayer {
  public:
    virtual ~WindowLayer() = default;

    virtual void set_menu_item(int command_id, const MenuItemChange& change) = 0;

    // The colour panel. Fields are ids::field_red .. ids::field_hex.
    virtual void set_up_panel(const PanelSetup& setup) = 0;
    virtual void show_field_text(int field_id, std::string_view text) = 0;
    virtual std::string field_text(int field_id) const = 0;  // as the user left it
    // Controls by id, swatches included (first_swatch + index).
    virtual void enable_control(int id, bool enabled) = 0;
    // A slider's position, or a check box's state (1 checked, 0 not), such
    // as ids::check_semi_transparent's.
    virtual void set_control_value(int id, int value) = 0;
    virtual void set_focus(int id) = 0;
    virtual int focused_control() const = 0;  // 0 when no control of the main window has it

    // Painting. A swatch by control id: a cell (ids::first_swatch + index),
    // whose 18 x 18 client pixels keep what was last painted, with the mark
    // over the colour as mark_cell_pixels draws it, at the screen's
    // resolution; or a colour box (ids::current_box, ids::starting_box),
    // which has no mark.
    virtual void fill_swatch(int id, Rgb color, CellMark mark) = 0;
    virtual void frame_cell(int index) = 0;  // black rings at 1 and 3, white at 2, over the colour
    virtual Rgb system_color(SystemColor which) const = 0;
    virtual void request_repaint() = 0;  // the whole window, background included

    // Modal interaction. A returned nullopt means the user cancelled.
    virtual std::optional<FileAnswer> file_dialog(const FileDialogRequest& request) = 0;
    // "Select CLUT to modify": stays open until OK is pressed with a text for
    // which accept returns a list position; returns that position. nullopt only
    // when the dialog could not be shown at all.
    virtual std::optional<int> select_clut_dialog(
        const std::vector<std::string>& entries,
        const std::function<std::optional<int>(std::string_view typed)>& accept) = 0;
    // "CLUT parameters": the count field starts with initial_count.
    virtual std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) = 0;
    // The finder window, shown as view says until the core shows it closed
    // (show_finder with open false); meanwhile everything the user does in it,
    // and each wake the platform's FinderThreads::wake asked for, goes to
    // report, on the GUI thread.
    virtual void run_finder(const FinderView& view,
                            const std::function<void(const FinderEvent&)>& report) = 0;
    // The running finder window updated, or closed.
    virtual void show_finder(const FinderView& view) = 0;
    // A list to pick one entry from, preselected first; nullopt for Cancel.
    // With filter, a field above it narrows the list as the user types,
    // to the entries list_entry_matches (ui/field_text.h) keeps; the answer is always a
    // position in entries.
    virtual std::optional<int> choose_from_list(std::string_view title, std::string_view prompt,
                                                const std::vector<std::string>& entries,
                                                int preselected, bool filter = false) = 0;
    // "Adjust colors": hue, saturation and lightness, each a slider with a
    // field, and "Colorize", all starting at zero. changed runs with the
    // values after every change the user makes while the window is open.
    // Returns the values OK was pressed with; nullopt for Cancel or closing.
    virtual std::optional<ColorAdjustment> adjust_colors_dialog(
        const std::function<void(const ColorAdjustment&)>& changed) = 0;
    virtual void show_message(MessageKind kind, std::string_view message) = 0;
    virtual OpenDocumentResult open_document(const std::string& path) = 0;

    // The texture preview, a modeless window of its own.
    virtual void show_preview(const PreviewChange& change) = 0;

    // The system clipboard. Puts text (shown in any program) and the same
    // colours as 4-digit colour words in Tavrin's own format, both at once.
    virtual void set_clipboard_colors(std::string_view text, std::string_view color_words) = 0;
    // Tavrin's colour words when the clipboard holds them, else its plain
    // text; nullopt when it holds neither.
    virtual std::optional<std::string> clipboard_text() = 0;
    // A one-line note: in the main window, on what the last command did ("12
    // of 16 colors imported"), where an empty text clears it; in the preview,
    // what it shows or the pixel under the pointer.
    virtual void set_status_text(StatusLine line, std::string_view text) = 0;

    // Ends the message loop with exit code 0.
    virtual void quit() = 0;
};

// The file dialogs as the commands use them: an open dialog gives a path, a
// save dialog the path and the filter.
inline std::optional<std::string> ask_open_path(WindowLayer& layer, FileDialogRequest request) {
    request.kind = FileDialogKind::open;
    auto answer = layer.file_dialog(request);
    return answer ? std::optional<std::string>(std::move(answer->path)) : std::nullopt;
}

inline std::optional<FileAnswer> ask_save_path(WindowLayer& layer, FileDialogRequest request) {
    request.kind = FileDialogKind::save;
    return layer.file_dialog(request);
}

}  // namespace tavrin
