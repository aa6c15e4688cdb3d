// File > "Find CLUT in file...": what the finder window offers, the scan it
// runs, the texts of its list, and what choosing a hit does. The window itself
// is the layer's (WindowLayer::run_finder); it runs run_finder_scan off the GUI
// thread and hands back the hit the user chose, which the core then reads on
// the GUI thread.
#pragma once

#include <cstdint>
#include <string>
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
};

struct FinderRequest {
    std::string path;                           // the file to search
    std::vector<std::uint16_t> live_words;      // the table's live colours
    std::vector<std::uint16_t> selected_words;  // empty without a selection
    FinderOptions options;                      // what the window starts with
};

// What the window hands back when the user double-clicks a hit: the hit and
// the choices it was found with.
struct FinderAnswer {
    search::Hit hit;
    FinderOptions options;
};

// The scan the options ask for. Reads only its arguments, so any thread may
// run it; a target with no colours to look for fails with the reason.
search::ScanResult run_finder_scan(const FinderRequest& request, const FinderOptions& options,
                                   const search::Observer& observer);

// A row of the hit list: "0x0001F2 (127474)  16 of 16 words".
std::string finder_hit_text(const search::Hit& hit);

// The status line once a scan has ended: how many hits, or why it stopped.
std::string finder_end_text(const search::ScanResult& result);

// The status line while a scan runs.
std::string finder_progress_text(std::uint64_t done, std::uint64_t total, std::uint64_t hits);

// ids::find_clut: asks for a file, shows the finder on it, and reads the chosen hit's CLUT
// as "Extract CLUT from file..." reads one; a TIM hit as "Extract CLUT from TIM
// file..." reads one, wherever in the file it starts.
void find_clut_in_file(EditorState& state, WindowLayer& layer);

}  // namespace tavrin
