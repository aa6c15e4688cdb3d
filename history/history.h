// Undo and redo over the palette table. A step keeps only the entries it
// changed (whole entries, bit 15 included), the colour count before and after,
// and, for a step that replaced the CLUT, a context the caller defines (where
// the CLUT came from) before and after. Memory is capped by steps and bytes;
// the oldest steps go first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "palette/palette.h"

namespace tavrin {

using PaletteTable = std::array<PaletteEntry, palette_size>;

struct EntryChange {
    std::uint8_t index = 0;
    PaletteEntry before;
    PaletteEntry after;

    friend bool operator==(const EntryChange&, const EntryChange&) = default;
};

// The changes that turn before into after, in index order.
std::vector<EntryChange> diff_tables(const PaletteTable& before, const PaletteTable& after);

// Folds later changes (made after changes) into changes, so that the result
// goes from the first before to the last after; entries that end as they
// began are dropped. Stays in index order.
void merge_changes(std::vector<EntryChange>& changes, const std::vector<EntryChange>& later);

// The step that follows a change made outside the history must start from
// the changed values and, when redone, end where it ended before: each
// changed entry's before becomes the new value, and an entry the step did not
// touch gets a change back to the value it had.
void rebase_changes(std::vector<EntryChange>& changes, const std::vector<EntryChange>& outside);

void apply_before(const std::vector<EntryChange>& changes, PaletteTable& table);
void apply_after(const std::vector<EntryChange>& changes, PaletteTable& table);

struct HistoryLimits {
    std::size_t max_steps = 10000;
    std::size_t max_bytes = std::size_t{4} << 20;
};

template <typename Context>
struct HistoryStep {
    std::string_view name;  // static text, shown in the Undo and Redo items
    int merge_key = 0;      // a later event with the same nonzero key may extend the step
    std::uint64_t id = 0;   // given by record_step, never given again
    std::vector<EntryChange> entries;
    std::int16_t count_before = 0;
    std::int16_t count_after = 0;
    // Both set for a step that replaced the CLUT, neither otherwise.
    std::optional<Context> context_before;
    std::optional<Context> context_after;
    std::size_t context_bytes = 0;  // heap memory the two contexts hold
};

// The step the last event recorded or extended, which the next event with
// the same key may extend further; id 0 when there is none.
struct OpenStep {
    std::uint64_t id = 0;
    int merge_key = 0;
};

template <typename Context>
struct History {
    std::deque<HistoryStep<Context>> steps;
    std::size_t done = 0;   // steps[0, done) are applied; the rest can be redone
    std::size_t bytes = 0;  // what the steps hold, by step_bytes
    HistoryLimits limits;
    std::uint64_t next_id = 1;
    // Reset whenever that step is removed, undone, redone or trimmed, so that
    // a later event can never extend a step it did not make.
    OpenStep open;
};

// The next event may not extend any step.
template <typename Context>
void close_open_step(History<Context>& history) {
    history.open = {};
}

template <typename Context>
std::size_t step_bytes(const HistoryStep<Context>& step) {
    return sizeof step + step.entries.capacity() * sizeof(EntryChange) + step.context_bytes;
}

template <typename Context>
bool can_undo(const History<Context>& history) {
    return history.done > 0;
}

template <typename Context>
bool can_redo(const History<Context>& history) {
    return history.done < history.steps.size();
}

// The step an undo would take back, or nullptr.
template <typename Context>
const HistoryStep<Context>* undo_step(const History<Context>& history) {
    return can_undo(history) ? &history.steps[history.done - 1] : nullptr;
}

template <typename Context>
const HistoryStep<Context>* redo_step(const History<Context>& history) {
    return can_redo(history) ? &history.steps[history.done] : nullptr;
}

template <typename Context>
void clear_history(History<Context>& history) {
    history.steps.clear();
    history.done = 0;
    history.bytes = 0;
    close_open_step(history);
}

// Drops the oldest done steps while the history is over its limits; the
// newest done step stays, and steps that can be redone are never dropped
// here (redoing one needs the state the steps before it lead to).
template <typename Context>
void trim_history(History<Context>& history) {
    while (history.done > 1 && (history.steps.size() > history.limits.max_steps ||
                                history.bytes > history.limits.max_bytes)) {
        if (history.steps.front().id == history.open.id) {
            close_open_step(history);
        }
        history.bytes -= step_bytes(history.steps.front());
        history.steps.pop_front();
        --history.done;
    }
}

// A new step, left open for the next event with its key: the steps that
// could be redone are dropped, then the oldest ones while the history is over
// its limits (the newest always stays).
template <typename Context>
void record_step(History<Context>& history, HistoryStep<Context> step) {
    while (history.steps.size() > history.done) {
        history.bytes -= step_bytes(history.steps.back());
        history.steps.pop_back();
    }
    step.id = history.next_id++;
    history.open = {step.id, step.merge_key};
    step.entries.shrink_to_fit();
    history.bytes += step_bytes(step);
    history.steps.push_back(std::move(step));
    history.done = history.steps.size();
    trim_history(history);
}

// Whether the next event with merge_key may extend the newest step: it is
// the step left open, under that key, the last one done, and nothing waits
// to be redone.
template <typename Context>
bool can_extend(const History<Context>& history, int merge_key) {
    return merge_key != 0 && history.open.merge_key == merge_key && history.done > 0 &&
           history.done == history.steps.size() && history.steps.back().id == history.open.id;
}

// Extends the newest step by later changes; a step that comes back to where
// it began is removed, as it would undo nothing, and nothing is left open.
template <typename Context>
void extend_last_step(History<Context>& history, const std::vector<EntryChange>& later,
                      std::int16_t count_after) {
    HistoryStep<Context>& step = history.steps.back();
    history.bytes -= step_bytes(step);
    merge_changes(step.entries, later);
    step.count_after = count_after;
    if (step.entries.empty() && step.count_before == step.count_after &&
        !step.context_before.has_value()) {
        history.steps.pop_back();
        --history.done;
        close_open_step(history);
        return;
    }
    history.bytes += step_bytes(step);
    trim_history(history);
}

// A change the user did not make as a step of its own (a new head snapped to
// the colour its word holds): the step before the current state now ends with
// it, and the step after starts from it, so every undo and redo stays exact.
template <typename Context>
void absorb_change(History<Context>& history, const std::vector<EntryChange>& changes,
                   std::int16_t count_before, std::int16_t count_after) {
    if (history.done > 0) {
        HistoryStep<Context>& step = history.steps[history.done - 1];
        history.bytes -= step_bytes(step);
        merge_changes(step.entries, changes);
        step.count_after = count_after;
        history.bytes += step_bytes(step);
    }
    if (history.done < history.steps.size()) {
        HistoryStep<Context>& step = history.steps[history.done];
        history.bytes -= step_bytes(step);
        rebase_changes(step.entries, changes);
        if (step.count_before == step.count_after) {
            step.count_after = count_before;
        }
        step.count_before = count_after;
        history.bytes += step_bytes(step);
    }
    trim_history(history);
}

// Takes back the newest done step on the table and count; returns the step
// (for its context) or nullptr when there is none.
template <typename Context>
const HistoryStep<Context>* undo(History<Context>& history, PaletteTable& table,
                                 std::int16_t& count) {
    if (!can_undo(history)) {
        return nullptr;
    }
    close_open_step(history);
    const HistoryStep<Context>& step = history.steps[--history.done];
    apply_before(step.entries, table);
    count = step.count_before;
    return &step;
}

template <typename Context>
const HistoryStep<Context>* redo(History<Context>& history, PaletteTable& table,
                                 std::int16_t& count) {
    if (!can_redo(history)) {
        return nullptr;
    }
    close_open_step(history);
    const HistoryStep<Context>& step = history.steps[history.done++];
    apply_after(step.entries, table);
    count = step.count_after;
    return &step;
}

}  // namespace tavrin
