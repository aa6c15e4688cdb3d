// The finder's scan, list texts and choice.
#include "ui/finder.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>

#include "disc/disc.h"
#include "disc/sectors.h"
#include "ui/disc_commands.h"
#include "ui/editor.h"
#include "ui/file_commands.h"

namespace tavrin {

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

void find_clut_in_file(EditorState& state, WindowLayer& layer) {
    before_modal(state, layer);
    const auto chosen = layer.open_file_dialog(FileDialogRequest{
        {{"All Files (*.*)", "*.*"}}, state.dialogs.other_path, state.program_dir, true});
    if (!chosen) {
        return;
    }
    state.dialogs.other_path = *chosen;
    FinderRequest request{*chosen, {}, {}, state.dialogs.finder_options};
    if (state.palette_loaded != 0) {
        request.live_words = live_words(state);
        request.selected_words = selected_words(state);
    }
    if (request.live_words.empty() && (request.options.target == FinderTarget::live_colors ||
                                       request.options.target == FinderTarget::selection)) {
        // Nothing to look for yet: TIM images are what a fresh start can find.
        request.options.target = FinderTarget::tim;
    }
    before_modal(state, layer);
    const auto answer = layer.run_finder(request);
    if (!answer) {
        return;
    }
    state.dialogs.finder_options = answer->options;
    const search::Hit& hit = answer->hit;
    switch (hit.kind) {
        case search::HitKind::clut: {
            // The whole pattern, even where a partly edited copy matched fewer words.
            const bool selection = answer->options.target == FinderTarget::selection;
            const std::size_t count =
                selection ? request.selected_words.size() : request.live_words.size();
            extract_at(state, layer, request.path, hit.offset, static_cast<int>(count));
            break;
        }
        case search::HitKind::palette:
            extract_at(state, layer, request.path, hit.offset, std::min(hit.words, palette_size));
            break;
        case search::HitKind::tim:
            if (!hit.tim.has_clut()) {
                before_modal(state, layer);
                layer.show_error("The TIM image at " + offset_text(hit.offset) + " has no CLUT.");
                break;
            }
            if (disc::ImageInfo info;
                disc::recognise(*state.file_system, request.path, info).ok() &&
                info.kind == disc::ImageKind::raw) {
                // Offsets inside a TIM count its bytes, which in a raw image
                // the sectors' codes interrupt: it is read in the disc's file
                // that holds it.
                std::string inside;
                std::uint64_t offset = 0;
                if (!file_at_image_offset(*state.file_system, request.path, hit.offset, inside,
                                          offset)) {
                    before_modal(state, layer);
                    layer.show_error("The TIM image at " + offset_text(hit.offset) +
                                     " lies in no file of the disc image, so it cannot be read.");
                    break;
                }
                extract_tim_clut_at(state, layer, request.path, offset, inside);
                break;
            }
            extract_tim_clut_at(state, layer, request.path, hit.offset);
            break;
    }
}

}  // namespace tavrin
