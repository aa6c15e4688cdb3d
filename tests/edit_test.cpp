// The editing operations on their own: blend arithmetic, copy and paste
// pairing and the zone table.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "edit/edit.h"
#include "tests/support/entries.h"
#include "ui/ids.h"

namespace tavrin {
namespace {

struct Selection {
    SelectionNode* head = nullptr;
    Selection() = default;
    // The first index given ends at the head.
    Selection(std::initializer_list<int> head_first) {
        std::vector<int> order(head_first);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            selection_push(head, *it);
        }
    }
    Selection(const Selection&) = delete;
    ~Selection() { selection_clear(head); }
};

using testing::entry_of;

PaletteEntry record(std::uint16_t word) {
    return decode_bgr555(word);
}

// A table whose entry i is a distinct colour word, half of them with bit 15.
PaletteTable numbered_table() {
    PaletteTable table{};
    for (int i = 0; i < palette_size; ++i) {
        table[i] = record(static_cast<std::uint16_t>(i * 257 + 11));
    }
    return table;
}

struct BlendCase {
    const char* name;
    PaletteEntry head;
    PaletteEntry tail;
    int n;
    std::vector<std::array<int, 3>> expected;  // from the head
};

TEST(Blend, WorkedExamplesFromHeadToTail) {
    std::vector<std::array<int, 3>> greys;
    for (int k = 15; k >= 0; --k) {
        greys.push_back({17 * k, 17 * k, 17 * k});
    }
    const std::vector<BlendCase> cases = {
        {"red to blue",
         entry_of(255, 0, 0),
         entry_of(0, 0, 255),
         4,
         {{255, 0, 0}, {170, 0, 85}, {85, 0, 170}, {0, 0, 255}}},
        {"three entries",
         entry_of(200, 100, 0),
         entry_of(100, 200, 50),
         3,
         {{200, 100, 0}, {150, 150, 25}, {100, 200, 50}}},
        {"white to black", entry_of(255, 255, 255), entry_of(0, 0, 0), 16, greys},
        // The step 14/6 in single precision is just below 7/3: 3 x step
        // truncates to 6.
        {"single-precision step",
         entry_of(0, 0, 0),
         entry_of(14, 0, 0),
         7,
         {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}, {9, 0, 0}, {11, 0, 0}, {14, 0, 0}}},
        {"single-precision step reversed",
         entry_of(14, 0, 0),
         entry_of(0, 0, 0),
         7,
         {{14, 0, 0}, {11, 0, 0}, {9, 0, 0}, {7, 0, 0}, {4, 0, 0}, {2, 0, 0}, {0, 0, 0}}},
    };
    for (const BlendCase& c : cases) {
        SCOPED_TRACE(c.name);
        PaletteTable table{};
        // Indices 100 + position, pushed so that the head is position 0; the
        // entries in between start in an unrelated colour.
        Selection selection;
        for (int position = c.n - 1; position >= 0; --position) {
            selection_push(selection.head, 100 + position);
            table[100 + position] = entry_of(77, 33, 99);
        }
        table[100] = c.head;
        table[100 + c.n - 1] = c.tail;

        EXPECT_EQ(blend_selection(table, selection.head), c.n - 1);
        for (int position = 0; position < c.n; ++position) {
            const PaletteEntry& entry = table[100 + position];
            EXPECT_EQ((std::array<int, 3>{entry.red, entry.green, entry.blue}),
                      c.expected[position])
                << "position " << position;
        }
    }
}

TEST(Blend, SameRunInEitherOrderReadInIndexOrder) {
    // Index 0 red 0, index 6 red 14: the ramp differs by one in the middle
    // depending on which end was selected last.
    for (bool six_at_head : {false, true}) {
        PaletteTable table{};
        table[6] = entry_of(14, 0, 0);
        Selection selection;
        for (int i = 0; i <= 6; ++i) {
            selection_push(selection.head, six_at_head ? i : 6 - i);
        }
        blend_selection(table, selection.head);
        std::vector<int> reds;
        for (int i = 0; i <= 6; ++i) {
            reds.push_back(table[i].red);
        }
        EXPECT_EQ(reds, six_at_head ? (std::vector<int>{0, 2, 4, 7, 9, 11, 14})
                                    : (std::vector<int>{0, 2, 4, 6, 9, 11, 14}));
    }
}

TEST(Blend, OneOrTwoEntriesChangeNothing) {
    const PaletteTable before = numbered_table();
    PaletteTable table = before;
    Selection none;
    EXPECT_EQ(blend_selection(table, none.head), 0);
    Selection one{40};
    EXPECT_EQ(blend_selection(table, one.head), 0);
    EXPECT_EQ(table, before);
    // Two: the head is rewritten with its own colour, the tail not at all.
    Selection two{40, 200};
    EXPECT_EQ(blend_selection(table, two.head), 1);
    EXPECT_EQ(table, before);
}

TEST(Blend, RawAndHighBitStayAndOnlyTheSelectionChanges) {
    PaletteTable table = numbered_table();
    table[3] = entry_of(0, 0, 0);
    table[9] = entry_of(240, 120, 60);
    for (int i : {3, 5, 7, 9}) {
        table[i].high_bit = i == 5 ? high_bit_mask : 0;
        table[i].raw = static_cast<std::uint16_t>(0x1000 + i);
    }
    const PaletteTable before = table;
    Selection selection{9, 7, 5, 3};
    blend_selection(table, selection.head);

    EXPECT_EQ(table[7].red, 160);
    EXPECT_EQ(table[5].red, 80);
    EXPECT_EQ(table[5].green, 40);
    EXPECT_EQ(table[5].blue, 20);
    for (int i = 0; i < palette_size; ++i) {
        EXPECT_EQ(table[i].raw, before[i].raw) << i;
        EXPECT_EQ(table[i].high_bit, before[i].high_bit) << i;
        if (i != 5 && i != 7) {
            EXPECT_EQ(table[i], before[i]) << i;
        }
    }
}

TEST(Blend, EntriesOutsideTheGridAreNeverTouched) {
    PaletteTable table = numbered_table();
    const PaletteTable before = table;
    Selection bad_head{300, 2, 1};
    EXPECT_EQ(blend_selection(table, bad_head.head), 0);
    Selection bad_middle{0, -5, 255};
    table[0] = entry_of(0, 0, 0);
    table[255] = entry_of(200, 0, 0);
    EXPECT_EQ(blend_selection(table, bad_middle.head), 2);
    EXPECT_EQ(table[0], entry_of(0, 0, 0));
    EXPECT_EQ(table[255], entry_of(200, 0, 0));
    for (int i = 1; i < 255; ++i) {
        EXPECT_EQ(table[i], before[i]) << i;
    }
}

struct Clipboard {
    std::unique_ptr<PaletteEntry[]> block;
    std::int32_t count = 0;
};

TEST(CopyPaste, PairsByPositionFromTheHead) {
    const PaletteTable source = numbered_table();
    const PaletteEntry a = source[10];
    const PaletteEntry b = source[11];

    // [A, B, C] onto [X, Y]: X gets A, Y gets B, C is not used.
    {
        PaletteTable table = source;
        Clipboard copy;
        Selection abc{10, 11, 12};
        ASSERT_TRUE(copy_selection(table, abc.head, copy.block, copy.count));
        EXPECT_EQ(copy.count, 3);
        Selection xy{50, 60};
        EXPECT_EQ(paste_clipboard(table, xy.head, copy.block.get(), copy.count), 2);
        EXPECT_EQ(table[50], a);
        EXPECT_EQ(table[60], b);
        for (int i = 0; i < palette_size; ++i) {
            if (i != 50 && i != 60) {
                EXPECT_EQ(table[i], source[i]) << i;
            }
        }
    }
    // One onto five: only the head of the five changes.
    {
        PaletteTable table = source;
        Clipboard copy;
        Selection one{10};
        ASSERT_TRUE(copy_selection(table, one.head, copy.block, copy.count));
        Selection five{70, 71, 72, 73, 74};
        EXPECT_EQ(paste_clipboard(table, five.head, copy.block.get(), copy.count), 1);
        EXPECT_EQ(table[70], a);
        for (int i = 71; i <= 74; ++i) {
            EXPECT_EQ(table[i], source[i]) << i;
        }
    }
    // [A, B] onto [X, Y, Z]: Z, the oldest, keeps its colour.
    {
        PaletteTable table = source;
        Clipboard copy;
        Selection ab{10, 11};
        ASSERT_TRUE(copy_selection(table, ab.head, copy.block, copy.count));
        Selection xyz{90, 80, 85};
        EXPECT_EQ(paste_clipboard(table, xyz.head, copy.block.get(), copy.count), 2);
        EXPECT_EQ(table[90], a);
        EXPECT_EQ(table[80], b);
        EXPECT_EQ(table[85], source[85]);
    }
}

TEST(CopyPaste, WholeRecordsMoveIncludingTheHighBit) {
    PaletteTable table{};
    table[1] = record(0x83E0);  // green, bit 15 set
    table[2] = record(0x7C1F);  // magenta, bit 15 clear
    Clipboard copy;
    Selection from{1, 2};
    ASSERT_TRUE(copy_selection(table, from.head, copy.block, copy.count));
    Selection onto{2, 1};
    paste_clipboard(table, onto.head, copy.block.get(), copy.count);
    EXPECT_EQ(table[2].high_bit, high_bit_mask);
    EXPECT_EQ(table[2].raw, 0x83E0);
    EXPECT_EQ(encode_bgr555(table[2]), 0x83E0);
    EXPECT_EQ(table[1].high_bit, 0);
    EXPECT_EQ(encode_bgr555(table[1]), 0x7C1F);
}

TEST(CopyPaste, NewCopyReplacesTheWholeBuffer) {
    PaletteTable table = numbered_table();
    Clipboard copy;
    Selection three{1, 2, 3};
    Selection one{200};
    ASSERT_TRUE(copy_selection(table, three.head, copy.block, copy.count));
    ASSERT_TRUE(copy_selection(table, one.head, copy.block, copy.count));
    EXPECT_EQ(copy.count, 1);
    EXPECT_EQ(copy.block[0], table[200]);

    // Pasting the one record over three entries touches only the head.
    const PaletteTable before = table;
    Selection targets{5, 6, 7};
    EXPECT_EQ(paste_clipboard(table, targets.head, copy.block.get(), copy.count), 1);
    EXPECT_EQ(table[5], before[200]);
    EXPECT_EQ(table[6], before[6]);
    EXPECT_EQ(table[7], before[7]);
}

TEST(CopyPaste, NothingToCopyOrNoMemoryKeepsThePreviousBuffer) {
    PaletteTable table = numbered_table();
    Clipboard copy;
    Selection two{7, 8};
    ASSERT_TRUE(copy_selection(table, two.head, copy.block, copy.count));
    const PaletteEntry* kept = copy.block.get();

    Selection none;
    EXPECT_FALSE(copy_selection(table, none.head, copy.block, copy.count));
    EXPECT_EQ(copy.block.get(), kept);
    EXPECT_EQ(copy.count, 2);

    Selection three{1, 2, 3};
    int attempts = 0;
    static int* attempts_seen = nullptr;
    attempts_seen = &attempts;
    const RecordAllocator out_of_memory = [](std::size_t) -> PaletteEntry* {
        ++*attempts_seen;
        return nullptr;
    };
    EXPECT_FALSE(copy_selection(table, three.head, copy.block, copy.count, out_of_memory));
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(copy.block.get(), kept);
    EXPECT_EQ(copy.count, 2);
    EXPECT_EQ(copy.block[0], table[7]);
    EXPECT_EQ(copy.block[1], table[8]);

    // Paste with nothing copied or nothing selected changes nothing.
    const PaletteTable before = table;
    Clipboard empty;
    EXPECT_EQ(paste_clipboard(table, three.head, empty.block.get(), empty.count), 0);
    EXPECT_EQ(paste_clipboard(table, none.head, copy.block.get(), copy.count), 0);
    EXPECT_EQ(table, before);
}

TEST(Zones, EveryZoneItemAndNoOtherCommandFindsAZone) {
    // The menu's zone items and the zone table are kept apart: a command the
    // table lacks would select nothing, one it adds would steal another's key.
    for (int id = 0; id <= ids::last_command; ++id) {
        const Zone* zone = zone_for_command(id);
        EXPECT_EQ(zone != nullptr, ids::is_zone_item(id)) << id;
        if (zone != nullptr) {
            EXPECT_EQ(zone->command_id, id);
        }
    }
}

}  // namespace
}  // namespace tavrin
