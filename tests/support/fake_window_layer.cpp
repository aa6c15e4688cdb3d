// The recording fake of the window layer.
#include "tests/support/fake_window_layer.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "ui/field_text.h"
#include "ui/ids.h"

namespace tavrin::testing {

namespace {
std::string on_off(bool on) {
    return on ? "on" : "off";
}
}  // namespace

FakeWindowLayer::FakeWindowLayer() {
    // The main dialog template's initial panel: fields "0" and "0000", the
    // panel disabled, cells enabled but unpainted.
    for (int field : ids::decimal_fields) {
        texts.insert_or_assign(field, std::string("0"));
        enabled_flags[field] = false;
    }
    texts[ids::field_hex] = "0000";
    enabled_flags[ids::field_hex] = false;
    for (int slider : ids::sliders) {
        enabled_flags[slider] = false;
        slider_positions[slider] = 0;
    }
}

void FakeWindowLayer::set_menu_item(int command_id, const MenuItemChange& change) {
    if (change.enabled) {
        menu[command_id] = *change.enabled;
        if (record_calls) {
            calls.push_back("menu " + std::to_string(command_id) + " " + on_off(*change.enabled));
        }
    }
    if (change.checked) {
        checks[command_id] = *change.checked;
    }
    if (change.text) {
        menu_texts[command_id] = *change.text;
        if (record_calls) {
            calls.push_back("menu text " + std::to_string(command_id) + " " + *change.text);
        }
    }
}

void FakeWindowLayer::set_up_panel(const PanelSetup& setup) {
    for (int slider : ids::sliders) {
        slider_configs[slider] = {setup.slider_minimum, setup.slider_maximum,
                                  setup.slider_tick_every};
        if (record_calls) {
            calls.push_back("slider-range " + std::to_string(slider));
        }
    }
    text_limits[ids::field_hex] = setup.hex_characters;
    if (record_calls) {
        calls.push_back("limit " + std::to_string(ids::field_hex) + " " +
                        std::to_string(setup.hex_characters));
    }
}

void FakeWindowLayer::show_field_text(int field_id, std::string_view text) {
    // The limit bounds what the user types; the core's own writes are kept
    // whole.
    std::string value(text);
    texts[field_id] = value;
    if (record_calls) {
        calls.push_back("text " + std::to_string(field_id) + " " + value);
    }
}

std::string FakeWindowLayer::field_text(int field_id) const {
    auto found = texts.find(field_id);
    return found == texts.end() ? std::string() : found->second;
}

void FakeWindowLayer::enable_control(int id, bool on) {
    enabled_flags[id] = on;
    if (record_calls) {
        calls.push_back("enable " + std::to_string(id) + " " + on_off(on));
    }
}

void FakeWindowLayer::set_control_value(int id, int position) {
    if (id == ids::check_semi_transparent) {
        checks[id] = position != 0;
        return;
    }
    slider_positions[id] = position;
    if (record_calls) {
        calls.push_back("slider " + std::to_string(id) + " " + std::to_string(position));
    }
}

int FakeWindowLayer::slider_position(int id) const {
    auto found = slider_positions.find(id);
    return found == slider_positions.end() ? 0 : found->second;
}

void FakeWindowLayer::set_focus(int id) {
    focus = id;
    if (record_calls) {
        calls.push_back("focus " + std::to_string(id));
    }
}

void FakeWindowLayer::fill_swatch(int id, Rgb color, CellMark mark) {
    if (!ids::is_swatch(id)) {
        boxes[id] = color;
        if (record_calls) {
            calls.push_back("box " + std::to_string(id));
        }
        return;
    }
    const int index = id - ids::first_swatch;
    fill_cell_pixels(cells.at(index), color);
    mark_cell_pixels(cells.at(index), color, mark);
    cell_painted.at(index) = true;
    if (record_calls) {
        calls.push_back("fill " + std::to_string(index));
    }
}

void FakeWindowLayer::frame_cell(int index) {
    frame_cell_pixels(cells.at(index));
    if (record_calls) {
        calls.push_back("frame " + std::to_string(index));
    }
}

Rgb FakeWindowLayer::system_color(SystemColor which) const {
    return which == SystemColor::scrollbar ? fake_scrollbar_color : fake_button_face_color;
}

std::optional<FileAnswer> FakeWindowLayer::file_dialog(const FileDialogRequest& request) {
    if (request.kind == FileDialogKind::open) {
        open_requests.push_back(request);
        if (record_calls) {
            calls.push_back("open-dialog");
        }
        if (open_answers.empty()) {
            ++unanswered_dialogs;
            return std::nullopt;
        }
        auto answer = open_answers.front();
        open_answers.pop_front();
        return answer ? std::optional<FileAnswer>(FileAnswer{*answer, 0}) : std::nullopt;
    }
    save_requests.push_back(request);
    if (record_calls) {
        calls.push_back("save-dialog");
    }
    if (save_answers.empty()) {
        ++unanswered_dialogs;
        return std::nullopt;
    }
    const auto path = save_answers.front();
    save_answers.pop_front();
    int filter = 0;
    if (!save_filters.empty()) {
        filter = save_filters.front();
        save_filters.pop_front();
    }
    if (!path) {
        return std::nullopt;
    }
    return FileAnswer{*path, filter};
}

std::optional<int> FakeWindowLayer::select_clut_dialog(
    const std::vector<std::string>& entries,
    const std::function<std::optional<int>(std::string_view)>& accept) {
    clut_dialog_entries.push_back(entries);
    if (record_calls) {
        calls.push_back("clut-dialog");
    }
    // The real dialog cannot be cancelled; a test that runs out of typed texts
    // gets "could not be shown" rather than a hang.
    while (!clut_texts.empty()) {
        std::string typed = clut_texts.front();
        clut_texts.pop_front();
        if (auto position = accept(typed)) {
            return position;
        }
    }
    ++unanswered_dialogs;
    return std::nullopt;
}

FinderThreads FakeWindowLayer::finder_threads() {
    auto shared = finder_thread_state;
    FinderThreads threads;
    threads.start = [shared](std::function<void()> work) {
        {
            std::lock_guard lock(shared->mutex);
            ++shared->running;
        }
        std::thread([shared, work = std::move(work)] {
            work();
            std::lock_guard lock(shared->mutex);
            --shared->running;
            ++shared->changes;
            shared->changed.notify_all();
        }).detach();
        return true;
    };
    threads.wake = [shared] {
        std::lock_guard lock(shared->mutex);
        ++shared->wakes;
        ++shared->changes;
        shared->changed.notify_all();
    };
    return threads;
}

int FakeWindowLayer::finder_workers() const {
    std::lock_guard lock(finder_thread_state->mutex);
    return finder_thread_state->running;
}

FakeWindowLayer::~FakeWindowLayer() {
    // No scan of one test may still run into the next one's timings.
    std::unique_lock lock(finder_thread_state->mutex);
    finder_thread_state->changed.wait_for(lock, std::chrono::seconds(10),
                                          [&] { return finder_thread_state->running == 0; });
}

void FakeWindowLayer::show_finder(const FinderView& view) {
    finder_view = view;
    finder_view.added_rows.clear();
    finder_rows.resize(std::min(view.rows_kept, finder_rows.size()));
    finder_rows.insert(finder_rows.end(), view.added_rows.begin(), view.added_rows.end());
    finder_status = view.status;
}

void FakeWindowLayer::run_finder(const FinderView& view,
                                 const std::function<void(const FinderEvent&)>& report) {
    using Clock = std::chrono::steady_clock;
    using Kind = FinderStep::Kind;
    finder_opened.push_back(view);
    finder_rows.clear();
    show_finder(view);
    if (record_calls) {
        calls.push_back("finder");
    }
    FinderThreadState& threads = *finder_thread_state;
    Clock::time_point let_go{};
    // The user's events, timed: the window must answer at once.
    const auto user = [&](FinderEvent event) {
        const auto started = Clock::now();
        report(event);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        finder_slowest_event_ms = std::max(finder_slowest_event_ms, ms);
    };
    // Hands waiting wakes to the core until done() or the time runs out.
    const auto pump = [&](const std::function<bool()>& done, std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        int seen = 0;
        {
            std::lock_guard lock(threads.mutex);
            seen = threads.changes;
        }
        while (!done()) {
            int wakes = 0;
            {
                std::unique_lock lock(threads.mutex);
                threads.changed.wait_until(
                    lock, deadline, [&] { return threads.wakes > 0 || threads.changes != seen; });
                seen = threads.changes;
                wakes = std::exchange(threads.wakes, 0);
            }
            if (wakes > 0 && finder_view.open) {
                report(FinderEvent{FinderEvent::Kind::wake, {}, -1});
            } else if (Clock::now() >= deadline) {
                finder_timed_out = !done();
                return;
            }
        }
    };
    const auto scanning = [&] { return finder_view.open && finder_view.cancel_enabled; };
    if (finder_scripts.empty()) {
        ++unanswered_dialogs;
        report(FinderEvent{FinderEvent::Kind::close, {}, -1});
        return;
    }
    const FinderScript script = finder_scripts.front();
    finder_scripts.pop_front();
    for (const FinderStep& step : script) {
        if (!finder_view.open && step.kind != Kind::settle) {
            break;
        }
        switch (step.kind) {
            case Kind::options:
                user(FinderEvent{FinderEvent::Kind::options_changed, step.options, -1});
                break;
            case Kind::find:
                user(FinderEvent{FinderEvent::Kind::find, {}, -1});
                break;
            case Kind::wait_end:
                pump([&] { return !scanning(); }, std::chrono::seconds(60));
                break;
            case Kind::wait_rows:
                pump([&] { return !scanning() || finder_rows.size() >= step.rows; },
                     std::chrono::seconds(60));
                break;
            case Kind::cancel:
            case Kind::close:
                finder_rows_at_cancel = finder_rows.size();
                let_go = Clock::now();
                user(FinderEvent{step.kind == Kind::cancel ? FinderEvent::Kind::cancel
                                                           : FinderEvent::Kind::close,
                                 {},
                                 -1});
                break;
            case Kind::select:
                user(FinderEvent{FinderEvent::Kind::row_selected, {}, step.row});
                break;
            case Kind::choose:
                user(FinderEvent{FinderEvent::Kind::row_chosen, {}, step.row});
                break;
            case Kind::look:
                step.look();
                break;
            case Kind::settle:
                pump(
                    [&] {
                        std::lock_guard lock(threads.mutex);
                        return threads.running == 0;
                    },
                    std::chrono::seconds(60));
                finder_settle_ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - let_go).count();
                break;
        }
    }
    if (finder_view.open) {
        user(FinderEvent{FinderEvent::Kind::close, {}, -1});
    }
}

std::optional<int> FakeWindowLayer::choose_from_list(std::string_view, std::string_view,
                                                     const std::vector<std::string>& entries,
                                                     int preselected, bool filter) {
    list_entries.push_back(entries);
    list_preselected.push_back(preselected);
    list_filtered.push_back(filter);
    if (record_calls) {
        calls.push_back("list-dialog");
    }
    std::vector<int> rows;
    list_shown.clear();
    const std::string typed = filter && !list_filters.empty() ? list_filters.front() : "";
    if (filter && !list_filters.empty()) {
        list_filters.pop_front();
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (list_entry_matches(entries[i], typed)) {
            rows.push_back(static_cast<int>(i));
            list_shown.push_back(entries[i]);
        }
    }
    if (list_answers.empty()) {
        ++unanswered_dialogs;
        return std::nullopt;
    }
    const auto answer = list_answers.front();
    list_answers.pop_front();
    if (!answer || !filter) {
        return answer;
    }
    if (*answer < 0 || *answer >= static_cast<int>(rows.size())) {
        return std::nullopt;  // no such row to click: the user can only cancel
    }
    return rows[static_cast<std::size_t>(*answer)];
}

std::optional<ColorAdjustment> FakeWindowLayer::adjust_colors_dialog(
    const std::function<void(const ColorAdjustment&)>& changed) {
    ++adjust_dialogs;
    if (record_calls) {
        calls.push_back("adjust-dialog");
    }
    if (adjust_scripts.empty()) {
        ++unanswered_dialogs;
        return std::nullopt;
    }
    const AdjustScript script = adjust_scripts.front();
    adjust_scripts.pop_front();
    for (const ColorAdjustment& move : script.moves) {
        changed(move);
        if (while_adjusting) {
            while_adjusting(move);
        }
    }
    if (!script.ok) {
        return std::nullopt;
    }
    return script.moves.empty() ? ColorAdjustment{} : script.moves.back();
}

void FakeWindowLayer::show_preview(const PreviewChange& change) {
    preview_shown += change.bring_forward ? 1 : 0;
    if (change.bar) {
        preview_bar = *change.bar;
    }
    if (change.image) {
        ++preview_draws;
        preview_width = change.image->width;
        preview_height = change.image->height;
        preview_pixels.assign(change.image->pixels.begin(), change.image->pixels.end());
    }
}

std::optional<ClutParamsAnswer> FakeWindowLayer::clut_params_dialog(
    std::string_view initial_count) {
    params_initial_counts.emplace_back(initial_count);
    if (record_calls) {
        calls.push_back("params-dialog");
    }
    if (params_answers.empty()) {
        ++unanswered_dialogs;
        return std::nullopt;
    }
    auto answer = params_answers.front();
    params_answers.pop_front();
    return answer;
}

OpenDocumentResult FakeWindowLayer::open_document(const std::string& path) {
    opened_documents.push_back(path);
    auto found = document_results.find(path);
    return found == document_results.end() ? OpenDocumentResult::opened : found->second;
}

bool FakeWindowLayer::menu_enabled(int command_id) const {
    auto found = menu.find(command_id);
    return found != menu.end() && found->second;
}

bool FakeWindowLayer::enabled(int id) const {
    auto found = enabled_flags.find(id);
    // Controls start enabled unless the template disables them (set in the constructor).
    return found == enabled_flags.end() ? true : found->second;
}

bool FakeWindowLayer::cell_is_plain(int index, Rgb color) const {
    if (!cell_painted.at(index)) {
        return false;
    }
    for (const Rgb& pixel : cells.at(index).pixels) {
        if (!(pixel == color)) {
            return false;
        }
    }
    return true;
}

bool FakeWindowLayer::cell_is_framed(int index, Rgb color) const {
    if (!cell_painted.at(index)) {
        return false;
    }
    CellPixels expected;
    fill_cell_pixels(expected, color);
    frame_cell_pixels(expected);
    return expected.pixels == cells.at(index).pixels;
}

std::optional<Rgb> FakeWindowLayer::box(int id) const {
    auto found = boxes.find(id);
    if (found == boxes.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace tavrin::testing
