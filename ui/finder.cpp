// The finder session: the worker's loop and what it shares with the GUI
// thread, the window's rules, and what trying or choosing a hit does.
//
// The worker never blocks and never allocates per hit: it writes hits into a
// fixed array of finder_max_hits, publishes their count with an atomic store
// and wakes the GUI thread only when no wake is on its way already, so
// however dense the hits, the GUI thread sees one wake per batch. Letting a
// scan go (Cancel, Close, a new Find) only sets flags: the GUI thread never
// waits for the worker, which sees the stop within milliseconds, finishes on
// its own and frees what it shares when the last owner lets go of it.
#include "ui/finder.h"

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <new>
#include <optional>

#include "disc/disc.h"
#include "disc/sectors.h"
#include "image/image.h"
#include "ui/disc_commands.h"
#include "ui/editor.h"
#include "ui/file_commands.h"
#include "ui/preview.h"

namespace tavrin {

struct FinderShared {
    std::atomic<bool> stop{false};  // the scan's cancel flag: the GUI's or the cap's
    std::unique_ptr<search::Hit[]> hits = std::make_unique<search::Hit[]>(finder_max_hits);
    std::atomic<std::size_t> published{0};  // hits[0, published) are written
    std::atomic<int> progress{0};           // thousandths
    std::atomic<bool> wake_pending{false};
    std::atomic<bool> finished{false};  // result and capped are written
    search::ScanResult result;
    bool capped = false;  // more hits than finder_max_hits

    // The wake goes through this gate, so none reaches the platform once the
    // GUI thread let the scan go: a spin, held only around one wake call.
    std::atomic_flag gate = ATOMIC_FLAG_INIT;
    bool attached = true;
    std::function<void()> wake;
};

namespace {

std::string offset_text(std::uint64_t offset) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%" PRIX64 " (%" PRIu64 ")", offset, offset);
    return text;
}

std::vector<std::uint16_t> live_words(const EditorState& state) {
    std::vector<std::uint16_t> words;
    for (const PaletteEntry& entry : live_entries(state)) {
        words.push_back(encode_bgr555(entry));
    }
    return words;
}

// In index order, whatever order the cells were picked in.
std::vector<std::uint16_t> selected_words(const EditorState& state) {
    std::vector<int> indices;
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        if (in_grid(node->index)) {
            indices.push_back(node->index);
        }
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    std::vector<std::uint16_t> words;
    for (int index : indices) {
        words.push_back(encode_bgr555(state.palette[static_cast<std::size_t>(index)]));
    }
    return words;
}

// --- The worker's side

void lock_gate(FinderShared& shared) {
    while (shared.gate.test_and_set(std::memory_order_acquire)) {
    }
}

// Wakes the GUI thread unless a wake is on its way; it takes everything
// published until it clears wake_pending, and anything later wakes it again.
void signal(FinderShared& shared) {
    if (shared.wake_pending.exchange(true)) {
        return;
    }
    lock_gate(shared);
    if (shared.attached && shared.wake) {
        shared.wake();
    }
    shared.gate.clear(std::memory_order_release);
}

void run_worker(FinderShared& shared, const FinderRequest& request, const FinderOptions& options) {
    std::size_t count = 0;
    search::Observer observer;
    observer.cancel = &shared.stop;
    observer.hit = [&](const search::Hit& hit) {
        if (shared.capped) {
            return;  // the rest of the scanner's last batch
        }
        if (count == finder_max_hits) {
            shared.capped = true;
            shared.stop.store(true);
            return;
        }
        shared.hits[count++] = hit;
        shared.published.store(count);
        signal(shared);
    };
    observer.progress = [&](std::uint64_t done, std::uint64_t total) {
        shared.progress.store(total == 0 ? 1000 : static_cast<int>(done * 1000 / total));
        signal(shared);
    };
    try {
        shared.result = run_finder_scan(request, options, observer);
    } catch (const std::bad_alloc&) {
        // A block's buffer on a 32-bit build with its memory spent: no crash.
        shared.result = search::ScanResult{};
        shared.result.end = search::ScanEnd::failed;
        shared.result.reason = "there is not enough memory";
    }
    shared.finished.store(true);
    signal(shared);
}

// --- The GUI thread's side

// Stops the scan and cuts it off from the window, without waiting for it.
void let_go(FinderSession& session) {
    if (!session.scan) {
        return;
    }
    FinderShared& shared = *session.scan;
    shared.stop.store(true);
    lock_gate(shared);
    shared.attached = false;
    shared.gate.clear(std::memory_order_release);
    session.scan.reset();
}

bool clut_target(FinderTarget target) {
    return target == FinderTarget::live_colors || target == FinderTarget::selection;
}

// The values the controls may hold.
FinderOptions within_limits(FinderOptions options) {
    const int target = static_cast<int>(options.target);
    if (target < 0 || target > static_cast<int>(FinderTarget::palettes)) {
        options.target = FinderTarget::live_colors;
    }
    options.tolerance = std::clamp(options.tolerance, 0, 31);
    options.align = options.align == 1 ? 1 : 2;
    options.min_matching = std::clamp(options.min_matching, 0, palette_size);
    return options;
}

FinderView view_of(const FinderSession& session) {
    FinderView view;
    view.open = session.open;
    view.file = session.request.path;
    view.targets = {
        "The table's colors (" + std::to_string(session.request.live_words.size()) + ")",
        "The selected colors (" + std::to_string(session.request.selected_words.size()) + ")",
        "TIM images", "Palette-like runs"};
    view.options = session.options;
    const bool idle = !session.scan;
    view.target_enabled = idle;
    view.clut_options_enabled = idle && clut_target(session.options.target);
    view.find_enabled = idle;
    view.cancel_enabled = !idle;
    view.rows_kept = session.hits.size();
    view.current_row = session.current_row;
    view.progress = session.progress;
    view.status = session.status;
    return view;
}

// The hits listed after rows_kept, as rows.
std::vector<std::string> rows_from(const FinderSession& session, std::size_t rows_kept) {
    std::vector<std::string> rows;
    rows.reserve(session.hits.size() - rows_kept);
    for (std::size_t i = rows_kept; i < session.hits.size(); ++i) {
        rows.push_back(finder_hit_text(session.hits[i]));
    }
    return rows;
}

// The preview back on the table's colours after trying hits.
void end_trying(EditorState& state, WindowLayer& layer) {
    if (state.finder.trying) {
        state.finder.trying = false;
        show_preview_live(state, layer);
    }
}

// The colours loading hit would give, read without loading them.
// Read as loading the hit reads them: a raw disc image through its sectors'
// data, a TIM in one in the disc's file that holds it.
Status hit_colors(EditorState& state, const search::Hit& hit, Clut& clut) {
    const FinderSession& session = state.finder;
    const std::string& path = session.request.path;
    std::string inside;
    std::uint64_t offset = hit.offset;
    if (hit.kind == search::HitKind::tim) {
        if (!hit.tim.has_clut()) {
            return Status::failure(Status::Code::invalid_argument,
                                   "The TIM image at " + offset_text(hit.offset) + " has no CLUT");
        }
        if (disc::ImageInfo info;
            disc::recognise(*state.file_system, path, info).ok() &&
            info.kind == disc::ImageKind::raw &&
            !file_at_image_offset(*state.file_system, path, hit.offset, inside, offset)) {
            return Status::failure(Status::Code::invalid_argument,
                                   "The TIM image at " + offset_text(hit.offset) +
                                       " lies in no file of the disc image");
        }
    }
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, path, inside, view, status);
    if (!status.ok()) {
        return status;
    }
    switch (hit.kind) {
        case search::HitKind::clut: {
            const bool selection = session.listed.target == FinderTarget::selection;
            const std::size_t count = selection ? session.request.selected_words.size()
                                                : session.request.live_words.size();
            return read_clut_at_offset(fs, path, static_cast<std::int64_t>(offset),
                                       static_cast<int>(count), clut);
        }
        case search::HitKind::palette:
            return read_clut_at_offset(fs, path, static_cast<std::int64_t>(offset),
                                       std::min(hit.words, palette_size), clut);
        case search::HitKind::tim:
            break;
    }
    TimInfo info;
    return read_tim_clut(fs, path, 0, clut, info, offset);
}

// With the preview open, the hit's colours on its image; nothing is loaded.
void try_hit(EditorState& state, WindowLayer& layer, const search::Hit& hit) {
    if (!state.preview.open) {
        return;
    }
    Clut clut;
    const Status status = hit_colors(state, hit, clut);
    state.finder.trying = true;  // either way the status line goes back afterwards
    if (!status.ok()) {
        // No colours of the hit's own: the live ones, and why.
        show_preview_live(state, layer);
        layer.set_status_text(StatusLine::preview, status.reason + ".");
        return;
    }
    show_preview_with(state, layer, clut.entries, clut.count,
                      "Trying the " + std::to_string(clut.count) + " colors at " +
                          offset_text(hit.offset) + ": Enter loads them, Escape goes back");
}

void start_scan(EditorState& state, WindowLayer& layer) {
    FinderSession& session = state.finder;
    if (session.scan) {
        return;
    }
    end_trying(state, layer);
    session.hits.clear();
    session.current_row = -1;
    session.progress = 0;
    session.listed = session.options;
    state.dialogs.finder_options = session.options;  // the next window starts with them
    auto shared = std::make_shared<FinderShared>();
    shared->wake = session.threads.wake;
    const bool started =
        session.threads.start &&
        session.threads.start([shared, request = session.request, options = session.options] {
            run_worker(*shared, request, options);
        });
    if (!started) {
        session.status = "Search failed: no thread could be started.";
        FinderView view = view_of(session);
        view.rows_kept = 0;
        layer.show_finder(view);
        return;
    }
    session.scan = shared;
    session.status = finder_progress_text(0, 1, 0);
    FinderView view = view_of(session);
    view.rows_kept = 0;
    // The controls about to be grayed may hold the focus: Cancel takes it.
    view.focus = FinderFocus::cancel;
    layer.show_finder(view);
}

// The wake: what the worker published since the last one.
void take_from_scan(EditorState& state, WindowLayer& layer) {
    FinderSession& session = state.finder;
    if (!session.scan) {
        return;  // a wake from a scan let go meanwhile
    }
    FinderShared& shared = *session.scan;
    shared.wake_pending.store(false);
    const bool finished = shared.finished.load();
    const std::size_t published = shared.published.load();
    const std::size_t kept = session.hits.size();
    session.hits.insert(session.hits.end(), shared.hits.get() + kept,
                        shared.hits.get() + published);
    session.progress = shared.progress.load();
    FinderView view = view_of(session);
    view.rows_kept = kept;
    view.added_rows = rows_from(session, kept);
    if (!finished) {
        session.status = finder_progress_text(static_cast<std::uint64_t>(session.progress), 1000,
                                              session.hits.size());
        view.status = session.status;
        layer.show_finder(view);
        return;
    }
    if (shared.capped) {
        session.status = std::string(finder_cap_text);
    } else {
        session.status = finder_end_text(shared.result);
        if (shared.result.end == search::ScanEnd::done) {
            session.progress = 1000;
        }
    }
    session.scan.reset();
    // The keyboard goes on to the hits, the first one selected: Enter loads it.
    if (!session.hits.empty() && session.current_row < 0) {
        session.current_row = 0;
    }
    FinderView ended = view_of(session);
    ended.rows_kept = kept;
    ended.added_rows = std::move(view.added_rows);
    ended.focus = session.hits.empty() ? FinderFocus::find : FinderFocus::hits;
    layer.show_finder(ended);
}

void cancel_scan(EditorState& state, WindowLayer& layer) {
    FinderSession& session = state.finder;
    if (!session.scan) {
        return;
    }
    // What the worker published and was not yet taken stays out: nothing
    // arrives after Cancel.
    let_go(session);
    search::ScanResult result;
    result.end = search::ScanEnd::cancelled;
    result.hits = session.hits.size();
    session.status = finder_end_text(result);
    FinderView view = view_of(session);
    view.focus = session.hits.empty() ? FinderFocus::find : FinderFocus::hits;
    layer.show_finder(view);
}

void close_finder(EditorState& state, WindowLayer& layer) {
    FinderSession& session = state.finder;
    let_go(session);
    end_trying(state, layer);
    session.open = false;
    layer.show_finder(view_of(session));
}

// A raw disc image is searched in its sectors' data as one stream, so that
// what crosses a sector's end is found; hits are reported at their offsets
// in the image file, as a hex editor shows them.
struct ScanTarget {
    search::Target target;
    std::optional<disc::DataLayout> layout;
};

ScanTarget scan_target(const std::string& path) {
    FileSystem& fs = standard_file_system();
    disc::ImageInfo info;
    disc::DataLayout layout;
    std::uint64_t length = 0;
    if (!disc::recognise(fs, path, info).ok() || info.kind != disc::ImageKind::raw ||
        !disc::data_layout(fs, path, layout, length).ok()) {
        return {search::Target(path), std::nullopt};
    }
    return {search::Target(info.data_path, search::Sectors{layout.base, layout.sector_size,
                                                           layout.data_at, disc::data_sector_size}),
            layout};
}

search::ScanResult scan(const search::Target& target, const FinderRequest& request,
                        const FinderOptions& options, const search::Observer& observer) {
    switch (options.target) {
        case FinderTarget::tim:
            return search::find_tim(target, observer);
        case FinderTarget::palettes:
            return search::find_palettes(target, search::PaletteQuery{}, observer);
        case FinderTarget::live_colors:
        case FinderTarget::selection:
            break;
    }
    const bool selection = options.target == FinderTarget::selection;
    search::ClutQuery query;
    query.words = selection ? request.selected_words : request.live_words;
    if (query.words.empty()) {
        search::ScanResult result;
        result.end = search::ScanEnd::failed;
        result.reason = selection ? "No colors are selected" : "No CLUT is loaded";
        return result;
    }
    query.ignore_bit15 = options.ignore_bit15;
    query.tolerance = options.tolerance;
    query.align = options.align;
    query.min_matching = options.min_matching;
    return search::find_clut(target, query, observer);
}

}  // namespace

search::ScanResult run_finder_scan(const FinderRequest& request, const FinderOptions& options,
                                   const search::Observer& observer) {
    const ScanTarget scanned = scan_target(request.path);
    search::Observer mapped = observer;
    if (scanned.layout && observer.hit) {
        mapped.hit = [&](const search::Hit& hit) {
            search::Hit in_image = hit;
            in_image.offset = scanned.layout->image_offset(hit.offset);
            observer.hit(in_image);
        };
    }
    return scan(scanned.target, request, options, mapped);
}

std::string finder_hit_text(const search::Hit& hit) {
    std::string text = offset_text(hit.offset);
    switch (hit.kind) {
        case search::HitKind::clut:
            text += "  CLUT, " + std::to_string(hit.words) + " words match";
            break;
        case search::HitKind::palette:
            text += "  palette-like, " + std::to_string(hit.words) + " colors, score " +
                    std::to_string(hit.score);
            break;
        case search::HitKind::tim:
            text += "  TIM " + std::to_string(hit.tim.bits_per_pixel) + "-bit, " +
                    std::to_string(hit.tim.width) + " x " + std::to_string(hit.tim.height);
            if (hit.tim.has_clut()) {
                text += ", " + std::to_string(hit.tim.clut_rows) + " x " +
                        std::to_string(hit.tim.clut_colors) + " CLUT";
            }
            break;
    }
    return text;
}

std::string finder_end_text(const search::ScanResult& result) {
    const std::string hits = result.hits == 1 ? "1 hit" : std::to_string(result.hits) + " hits";
    switch (result.end) {
        case search::ScanEnd::done:
            return "Done: " + hits + ".";
        case search::ScanEnd::cancelled:
            return "Cancelled: " + hits + ".";
        case search::ScanEnd::failed:
            break;
    }
    return "Search failed: " + result.reason + ".";
}

std::string finder_progress_text(std::uint64_t done, std::uint64_t total, std::uint64_t hits) {
    const std::uint64_t percent = total == 0 ? 100 : done * 100 / total;
    return "Searching... " + std::to_string(percent) + "%, " +
           (hits == 1 ? std::string("1 hit") : std::to_string(hits) + " hits");
}

void on_finder_event(EditorState& state, WindowLayer& layer, const FinderEvent& event) {
    FinderSession& session = state.finder;
    if (!session.open) {
        return;
    }
    const bool valid_row =
        event.row >= 0 && static_cast<std::size_t>(event.row) < session.hits.size();
    switch (event.kind) {
        case FinderEvent::Kind::options_changed:
            if (!session.scan) {
                session.options = within_limits(event.options);
            }
            layer.show_finder(view_of(session));
            break;
        case FinderEvent::Kind::find:
            start_scan(state, layer);
            break;
        case FinderEvent::Kind::cancel:
            cancel_scan(state, layer);
            break;
        case FinderEvent::Kind::close:
            close_finder(state, layer);
            break;
        case FinderEvent::Kind::row_selected:
            if (valid_row) {
                session.current_row = event.row;
                try_hit(state, layer, session.hits[static_cast<std::size_t>(event.row)]);
            }
            break;
        case FinderEvent::Kind::row_chosen:
            if (valid_row) {
                session.chosen = session.hits[static_cast<std::size_t>(event.row)];
                close_finder(state, layer);
            }
            break;
        case FinderEvent::Kind::wake:
            take_from_scan(state, layer);
            break;
    }
}

void stop_finder_scan(FinderSession& session) {
    let_go(session);
}

void find_clut_in_file(EditorState& state, WindowLayer& layer) {
    before_modal(state, layer);
    const auto chosen = ask_open_path(
        layer,
        FileDialogRequest{
            {{"All Files (*.*)", "*.*"}}, state.dialogs.other_path, state.program_dir, true});
    if (!chosen) {
        return;
    }
    state.dialogs.other_path = *chosen;
    FinderSession& session = state.finder;
    let_go(session);
    session.request = FinderRequest{*chosen, {}, {}};
    if (state.palette_loaded != 0) {
        session.request.live_words = live_words(state);
        session.request.selected_words = selected_words(state);
    }
    session.options = within_limits(state.dialogs.finder_options);
    if (session.request.live_words.empty() && clut_target(session.options.target)) {
        // Nothing to look for yet: TIM images are what a fresh start can find.
        session.options.target = FinderTarget::tim;
    }
    session.listed = session.options;
    session.hits.clear();
    session.current_row = -1;
    session.progress = 0;
    session.status = "Double-click a hit to load its CLUT.";
    session.trying = false;
    session.chosen.reset();
    session.open = true;
    before_modal(state, layer);
    layer.run_finder(view_of(session),
                     [&](const FinderEvent& event) { on_finder_event(state, layer, event); });
    if (session.open) {
        // The window went without a word: as if closed.
        let_go(session);
        end_trying(state, layer);
        session.open = false;
    }
    if (!session.chosen) {
        return;
    }
    const search::Hit hit = *session.chosen;
    session.chosen.reset();
    const std::string& path = session.request.path;
    switch (hit.kind) {
        case search::HitKind::clut: {
            // The whole pattern, even where a partly edited copy matched fewer words.
            const bool selection = session.listed.target == FinderTarget::selection;
            const std::size_t count = selection ? session.request.selected_words.size()
                                                : session.request.live_words.size();
            extract_at(state, layer, path, hit.offset, static_cast<int>(count));
            break;
        }
        case search::HitKind::palette:
            extract_at(state, layer, path, hit.offset, std::min(hit.words, palette_size));
            break;
        case search::HitKind::tim:
            if (!hit.tim.has_clut()) {
                before_modal(state, layer);
                layer.show_message(MessageKind::error,
                                   "The TIM image at " + offset_text(hit.offset) + " has no CLUT.");
                break;
            }
            if (disc::ImageInfo info; disc::recognise(*state.file_system, path, info).ok() &&
                                      info.kind == disc::ImageKind::raw) {
                // Offsets inside a TIM count its bytes, which in a raw image
                // the sectors' codes interrupt: it is read in the disc's file
                // that holds it.
                std::string inside;
                std::uint64_t offset = 0;
                if (!file_at_image_offset(*state.file_system, path, hit.offset, inside, offset)) {
                    before_modal(state, layer);
                    layer.show_message(
                        MessageKind::error,
                        "The TIM image at " + offset_text(hit.offset) +
                            " lies in no file of the disc image, so it cannot be read.");
                    break;
                }
                extract_tim_clut_at(state, layer, path, offset, inside);
                break;
            }
            extract_tim_clut_at(state, layer, path, hit.offset);
            break;
    }
}

}  // namespace tavrin
