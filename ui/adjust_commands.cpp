// The live adjustment of "Adjust colors...": the window only reports values,
// and everything it shows is painted from here.
#include "ui/adjust_commands.h"

#include <algorithm>
#include <array>
#include <vector>

#include "ui/color_panel.h"
#include "ui/painting.h"
#include "ui/preview.h"

namespace tavrin {

namespace {

// The selected live cells once each, or every live cell with none selected.
std::vector<int> cells_to_adjust(const EditorState& state) {
    const int count = std::clamp<int>(state.color_count, 0, palette_size);
    std::vector<int> cells;
    if (state.selection == nullptr) {
        for (int index = 0; index < count; ++index) {
            cells.push_back(index);
        }
        return cells;
    }
    std::array<bool, palette_size> taken{};
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        const int index = node->index;
        if (index >= 0 && index < count && !taken[static_cast<std::size_t>(index)]) {
            taken[static_cast<std::size_t>(index)] = true;
            cells.push_back(index);
        }
    }
    return cells;
}

// An entry whose word the adjustment leaves alone is kept as it is, 8-bit
// components included; a changed one takes the new word and keeps its bit 15
// flag as the table held it.
PaletteEntry adjusted_entry(const PaletteEntry& entry, const ColorAdjustment& adjustment) {
    const std::uint16_t word = encode_bgr555(entry);
    const std::uint16_t changed = adjust_color(word, adjustment);
    if (changed == word) {
        return entry;
    }
    PaletteEntry result = decode_bgr555(changed);
    result.high_bit = entry.high_bit;
    return result;
}

void show_head_box(const EditorState& state, WindowLayer& layer) {
    if (state.selection != nullptr && in_grid(state.selection->index)) {
        paint_preview_box(
            layer, ids::current_box,
            color_of(state.palette[static_cast<std::size_t>(state.selection->index)]));
    }
}

}  // namespace

std::optional<int> adjust_field_value(const AdjustControl& control, std::string_view typed) {
    const bool negative = !typed.empty() && typed.front() == '-';
    const std::string_view digits = negative ? typed.substr(1) : typed;
    if (digits.empty() || digits.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < control.minimum || value > control.maximum) {
        return std::nullopt;
    }
    return value;
}

void adjust_colors(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0) {
        return;
    }
    before_modal(state, layer);
    const std::array<PaletteEntry, palette_size> before = state.palette;
    const PaletteEntry focused = state.focused_entry;
    const PaletteEntry starting = state.starting_entry;
    const std::vector<int> cells = cells_to_adjust(state);

    // Each report is applied to the colours the window opened with, so a
    // slider moved back to zero gives every cell back exactly.
    const auto apply = [&](const ColorAdjustment& adjustment) {
        for (int index : cells) {
            const auto at = static_cast<std::size_t>(index);
            const PaletteEntry entry = adjusted_entry(before[at], adjustment);
            if (entry == state.palette[at]) {
                continue;
            }
            state.palette[at] = entry;
            paint_swatch(state, layer, index);
            if (state.selection != nullptr) {  // then every adjusted cell is a selected one
                frame_swatch(state, layer, index);
            }
        }
        show_head_box(state, layer);
        sync_preview(state, layer);
    };
    const std::optional<ColorAdjustment> chosen = layer.adjust_colors_dialog(apply);
    if (!chosen) {
        state.palette = before;
        state.focused_entry = focused;
        state.starting_entry = starting;
        paint_all_swatches(state, layer);
        frame_selection(state, layer, state.selection);
        paint_color_boxes(state, layer);
        sync_preview(state, layer);
        return;
    }
    apply(*chosen);
    if (state.palette != before && state.selection != nullptr) {
        // The panel takes the head as the table now holds it, unsnapped.
        show_selection_as_held(state, layer);
    }
}

}  // namespace tavrin
