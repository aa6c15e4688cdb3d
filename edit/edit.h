// The editing operations on the palette table and the selection: the blend,
// copy and paste, and the table of kit zones. Pure data work; the caller
// repaints what these report as changed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "palette/palette.h"
#include "palette/selection.h"

namespace tavrin {

using PaletteTable = std::array<PaletteEntry, palette_size>;

// Lays a gradient from the head's colour to the tail's over the selection, in
// list order. Only red, green and blue change; the head and the tail keep
// their colours. Returns how many nodes, counted from the head, were written
// (0 with fewer than two entries): those are the cells to repaint. A node
// outside the grid is neither read nor written, and with such an end nothing
// is blended.
int blend_selection(PaletteTable& palette, const SelectionNode* list);

// Where Copy gets a block for n records; returns nullptr when it has none. The
// block is released with delete[].
using RecordAllocator = PaletteEntry* (*)(std::size_t n);

// new (std::nothrow) PaletteEntry[n].
PaletteEntry* allocate_records(std::size_t n);

// Replaces the copy buffer with whole copies of the selected entries, record 0
// from the head. Returns false, leaving the buffer and count as they were, when
// the selection is empty or no block could be allocated. A node outside the
// grid copies as an all-zero record, so the pairing by position holds.
bool copy_selection(const PaletteTable& palette, const SelectionNode* list,
                    std::unique_ptr<PaletteEntry[]>& clipboard, std::int32_t& clipboard_count,
                    RecordAllocator allocate = allocate_records);

// Writes record i over the entry of node i, whole, for as many nodes as both
// the selection and the buffer have. Returns the number of pairs (0 when
// either is empty); nodes outside the grid are skipped but still counted.
int paste_clipboard(PaletteTable& palette, const SelectionNode* list, const PaletteEntry* clipboard,
                    std::int32_t clipboard_count);

// One kit zone of Edit > Select: the run of palette indices first..last.
struct Zone {
    int command_id;
    int first;
    int last;
};

// In the menu's order (F1..F12, Ctrl+F1..Ctrl+F4); the command ids do not
// follow it, the bounds do.
inline constexpr std::array<Zone, 16> zones = {{
    {214, 0, 15},
    {204, 16, 31},
    {205, 32, 47},
    {215, 48, 63},
    {216, 64, 79},
    {206, 80, 95},
    {207, 96, 111},
    {217, 112, 127},
    {218, 128, 143},
    {219, 144, 159},
    {220, 160, 175},
    {221, 176, 191},
    {222, 192, 207},
    {223, 208, 223},
    {224, 224, 239},
    {208, 240, 243},  // the shirt number: four cells only
}};

// The zone of a command id, or nullptr.
const Zone* zone_for_command(int command_id);

// Empties the selection and pushes first..last in ascending order, so last is
// the head and first the tail. Returns false if a node could not be allocated
// (the indices pushed so far stay selected).
bool select_range(SelectionNode*& list, int first, int last);

}  // namespace tavrin
