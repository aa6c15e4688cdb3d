// A recording WindowLayer: keeps what a user would see (menu states, texts,
// enabled flags, slider positions, focus, cell pixels, box colours) and answers
// modal dialogs from scripts that a test sets up beforehand.
#pragma once

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
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
    ~FakeWindowLayer() override;

    // --- WindowLayer, each call beside what reads back what it showed
    void set_menu_item(int command_id, const MenuItemChange& change) override;
    bool menu_enabled(int command_id) const;
    void set_up_panel(const PanelSetup& setup) override;
    void show_field_text(int field_id, std::string_view text) override;
    std::string field_text(int field_id) const override;
    void enable_control(int id, bool enabled) override;
    bool enabled(int id) const;
    void set_control_value(int id, int value) override;
    int slider_position(int id) const;  // where the core last put the slider
    void set_focus(int id) override;
    int focused_control() const override { return focus; }
    void fill_swatch(int id, Rgb color, CellMark mark) override;
    void frame_cell(int index) override;
    Rgb system_color(SystemColor which) const override;
    void request_repaint() override { ++repaint_requests; }
    std::optional<FileAnswer> file_dialog(const FileDialogRequest& request) override;
    std::optional<int> select_clut_dialog(
        const std::vector<std::string>& entries,
        const std::function<std::optional<int>(std::string_view)>& accept) override;
    std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) override;
    void run_finder(const FinderView& view,
                    const std::function<void(const FinderEvent&)>& report) override;
    void show_finder(const FinderView& view) override;
    std::optional<int> choose_from_list(std::string_view title, std::string_view prompt,
                                        const std::vector<std::string>& entries, int preselected,
                                        bool filter) override;
    std::optional<ColorAdjustment> adjust_colors_dialog(
        const std::function<void(const ColorAdjustment&)>& changed) override;
    void show_preview(const PreviewChange& change) override;
    void show_message(MessageKind kind, std::string_view message) override {
        if (kind == MessageKind::about) {
            ++about_boxes;
        } else {
            (kind == MessageKind::error ? errors : messages).emplace_back(message);
        }
    }
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
    void quit() override { ++quit_requests; }

    // --- What the screen shows
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
    // The finder window: each run follows one script, step by step, then
    // closes the window if the script left it open. The session's scans run
    // on real threads (finder_threads()), whose wakes the waiting steps
    // hand to the core, as a message loop would.
    struct FinderStep {
        enum class Kind {
            options,    // the controls are set to options
            find,       // Find
            wait_end,   // until the scan ends
            wait_rows,  // until rows are listed, or the scan ends
            cancel,     // Cancel
            close,      // Close
            select,     // row is clicked once (or reached with an arrow key)
            choose,     // row is double-clicked
            settle,     // until no scan thread runs, wakes handed over meanwhile
            look,       // runs look: the test's checks with the window open
        };
        Kind kind = Kind::find;
        FinderOptions options;
        int row = -1;
        std::size_t rows = 0;
        std::function<void()> look;

        static FinderStep just(Kind kind) {
            FinderStep step;
            step.kind = kind;
            return step;
        }
        static FinderStep set(const FinderOptions& options) {
            FinderStep step = just(Kind::options);
            step.options = options;
            return step;
        }
        static FinderStep on_row(Kind kind, int row) {
            FinderStep step = just(kind);
            step.row = row;
            return step;
        }
        static FinderStep then(std::function<void()> checks) {
            FinderStep step = just(Kind::look);
            step.look = std::move(checks);
            return step;
        }
        static FinderStep until_rows(std::size_t rows) {
            FinderStep step = just(Kind::wait_rows);
            step.rows = rows;
            return step;
        }
    };
    using FinderScript = std::vector<FinderStep>;
    std::deque<FinderScript> finder_scripts;
    // The threads and wake the session gets from this screen.
    FinderThreads finder_threads();
    // Scan threads still running.
    int finder_workers() const;

    // --- Records of modal interaction
    std::vector<FileDialogRequest> open_requests;
    std::vector<FileDialogRequest> save_requests;
    std::vector<std::vector<std::string>> clut_dialog_entries;
    std::vector<std::string> params_initial_counts;
    std::vector<std::string> errors;
    std::vector<std::string> messages;
    std::vector<std::string> opened_documents;
    std::vector<FinderView> finder_opened;  // each run's first view
    FinderView finder_view;                 // the window as last shown
    std::vector<std::string> finder_rows;   // its hit list
    std::string finder_status;              // and its status line
    double finder_slowest_event_ms = 0;     // the longest the core took over a user's event
    std::size_t finder_rows_at_cancel = 0;  // listed when Cancel or Close was pressed
    double finder_settle_ms = 0;            // from that press until no scan thread ran
    bool finder_timed_out = false;          // a waiting step gave up
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
    std::map<int, bool> checks;             // check marks and the panel's check box, as last set
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
    // With a filter field, the text in list_filters is typed into it first,
    // and the answer is a row of the narrowed list, as the user clicks one.
    std::deque<std::optional<int>> list_answers;
    std::deque<std::string> list_filters;
    std::vector<std::vector<std::string>> list_entries;
    std::vector<std::string> list_shown;  // the rows left after the last filter text
    std::vector<int> list_preselected;
    std::vector<bool> list_filtered;  // whether each list had a filter field

    // Shared with the scan threads, which may outlive this screen.
    struct FinderThreadState {
        std::mutex mutex;
        std::condition_variable changed;
        int wakes = 0;
        int running = 0;
        int changes = 0;  // a wake or a thread's end, for waiting on either
    };
    std::shared_ptr<FinderThreadState> finder_thread_state = std::make_shared<FinderThreadState>();

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
