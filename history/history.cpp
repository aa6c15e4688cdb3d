// The change lists that steps are made of.
#include "history/history.h"

#include <algorithm>

namespace tavrin {

namespace {

bool by_index(const EntryChange& change, int index) {
    return change.index < index;
}

// The change of index in changes, inserted as before == after == value when
// there is none yet.
EntryChange& change_at(std::vector<EntryChange>& changes, int index, const PaletteEntry& value) {
    auto it = std::lower_bound(changes.begin(), changes.end(), index, by_index);
    if (it == changes.end() || it->index != index) {
        it = changes.insert(it, EntryChange{static_cast<std::uint8_t>(index), value, value});
    }
    return *it;
}

void drop_unchanged(std::vector<EntryChange>& changes) {
    std::erase_if(changes, [](const EntryChange& change) { return change.before == change.after; });
}

}  // namespace

std::vector<EntryChange> diff_tables(const PaletteTable& before, const PaletteTable& after) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        count += before[i] == after[i] ? 0 : 1;
    }
    std::vector<EntryChange> changes;
    changes.reserve(count);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] != after[i]) {
            changes.push_back(EntryChange{static_cast<std::uint8_t>(i), before[i], after[i]});
        }
    }
    return changes;
}

void merge_changes(std::vector<EntryChange>& changes, const std::vector<EntryChange>& later) {
    for (const EntryChange& change : later) {
        change_at(changes, change.index, change.before).after = change.after;
    }
    drop_unchanged(changes);
}

void rebase_changes(std::vector<EntryChange>& changes, const std::vector<EntryChange>& outside) {
    for (const EntryChange& change : outside) {
        change_at(changes, change.index, change.before).before = change.after;
    }
    drop_unchanged(changes);
}

void apply_before(const std::vector<EntryChange>& changes, PaletteTable& table) {
    for (const EntryChange& change : changes) {
        table[change.index] = change.before;
    }
}

void apply_after(const std::vector<EntryChange>& changes, PaletteTable& table) {
    for (const EntryChange& change : changes) {
        table[change.index] = change.after;
    }
}

}  // namespace tavrin
