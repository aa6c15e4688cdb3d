// Edit > Adjust colors...: hue, saturation and lightness of the selected
// cells (or of every live cell), shown live while the window is open.
#pragma once

#include <optional>
#include <string_view>

#include "ui/editor.h"

namespace tavrin {

// The window's three controls, by slider id: its range and the field beside it.
struct AdjustControl {
    int slider;
    int field;
    int minimum;
    int maximum;
    int ColorAdjustment::*value;
};

inline constexpr AdjustControl adjust_controls[] = {
    {ids::adjust_hue_slider, ids::adjust_hue_field, -180, 180, &ColorAdjustment::hue},
    {ids::adjust_saturation_slider, ids::adjust_saturation_field, -100, 100,
     &ColorAdjustment::saturation},
    {ids::adjust_lightness_slider, ids::adjust_lightness_field, -100, 100,
     &ColorAdjustment::lightness},
};

// What a field of the window holds as typed: a whole number, optionally
// negative, within the control's range; nullopt while it is anything else
// ("", "-", "181"), which leaves the slider where it is.
std::optional<int> adjust_field_value(const AdjustControl& control, std::string_view typed);

// ids::adjust_colors. Every value the window reports is applied afresh to
// the cells as they were when it opened, and shown on the grid, the colour
// boxes and the preview. OK keeps the last values as one undo step; Cancel
// puts back the table exactly as it was.
void adjust_colors(EditorState& state, WindowLayer& layer);

}  // namespace tavrin
