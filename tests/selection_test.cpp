// The selection list: order, removal of the first match, 16-bit keys.
#include <gtest/gtest.h>

#include <vector>

#include "palette/selection.h"

namespace tavrin {
namespace {

std::vector<int> indices(const SelectionNode* head) {
    std::vector<int> out;
    for (; head != nullptr; head = head->next) {
        out.push_back(head->index);
    }
    return out;
}

struct List {
    SelectionNode* head = nullptr;
    ~List() { selection_clear(head); }
};

TEST(SelectionList, NewestFirstWithTailAndCount) {
    List list;
    EXPECT_EQ(selection_count(list.head), 0);
    EXPECT_EQ(selection_tail(list.head), nullptr);
    selection_push(list.head, 5);
    EXPECT_EQ(selection_tail(list.head), list.head);
    selection_push(list.head, 9);
    selection_push(list.head, 2);
    EXPECT_EQ(indices(list.head), (std::vector<int>{2, 9, 5}));
    EXPECT_EQ(selection_tail(list.head)->index, 5);
    EXPECT_EQ(selection_count(list.head), 3);

    selection_remove(list.head, 9);
    EXPECT_EQ(indices(list.head), (std::vector<int>{2, 5}));
    selection_remove(list.head, 7);
    EXPECT_EQ(indices(list.head), (std::vector<int>{2, 5}));
    selection_remove(list.head, 2);
    EXPECT_EQ(indices(list.head), (std::vector<int>{5}));
    selection_remove(list.head, 5);
    EXPECT_EQ(list.head, nullptr);
    selection_remove(list.head, 5);
    EXPECT_EQ(list.head, nullptr);
}

TEST(SelectionList, DuplicatesAreRemovedOneAtATimeNewestFirst) {
    List list;
    selection_push(list.head, 4);
    selection_push(list.head, 7);
    selection_push(list.head, 4);
    selection_remove(list.head, 4);
    EXPECT_EQ(indices(list.head), (std::vector<int>{7, 4}));
    EXPECT_TRUE(selection_contains(list.head, 4));
    selection_remove(list.head, 4);
    EXPECT_FALSE(selection_contains(list.head, 4));
    EXPECT_EQ(indices(list.head), (std::vector<int>{7}));
}

TEST(SelectionList, KeysCompareAsSixteenBits) {
    List list;
    EXPECT_TRUE(selection_push(list.head, 261));
    EXPECT_EQ(list.head->index, 261);
    EXPECT_TRUE(selection_contains(list.head, 261 + 65536));
    EXPECT_FALSE(selection_contains(list.head, 260));
    selection_remove(list.head, 261 + 65536);
    EXPECT_EQ(list.head, nullptr);
}

TEST(SelectionList, ClearEmptiesAnyList) {
    List list;
    selection_clear(list.head);
    EXPECT_EQ(list.head, nullptr);
    for (int i = 0; i < 300; ++i) {
        selection_push(list.head, i % 256);
    }
    EXPECT_EQ(selection_count(list.head), 300);
    selection_clear(list.head);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(selection_count(list.head), 0);
}

}  // namespace
}  // namespace tavrin
