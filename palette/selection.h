// The selected palette indices: a singly linked list, newest first. The head is
// the entry the colour panel edits; the tail (oldest) is the far end of a blend
// and the fixed corner of a Shift+arrow rectangle.
#pragma once

#include <cstdint>

namespace tavrin {

struct SelectionNode {
    std::int16_t index = 0;
    SelectionNode* next = nullptr;  // the node pushed before this one
};

// Indices are kept and compared as their low 16 bits.

// Links a new node holding index in front of head; does not look for
// duplicates. Returns false, leaving the list unchanged, when no node could be
// allocated: the index is then simply not selected, which every caller
// tolerates, rather than the program ending mid-edit.
bool selection_push(SelectionNode*& head, int index);

// Removes and frees the first node, counted from the head, holding index.
void selection_remove(SelectionNode*& head, int index);

bool selection_contains(const SelectionNode* head, int index);
int selection_count(const SelectionNode* head);

// The oldest node, or nullptr for the empty list.
const SelectionNode* selection_tail(const SelectionNode* head);

// Frees every node and empties the list.
void selection_clear(SelectionNode*& head);

}  // namespace tavrin
