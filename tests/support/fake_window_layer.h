// A recording WindowLayer: keeps what a user would see (menu states, texts,
// enabled flags, slider positions, focus, cell pixels, box colours) and answers
// modal dialogs from scripts that a test sets up beforehand.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/cell_pixels.h"
#include "ui/window_layer.h"

namespace tavrin::testing {

inline constexpr Rgb fake_scrollbar_color{200, 200, 200};
inline constexpr Rgb fake_button_face_color{240, 240, 240};

class FakeWindowLayer : public WindowLayer {
  public:
    FakeWindowLayer();

    // --- WindowLayer
    void set_menu_item(int command_id, bool enabled) override;
    void set_menu_text(int command_id, std::string_view text) override;
    void set_up_panel(const PanelSetup& setup) override;
    void show_field_text(int field_id, std::string_view text) override;
    std::string field_text(int field_id) const override;
    void enable_control(int id, bool enabled) override;
    void set_slider_position(int id, int position) override;
    int slider_position(int id) const override;
    void set_focus(int id) override;
    int focused_control() const override { return focus; }
    void fill_cell(int index, Rgb color) override;
    void frame_cell(int index) override;
    void fill_box(int id, Rgb color) override;
    Rgb system_color(SystemColor which) const override;
    void request_repaint() override { ++repaint_requests; }
    std::optional<std::string> open_file_dialog(const FileDialogRequest& request) override;
    std::optional<SaveFileAnswer> save_file_dialog(const FileDialogRequest& request) override;
    std::optional<int> select_clut_dialog(
        const std::vector<std::string>& entries,
        const std::function<std::optional<int>(std::string_view)>& accept) override;
    std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) override;
    std::optional<FinderAnswer> run_finder(const FinderRequest& request) override;
    std::optional<int> choose_from_list(std::string_view title, std::string_view prompt,
                                        const std::vector<std::string>& entries,
                                        int preselected) override;
    std::optional<ColorAdjustment> adjust_colors_dialog(
        const std::function<void(const ColorAdjustment&)>& changed) override;
    void show_preview() override { ++preview_shown; }
    void set_preview_image(int width, int height, std::span<const std::uint32_t> pixels) override;
    void set_preview_bar(const PreviewBar& bar) override { preview_bar = bar; }
    void show_about_box() override { ++about_boxes; }
    void show_error(std::string_view message) override { errors.emplace_back(message); }
    void show_message(std::string_view message) override { messages.emplace_back(message); }
    OpenDocumentResult open_document(const std::string& path) override;
    void set_clipboard_colors(std::string_view text, std::string_view color_words) override {
        clipboard_plain = std::string(text);
        clipboard_words = std::string(color_words);
    }
    std::optional<std::string> clipboard_text() override {
        return clipboard_words ? clipboard_words : clipboard_plain;
    }
    void set_status_text(StatusLine line, std::string_view text) override {
        (line == StatusLine::preview ? preview_status : status) = std::string(text);
    }
    std::string program_dir() const override { return program_folder; }
    void quit() override { ++quit_requests; }

    // --- What the screen shows
    bool menu_enabled(int command_id) const;
    bool enabled(int id) const;
    const CellPixels& cell(int index) const { return cells.at(index); }
    Rgb pixel(int index, int x, int y) const { return cells.at(index).at(x, y); }
    // True when every pixel of the cell is color (no frame).
    bool cell_is_plain(int index, Rgb color) const;
    // True when the cell shows the selection frame over color.
    bool cell_is_framed(int index, Rgb color) const;
    std::optional<Rgb> box(int id) const;

    // Every layer call in order, as short strings such as "menu 201 off",
    // "fill 17", "frame 17", "box 303", "focus 9000"; for checks of order.
    std::vector<std::string> calls;
    bool record_calls = true;  // off where only the outcome counts, for speed

    // --- Scripts for modal dialogs (consumed front first)
    std::deque<std::optional<std::string>> open_answers;
    std::deque<std::optional<std::string>> save_answers;
    std::deque<int> save_filters;  // the filter left selected; the first when none is scripted
    std::deque<std::string> clut_texts;  // typed into "Select CLUT to modify", OK after each
    std::deque<std::optional<ClutParamsAnswer>> params_answers;
    std::map<std::string, OpenDocumentResult> document_results;  // default: opened
    // The finder runs its scan at once with these choices, then double-clicks
    // the row choose names (nullopt: closes the window).
    struct FinderScript {
        FinderOptions options;
        std::optional<std::size_t> choose;
    };
    std::deque<FinderScript> finder_scripts;

    // --- Records of modal interaction
    std::vector<FileDialogRequest> open_requests;
    std::vector<FileDialogRequest> save_requests;
    std::vector<std::vector<std::string>> clut_dialog_entries;
    std::vector<std::string> params_initial_counts;
    std::vector<std::string> errors;
    std::vector<std::string> messages;
    std::vector<std::string> opened_documents;
    std::vector<FinderRequest> finder_requests;
    std::vector<std::string> finder_rows;  // the last finder's hit list
    std::string finder_status;             // and its status line at the end
    int about_boxes = 0;
    int repaint_requests = 0;
    int quit_requests = 0;
    int unanswered_dialogs = 0;  // a dialog was shown with no scripted answer left

    // The system clipboard: plain text, and Tavrin's own colour words.
    std::optional<std::string> clipboard_plain;
    std::optional<std::string> clipboard_words;
    std::string status;

    std::string program_folder = "/opt/tavrin/";
    int focus = 0;
    std::map<int, std::string> texts;
    std::map<int, bool> enabled_flags;
    std::map<int, int> slider_positions;
    std::map<int, int> text_limits;
    std::map<int, std::array<int, 3>> slider_configs;  // minimum, maximum, tick_every
    std::map<int, bool> menu;
    std::map<int, std::string> menu_texts;  // only the items whose text the core set
    std::array<CellPixels, 256> cells{};
    std::array<bool, 256> cell_painted{};
    std::map<int, Rgb> boxes;

    // --- "Adjust colors": the values set one after another, then OK with
    // the last of them, or Cancel; while_adjusting runs after each, to look at
    // the screen while the window is open.
    struct AdjustScript {
        std::vector<ColorAdjustment> moves;
        bool ok = true;
    };
    std::deque<AdjustScript> adjust_scripts;
    std::function<void(const ColorAdjustment&)> while_adjusting;
    int adjust_dialogs = 0;

    // --- The list dialog: answers (nullopt: Cancel) and the lists it showed.
    std::deque<std::optional<int>> list_answers;
    std::vector<std::vector<std::string>> list_entries;
    std::vector<int> list_preselected;

    // --- The texture preview as shown.
    int preview_shown = 0;
    int preview_draws = 0;
    int preview_width = 0;
    int preview_height = 0;
    std::vector<std::uint32_t> preview_pixels;
    std::string preview_status;
    PreviewBar preview_bar;
    Rgb preview_pixel(int x, int y) const {
        const std::uint32_t pixel =
            preview_pixels.at(static_cast<std::size_t>(y * preview_width + x));
        return Rgb{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                   static_cast<std::uint8_t>(pixel)};
    }
};

}  // namespace tavrin::testing
