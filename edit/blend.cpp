// The gradient over the selection, from the head to the tail.
#include "edit/edit.h"

namespace tavrin {

namespace {

// The step is held in single precision, as the editor always has: a ramp of
// 0..14 over seven cells gives 6, not 7, in the middle. The volatile store
// forces that rounding even where the compiler keeps excess precision (x87).
float single_step(int from, int to, int intervals) {
    volatile float step = static_cast<float>(to - from) / static_cast<float>(intervals);
    return step;
}

std::uint8_t ramp_value(std::uint8_t from, int i, float step) {
    const double value =
        static_cast<double>(from) + static_cast<double>(i) * static_cast<double>(step);
    return static_cast<std::uint8_t>(static_cast<int>(value) & 0xFF);
}

}  // namespace

int blend_selection(PaletteTable& palette, const SelectionNode* list) {
    const int n = selection_count(list);
    if (n <= 1) {
        return 0;
    }
    const SelectionNode* tail = selection_tail(list);
    if (!in_grid(list->index) || !in_grid(tail->index)) {
        return 0;
    }
    // Copies: the head is written (with its own colour) before the tail is read.
    const PaletteEntry head = palette[list->index];
    const PaletteEntry far_end = palette[tail->index];
    const float step_red = single_step(head.red, far_end.red, n - 1);
    const float step_green = single_step(head.green, far_end.green, n - 1);
    const float step_blue = single_step(head.blue, far_end.blue, n - 1);

    const SelectionNode* node = list;
    for (int i = 0; i < n - 1; ++i, node = node->next) {
        if (!in_grid(node->index)) {
            continue;
        }
        PaletteEntry& entry = palette[node->index];
        entry.red = ramp_value(head.red, i, step_red);
        entry.green = ramp_value(head.green, i, step_green);
        entry.blue = ramp_value(head.blue, i, step_blue);
    }
    return n - 1;
}

}  // namespace tavrin
