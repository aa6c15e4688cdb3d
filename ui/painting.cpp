// Cell, frame and colour-box painting.
#include "ui/painting.h"

#include "palette/console_color.h"

namespace tavrin {

CellMark cell_mark(const EditorState& state, int index) {
    if (!state.options.show_transparency || !in_grid(index) || index >= state.color_count) {
        return CellMark::none;
    }
    const std::uint16_t word = encode_bgr555(state.palette[static_cast<std::size_t>(index)]);
    if (is_transparent_word(word)) {
        return CellMark::transparent;
    }
    return is_semi_transparent_word(word) ? CellMark::semi_transparent : CellMark::none;
}

void paint_swatch(const EditorState& state, WindowLayer& layer, int index) {
    if (!in_grid(index)) {
        return;
    }
    layer.fill_swatch(ids::first_swatch + index, color_of(state.palette[index]),
                      cell_mark(state, index));
}

void frame_swatch(const EditorState&, WindowLayer& layer, int index) {
    if (!in_grid(index)) {
        return;
    }
    layer.frame_cell(index);
}

void paint_all_swatches(const EditorState& state, WindowLayer& layer) {
    const int live = state.color_count;
    for (int i = 0; i < live && i < palette_size; ++i) {
        layer.fill_swatch(ids::first_swatch + i, color_of(state.palette[i]), cell_mark(state, i));
        layer.enable_control(ids::first_swatch + i, true);
    }
    const Rgb grey = layer.system_color(SystemColor::button_face);
    for (int i = live < 0 ? 0 : live; i < palette_size; ++i) {
        layer.fill_swatch(ids::first_swatch + i, grey, CellMark::none);
        layer.enable_control(ids::first_swatch + i, false);
    }
}

void frame_selection(const EditorState& state, WindowLayer& layer, const SelectionNode* list) {
    for (; list != nullptr; list = list->next) {
        frame_swatch(state, layer, list->index);
    }
}

void paint_preview_box(WindowLayer& layer, int box_id, Rgb color) {
    layer.fill_swatch(box_id, color, CellMark::none);
}

void paint_color_boxes(const EditorState& state, WindowLayer& layer) {
    if (state.selection != nullptr && state.palette_loaded != 0) {
        paint_preview_box(layer, ids::current_box, color_of(state.focused_entry));
        paint_preview_box(layer, ids::starting_box, color_of(state.starting_entry));
        return;
    }
    const Rgb empty = layer.system_color(SystemColor::scrollbar);
    paint_preview_box(layer, ids::current_box, empty);
    paint_preview_box(layer, ids::starting_box, empty);
}

}  // namespace tavrin
