// The program's own copy buffer: whole records, paired by position from the head.
#include <new>

#include "edit/edit.h"

namespace tavrin {

PaletteEntry* allocate_records(std::size_t n) {
    return new (std::nothrow) PaletteEntry[n];
}

bool copy_selection(const PaletteTable& palette, const SelectionNode* list,
                    std::unique_ptr<PaletteEntry[]>& clipboard, std::int32_t& clipboard_count,
                    RecordAllocator allocate) {
    const int n = selection_count(list);
    if (n == 0) {
        return false;
    }
    // The new block is taken before the old one is let go, so a failed
    // allocation leaves the previous copy usable.
    std::unique_ptr<PaletteEntry[]> block(allocate(static_cast<std::size_t>(n)));
    if (block == nullptr) {
        return false;
    }
    int i = 0;
    for (const SelectionNode* node = list; node != nullptr; node = node->next, ++i) {
        block[i] = in_grid(node->index) ? palette[node->index] : PaletteEntry{};
    }
    clipboard = std::move(block);
    clipboard_count = n;
    return true;
}

int paste_clipboard(PaletteTable& palette, const SelectionNode* list, const PaletteEntry* clipboard,
                    std::int32_t clipboard_count) {
    if (clipboard == nullptr || clipboard_count <= 0) {
        return 0;
    }
    int pairs = 0;
    for (const SelectionNode* node = list; node != nullptr && pairs < clipboard_count;
         node = node->next, ++pairs) {
        if (in_grid(node->index)) {
            palette[node->index] = clipboard[pairs];
        }
    }
    return pairs;
}

}  // namespace tavrin
