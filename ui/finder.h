// File > "Find CLUT in file...": the finder session. The core runs all of it:
// what the window offers and enables, the scan on a worker thread, the hits
// taken from it in batches up to a cap, progress, Cancel, and what trying or
// choosing a hit does. A front end shows what FinderView says and reports
// what the user did as FinderEvents; the platform adds a thread and a way to
// wake the GUI thread (FinderThreads), nothing else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/search.h"

namespace tavrin {

struct EditorState;
class WindowLayer;

// What to look for.
enum class FinderTarget {
    live_colors,  // the table's live colours, in order
    selection,    // the selected colours, in index order
    tim,          // TIM images
    palettes,     // palette-like runs
};

// The choices of the finder window. The CLUT options apply to the first two
// targets only.
struct FinderOptions {
    FinderTarget target = FinderTarget::live_colors;
    bool ignore_bit15 = false;
    int tolerance = 0;     // 0 to 31 levels per channel
    int align = 2;         // 1 or 2
    int min_matching = 0;  // 0: every word

    friend bool operator==(const FinderOptions&, const FinderOptions&) = default;
};

struct FinderRequest {
    std::string path;                           // the file to search
    std::vector<std::uint16_t> live_words;      // the table's live colours
    std::vector<std::uint16_t> selected_words;  // empty without a selection
};

// The list stops here: a broader search would only flood the window.
inline constexpr std::size_t finder_max_hits = 10000;
inline constexpr std::string_view finder_cap_text = "10,000 hits shown: narrow the search";

// The scan the options ask for: the one entry point of every finder scan.
// Reads only its arguments, so any thread may run it; a target with no
// colours to look for fails with the reason.
search::ScanResult run_finder_scan(const FinderRequest& request, const FinderOptions& options,
                                   const search::Observer& observer);

// A row of the hit list: "0x1F2 (498)  CLUT, 16 words match".
std::string finder_hit_text(const search::Hit& hit);

// The status line once a scan has ended: how many hits, or why it stopped.
std::string finder_end_text(const search::ScanResult& result);

// The status line while a scan runs.
std::string finder_progress_text(std::uint64_t done, std::uint64_t total, std::uint64_t hits);

// What the finder needs of the platform besides its window; a front end sets
// both when the editor starts.
struct FinderThreads {
    // Runs work on a new thread that nobody waits for; false when none started.
    std::function<bool(std::function<void()> work)> start;
    // Called on the worker thread: asks the GUI thread to report
    // FinderEvent::Kind::wake to the finder window if it is still open. Never
    // called once the scan was let go (Cancel, Close, a new Find).
    std::function<void()> wake;
};

// Where the window puts the keyboard focus.
enum class FinderFocus { keep, find, cancel, hits };

// The finder window as the core wants it shown. Controls whose value already
// matches are left alone, so what the user is typing stays as it is.
struct FinderView {
    bool open = true;                    // false: the window goes away
    std::string file;                    // "File: ..."
    std::array<std::string, 4> targets;  // the "Look for" rows, in FinderTarget order
    FinderOptions options;
    bool target_enabled = true;
    bool clut_options_enabled = true;  // bit 15, tolerance, alignment, minimum matching
    bool find_enabled = true;
    bool cancel_enabled = false;
    // The hit list: its first rows_kept rows stay, added_rows follow them.
    std::size_t rows_kept = 0;
    std::vector<std::string> added_rows;
    int current_row = -1;  // the row selected, -1 for none
    int progress = 0;      // thousandths
    std::string status;
    FinderFocus focus = FinderFocus::keep;
};

// What the user did in the finder window, or the platform's wake.
struct FinderEvent {
    enum class Kind {
        options_changed,  // options: everything the controls show now
        find,             // Find, or Enter outside the list
        cancel,           // Cancel
        close,            // Close, Escape, the window's close box
        row_selected,     // row: a single click or an arrow key moved there
        row_chosen,       // row: a double-click, or Enter on it
        wake,             // the worker has hits, progress or its end to hand over
    };
    Kind kind = Kind::find;
    FinderOptions options;
    int row = -1;
};

// What a scan's worker and the GUI thread share; only ui/finder.cpp sees in.
struct FinderShared;

// The finder window's state, from the core's side.
struct FinderSession {
    FinderThreads threads;
    bool open = false;
    FinderRequest request;
    FinderOptions options;
    std::shared_ptr<FinderShared> scan;  // the scan being listed, if it runs
    std::vector<search::Hit> hits;       // as listed, at most finder_max_hits
    int current_row = -1;
    int progress = 0;
    std::string status;
    bool trying = false;   // the preview shows a hit's colours
    FinderOptions listed;  // what the listed hits were found with
    std::optional<search::Hit> chosen;
};

// What the window does on each event; the layer's run_finder reports here.
void on_finder_event(EditorState& state, WindowLayer& layer, const FinderEvent& event);

// Lets a running scan go, as Close does: for the editor's window going away.
void stop_finder_scan(FinderSession& session);

// ids::find_clut: asks for a file, runs the finder window on it, and reads the
// chosen hit's CLUT as "Extract CLUT from file..." reads one; a TIM hit as
// "Extract CLUT from TIM file..." reads one, wherever in the file it starts.
void find_clut_in_file(EditorState& state, WindowLayer& layer);

}  // namespace tavrin
