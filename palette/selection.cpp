// The selection list's six operations.
#include "palette/selection.h"

#include <new>

namespace tavrin {

namespace {
std::int16_t key_of(int index) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(index));
}
}  // namespace

bool selection_push(SelectionNode*& head, int index) {
    auto* node = new (std::nothrow) SelectionNode{key_of(index), head};
    if (node == nullptr) {
        return false;
    }
    head = node;
    return true;
}

void selection_remove(SelectionNode*& head, int index) {
    const std::int16_t key = key_of(index);
    if (head == nullptr) {
        return;
    }
    if (head->index == key) {
        SelectionNode* old = head;
        head = head->next;
        delete old;
        return;
    }
    for (SelectionNode* cursor = head; cursor->next != nullptr; cursor = cursor->next) {
        if (cursor->next->index == key) {
            SelectionNode* found = cursor->next;
            cursor->next = found->next;
            delete found;
            return;
        }
    }
}

bool selection_contains(const SelectionNode* head, int index) {
    const std::int16_t key = key_of(index);
    for (; head != nullptr; head = head->next) {
        if (head->index == key) {
            return true;
        }
    }
    return false;
}

int selection_count(const SelectionNode* head) {
    int count = 0;
    for (; head != nullptr; head = head->next) {
        ++count;
    }
    return count;
}

const SelectionNode* selection_tail(const SelectionNode* head) {
    if (head == nullptr) {
        return nullptr;
    }
    while (head->next != nullptr) {
        head = head->next;
    }
    return head;
}

void selection_clear(SelectionNode*& head) {
    while (head != nullptr) {
        SelectionNode* next = head->next;
        delete head;
        head = next;
    }
}

}  // namespace tavrin
