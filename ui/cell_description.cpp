#include "ui/cell_description.h"

#include "ui/transparency_commands.h"

namespace tavrin {

std::string cell_accessible_name(const EditorState& state, int index) {
    std::string name = "Color " + std::to_string(index) + ": ";
    if (state.palette_loaded == 0 || index < 0 || index >= state.color_count ||
        index >= palette_size) {
        return name + "empty";
    }
    const PaletteEntry& entry = state.palette[static_cast<std::size_t>(index)];
    return name + "red " + std::to_string(entry.red) + ", green " + std::to_string(entry.green) +
           ", blue " + std::to_string(entry.blue) + ", hex " + hex_text(encode_bgr555(entry)) +
           transparency_suffix(encode_bgr555(entry), ", ");
}

bool cell_selected(const EditorState& state, int index) {
    return selection_contains(state.selection, index);
}

}  // namespace tavrin
