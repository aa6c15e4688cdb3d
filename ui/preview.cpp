// The texture preview's logic; the window itself belongs to a front end.
#include "ui/preview.h"

#include <algorithm>
#include <cstdio>

#include "files/clut_params.h"
#include "ui/disc_commands.h"
#include "ui/editor.h"
#include "ui/file_commands.h"
#include "ui/selection_input.h"
#include "ui/transparency_commands.h"

namespace tavrin {

namespace {

std::string file_name(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string hex_offset(std::int64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(offset));
    return text;
}

bool same_place(const RawPixelsPlace& a, const RawPixelsPlace& b) {
    return a.offset == b.offset && a.width == b.width && a.height == b.height &&
           a.bits_per_pixel == b.bits_per_pixel;
}

PreviewBar bar_of(const PreviewState& preview) {
    return PreviewBar{preview.raw_file,     hex_offset(preview.place.offset), preview.place.width,
                      preview.place.height, preview.place.bits_per_pixel,     !preview.from_tim};
}

constexpr std::array<std::string_view, 4> vision_names = {
    "Normal vision", "Protanopia (no red cones)", "Deuteranopia (no green cones)",
    "Tritanopia (no blue cones)"};

// The status line says when the picture is not shown as it is.
void show_status(const PreviewState& preview, WindowLayer& layer) {
    if (preview.vision == ColorVision::normal) {
        layer.set_status_text(StatusLine::preview, preview.status);
        return;
    }
    const std::string_view name = vision_names[static_cast<std::size_t>(preview.vision)];
    layer.set_status_text(StatusLine::preview, preview.status + " - simulating " +
                                                   std::string(name.substr(0, name.find(' '))));
}

void set_export_item(EditorState& state, WindowLayer& layer) {
    const PreviewState& preview = state.preview;
    set_menu_state(state, layer, ids::export_preview,
                   preview.open && preview.png_writer && !preview.image.indices.empty());
}

// Reads the image again when its file or place changed since the last read.
void load_image(EditorState& state, WindowLayer& layer) {
    PreviewState& preview = state.preview;
    const bool tim = state.origin.source.kind == ClutSource::Kind::tim_file;
    if (preview.raw_file.empty() && !tim) {
        preview.raw_file = state.origin.source.path;  // the file the CLUT came from
    }
    const bool unchanged = preview.drawn && tim == preview.from_tim &&
                           (tim ? preview.shown_source == state.origin.source
                                : preview.shown_file == preview.raw_file &&
                                      same_place(preview.shown_place, preview.place));
    if (unchanged) {
        return;
    }
    preview.from_tim = tim;
    preview.shown_source = state.origin.source;
    preview.shown_file = preview.raw_file;
    preview.shown_place = preview.place;
    preview.drawn = false;
    Status status;
    std::string described;
    if (tim) {
        TimInfo info;
        std::unique_ptr<FileSystem> view;
        const ClutSource& source = state.origin.source;
        FileSystem& fs = files_for(state, source.path, source.inside, view, status);
        if (status.ok()) {
            status = read_tim_image(fs, source.path, preview.image, info, source.tim_at);
        }
        const std::string at =
            state.origin.source.tim_at == 0
                ? std::string()
                : " at " + hex_offset(static_cast<std::int64_t>(state.origin.source.tim_at));
        described = file_name(state.origin.source.path) + at + ": " + std::to_string(info.width) +
                    " x " + std::to_string(info.height) + ", " +
                    std::to_string(info.bits_per_pixel) + " bits, CLUT row " +
                    std::to_string(state.origin.source.tim_row);
        status.reason = file_name(state.origin.source.path) + ": " + status.reason;
    } else if (preview.raw_file.empty()) {
        preview.image = IndexedImage{};
        status = Status::failure(Status::Code::invalid_argument,
                                 "Give a file, an offset and a size to see raw pixels.");
    } else {
        // The pixels of the file the CLUT came from are read where it was.
        const std::string inside =
            preview.raw_file == state.origin.source.path ? state.origin.source.inside : "";
        std::unique_ptr<FileSystem> view;
        FileSystem& fs = files_for(state, preview.raw_file, inside, view, status);
        if (status.ok()) {
            status = read_raw_pixels(fs, preview.raw_file, preview.place, preview.image);
        }
        described = file_name(preview.raw_file) + " at " + hex_offset(preview.place.offset) + ": " +
                    std::to_string(preview.place.width) + " x " +
                    std::to_string(preview.place.height) + ", " +
                    std::to_string(preview.place.bits_per_pixel) + " bits";
        status.reason = file_name(preview.raw_file) + ": " + status.reason;
    }
    preview.status = status.ok() ? described : status.reason;
    layer.show_preview({.bar = bar_of(preview)});
    show_status(preview, layer);
    set_export_item(state, layer);
}

std::array<bool, palette_size> selected_cells(const EditorState& state) {
    std::array<bool, palette_size> selected{};
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        if (node->index >= 0 && node->index < palette_size) {
            selected[static_cast<std::size_t>(node->index)] = true;
        }
    }
    return selected;
}

// The index under image pixel (x, y), or -1.
int index_at(const PreviewState& preview, int x, int y) {
    const IndexedImage& image = preview.image;
    if (x < 0 || y < 0 || x >= image.width || y >= image.height || image.indices.empty()) {
        return -1;
    }
    return image.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)];
}

}  // namespace

void sync_preview(EditorState& state, WindowLayer& layer) {
    PreviewState& preview = state.preview;
    if (!preview.open) {
        return;
    }
    load_image(state, layer);
    const int count = state.palette_loaded != 0 ? state.color_count : 0;
    const auto selected = selected_cells(state);
    if (preview.drawn && preview.drawn_count == count && preview.drawn_palette == state.palette &&
        preview.drawn_highlight == preview.highlight &&
        preview.drawn_backdrop == preview.backdrop && preview.drawn_vision == preview.vision &&
        (!preview.highlight || preview.drawn_selected == selected)) {
        return;
    }
    preview.drawn = true;
    preview.drawn_count = count;
    preview.drawn_palette = state.palette;
    preview.drawn_highlight = preview.highlight;
    preview.drawn_selected = selected;
    preview.drawn_backdrop = preview.backdrop;
    preview.drawn_vision = preview.vision;
    draw_indexed(preview.image,
                 pixel_colors(state.palette, count, preview.highlight ? &selected : nullptr,
                              &preview.backdrop, preview.vision),
                 preview.pixels);
    layer.show_preview(
        {.image = PreviewImage{preview.image.width, preview.image.height, preview.pixels}});
}

void show_preview_with(EditorState& state, WindowLayer& layer,
                       const std::array<PaletteEntry, palette_size>& colors, int count,
                       const std::string& what) {
    PreviewState& preview = state.preview;
    if (!preview.open) {
        return;
    }
    load_image(state, layer);
    draw_indexed(preview.image, pixel_colors(colors, count), preview.pixels);
    preview.drawn_count = -1;  // not the table's colours: the next sync draws again
    layer.show_preview(
        {.image = PreviewImage{preview.image.width, preview.image.height, preview.pixels}});
    layer.set_status_text(StatusLine::preview, what);
}

void show_preview_live(EditorState& state, WindowLayer& layer) {
    if (!state.preview.open) {
        return;
    }
    state.preview.drawn_count = -1;
    sync_preview(state, layer);
    layer.set_status_text(StatusLine::preview, state.preview.status);
}

void open_preview(EditorState& state, WindowLayer& layer) {
    PreviewState& preview = state.preview;
    if (!preview.open) {
        preview.open = true;
        preview.drawn = false;
    }
    layer.show_preview({.bring_forward = true});
    sync_preview(state, layer);
    set_export_item(state, layer);
}

void choose_color_vision(EditorState& state, WindowLayer& layer) {
    PreviewState& preview = state.preview;
    before_modal(state, layer);
    const auto chosen =
        layer.choose_from_list("Simulate color vision", "Show the texture preview as seen with:",
                               std::vector<std::string>(vision_names.begin(), vision_names.end()),
                               static_cast<int>(preview.vision));
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(vision_names.size())) {
        return;
    }
    preview.vision = static_cast<ColorVision>(*chosen);
    open_preview(state, layer);
    show_status(preview, layer);
}

void on_preview_closed(EditorState& state, WindowLayer& layer) {
    state.preview.open = false;
    state.preview.drawn = false;
    set_export_item(state, layer);
}

void export_preview(EditorState& state, WindowLayer& layer) {
    PreviewState& preview = state.preview;
    if (!preview.png_writer || preview.pixels.empty()) {
        return;
    }
    before_modal(state, layer);
    const auto chosen = ask_save_path(
        layer, FileDialogRequest{{{"PNG pictures", "*.PNG"}, {"All Files (*.*)", "*.*"}},
                                 preview.export_path,
                                 state.program_dir,
                                 false});
    if (!chosen) {
        return;
    }
    preview.export_path = chosen->path;
    const Status status = preview.png_writer(*state.file_system, chosen->path, preview.image.width,
                                             preview.image.height, preview.pixels);
    if (!status.ok()) {
        before_modal(state, layer);
        layer.show_message(MessageKind::error, "Could not save the preview as \"" + chosen->path +
                                                   "\": " + status.reason + ".");
    }
    report_write_warning(state, layer, chosen->path, status);
}

void on_preview_bar_changed(EditorState& state, WindowLayer& layer, const PreviewBarText& typed) {
    PreviewState& preview = state.preview;
    const TypedOffset offset = parse_offset(typed.offset);
    if (!offset.ok() || offset.value < 0) {
        const std::string problem = offset.ok() ? "the offset \"" + typed.offset + "\" is negative"
                                                : offset_problem(typed.offset, offset);
        preview.status = problem + ". Type it in decimal, or in hexadecimal after 0x.";
        preview.status[0] = 'T';
        layer.set_status_text(StatusLine::preview, preview.status);
        return;
    }
    preview.raw_file = typed.file;
    preview.place = RawPixelsPlace{offset.value, typed.width, typed.height, typed.bits_per_pixel};
    sync_preview(state, layer);
}

void on_preview_key(EditorState& state, WindowLayer& layer, PreviewKey key) {
    PreviewState& preview = state.preview;
    if (preview.from_tim) {
        return;
    }
    const auto row = static_cast<std::int64_t>(preview.place.row_bytes());
    const std::int64_t screen = row * std::max(preview.place.height, 0);
    std::int64_t step = 0;
    switch (key) {
        case PreviewKey::page_up:
            step = -screen;
            break;
        case PreviewKey::page_down:
            step = screen;
            break;
        case PreviewKey::up:
            step = -row;
            break;
        case PreviewKey::down:
            step = row;
            break;
        case PreviewKey::left:
            step = -1;
            break;
        case PreviewKey::right:
            step = 1;
            break;
    }
    // Never below the start of the file; far past its end is only reported.
    preview.place.offset =
        std::clamp<std::int64_t>(preview.place.offset + step, 0, std::int64_t{1} << 62);
    sync_preview(state, layer);
}

void on_preview_highlight(EditorState& state, WindowLayer& layer, bool on) {
    state.preview.highlight = on;
    sync_preview(state, layer);
}

void on_preview_backdrop(EditorState& state, WindowLayer& layer, const Backdrop& backdrop) {
    state.preview.backdrop = backdrop;
    sync_preview(state, layer);
}

void on_preview_hover(EditorState& state, WindowLayer& layer, int x, int y) {
    const PreviewState& preview = state.preview;
    const int index = index_at(preview, x, y);
    if (index < 0) {
        show_status(preview, layer);
        return;
    }
    std::string text =
        "x " + std::to_string(x) + ", y " + std::to_string(y) + ": index " + std::to_string(index);
    if (state.palette_loaded != 0 && index < state.color_count) {
        const PaletteEntry& entry = state.palette[static_cast<std::size_t>(index)];
        text += ", RGB " + std::to_string(entry.red) + "," + std::to_string(entry.green) + "," +
                std::to_string(entry.blue) + ", hex 0x" + hex_text(encode_bgr555(entry)) +
                transparency_suffix(encode_bgr555(entry), ", ");
    } else {
        text += ", no color";
    }
    layer.set_status_text(StatusLine::preview, text);
}

void on_preview_clicked(EditorState& state, WindowLayer& layer, int x, int y, Modifiers modifiers) {
    const int index = index_at(state.preview, x, y);
    if (index < 0 || state.palette_loaded == 0 || index >= state.color_count) {
        return;
    }
    on_swatch_clicked(state, layer, index, modifiers);
}

}  // namespace tavrin
