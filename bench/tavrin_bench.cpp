// tavrin_bench: how long the editor's work takes, per operation. The colour
// conversions over every 16-bit word, the selection refresh and a slider step
// over 1, 16 and 256 selected cells, a blend over 256, a full repaint through
// the recording fake screen, and the file commands' round trips, both on a
// real disk (which flushes every write) and in memory; Undo and Redo of a
// blend, recording a slider step, and the history's size after 100,000 steps.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "edit/edit.h"
#include "files/clut_files.h"
#include "image/image.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/color_panel.h"
#include "ui/painting.h"

namespace {

using tavrin::testing::Bytes;
using tavrin::testing::TempDir;
using tavrin::testing::TestEditor;
namespace ids = tavrin::ids;

constexpr int all_words = 65536;

// Reports the time of one item of those an iteration handles.
void per_item(benchmark::State& state, double items_per_iteration) {
    state.counters["per item"] =
        benchmark::Counter(items_per_iteration, benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

std::vector<std::uint16_t> sample_words(int count) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>(i * 0x9E37u + 5));
    }
    return words;
}

void BM_DecodeAllWords(benchmark::State& state) {
    for (auto _ : state) {
        for (int word = 0; word < all_words; ++word) {
            benchmark::DoNotOptimize(tavrin::decode_bgr555(static_cast<std::uint16_t>(word)));
        }
    }
    per_item(state, all_words);
}
BENCHMARK(BM_DecodeAllWords);

void BM_EncodeAllWords(benchmark::State& state) {
    std::vector<tavrin::PaletteEntry> entries;
    for (int word = 0; word < all_words; ++word) {
        entries.push_back(tavrin::decode_bgr555(static_cast<std::uint16_t>(word)));
    }
    for (auto _ : state) {
        for (const auto& entry : entries) {
            benchmark::DoNotOptimize(tavrin::encode_bgr555(entry));
        }
    }
    per_item(state, all_words);
}
BENCHMARK(BM_EncodeAllWords);

// An editor on the fake screen holding a 256-colour CLUT read from memory,
// with the first n cells selected (a click, then a Shift+click).
struct LoadedEditor {
    tavrin::MemoryFileSystem disk;
    TestEditor editor;

    explicit LoadedEditor(int selected) {
        disk.put("kit.clu", tavrin::testing::words_to_bytes(sample_words(256)));
        editor.state.file_system = &disk;
        editor.load_clut("kit.clu");
        editor.click(0);
        if (selected > 1) {
            editor.shift_click(selected - 1);
        }
        editor.screen.record_calls = false;
        editor.screen.calls.clear();
    }
};

void BM_ShowSelection(benchmark::State& state) {
    LoadedEditor loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tavrin::show_selection(loaded.editor.state, loaded.editor.screen);
    }
}
BENCHMARK(BM_ShowSelection)->Arg(1)->Arg(16)->Arg(256);

void BM_SliderStep(benchmark::State& state) {
    LoadedEditor loaded(static_cast<int>(state.range(0)));
    auto& screen = loaded.editor.screen;
    int position = 0;
    for (auto _ : state) {
        // One notch up, one notch back: every step moves every selected entry.
        position = position == 120 ? 128 : 120;
        screen.slider_positions[ids::slider_red] = position;
        tavrin::on_slider_moved(loaded.editor.state, screen, ids::slider_red, position);
    }
}
BENCHMARK(BM_SliderStep)->Arg(1)->Arg(16)->Arg(256);

// Blend colors (ids::blend) over the whole table: the gradient and the repaint of
// the 255 cells it writes.
void BM_Blend(benchmark::State& state) {
    LoadedEditor loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        loaded.editor.command(ids::blend);
    }
    per_item(state, static_cast<double>(state.range(0)));
}
BENCHMARK(BM_Blend)->Arg(256);

// The gradient alone, without painting.
void BM_BlendSelection(benchmark::State& state) {
    LoadedEditor loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tavrin::blend_selection(loaded.editor.state.palette, loaded.editor.state.selection));
    }
    per_item(state, static_cast<double>(state.range(0)));
}
BENCHMARK(BM_BlendSelection)->Arg(256);

void BM_FullRepaint(benchmark::State& state) {
    LoadedEditor loaded(16);
    for (auto _ : state) {
        tavrin::on_paint(loaded.editor.state, loaded.editor.screen);
    }
    per_item(state, 256);
}
BENCHMARK(BM_FullRepaint);

// --- Undo and Redo

// Undo then Redo of a Blend over 256 selected cells: each restores 254
// entries, repaints the grid and shows the head.
void BM_UndoRedoBlend(benchmark::State& state) {
    LoadedEditor loaded(256);
    loaded.editor.command(ids::blend);
    if (!loaded.editor.screen.menu_enabled(ids::undo)) {
        state.SkipWithError("the blend made no step");
        return;
    }
    for (auto _ : state) {
        loaded.editor.command(ids::undo);
        loaded.editor.command(ids::redo);
    }
    state.counters["steps"] = static_cast<double>(loaded.editor.state.history.steps.size());
}
BENCHMARK(BM_UndoRedoBlend);

// A slider step that becomes a step of its own (the sliders take turns, so
// none extends the one before), history trimming at its cap included.
void BM_RecordSliderStep(benchmark::State& state) {
    LoadedEditor loaded(static_cast<int>(state.range(0)));
    auto& screen = loaded.editor.screen;
    int turn = 0;
    for (auto _ : state) {
        const int slider = ids::sliders[static_cast<std::size_t>(turn % 3)];
        screen.slider_positions[slider] = (turn * 37) % 256;
        loaded.editor.move_slider(slider, screen.slider_positions[slider]);
        ++turn;
    }
    state.counters["steps kept"] = static_cast<double>(loaded.editor.state.history.steps.size());
}
BENCHMARK(BM_RecordSliderStep)->Arg(1)->Arg(256);

// What the history holds after 100,000 random steps: a new selection of 1 to
// 256 cells, then a slider, typed value or blend over it.
void BM_HistoryAfterRandomSteps(benchmark::State& state) {
    for (auto _ : state) {
        LoadedEditor loaded(1);
        TestEditor& editor = loaded.editor;
        std::mt19937 rng(7);
        const auto uniform = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(rng);
        };
        for (int step = 0; step < 100000; ++step) {
            editor.click(uniform(0, 255));
            editor.shift_click(uniform(0, 255));
            switch (uniform(0, 2)) {
                case 0:
                    editor.move_slider(ids::sliders[static_cast<std::size_t>(uniform(0, 2))],
                                       uniform(0, 255));
                    break;
                case 1:
                    editor.clear_field(ids::field_blue);
                    editor.type(ids::field_blue, std::to_string(uniform(0, 255)));
                    break;
                default:
                    editor.command(ids::blend);
                    break;
            }
        }
        const auto& history = editor.state.history;
        state.counters["steps kept"] = static_cast<double>(history.steps.size());
        state.counters["history KiB"] = static_cast<double>(history.bytes) / 1024.0;
        state.counters["cap KiB"] = static_cast<double>(history.limits.max_bytes) / 1024.0;
    }
}
BENCHMARK(BM_HistoryAfterRandomSteps)->Iterations(1)->Unit(benchmark::kMillisecond);

// The texture preview's redraw: a 1024 x 512 8-bit image through a full
// CLUT, the colour table built afresh as after every table change.
void BM_DrawIndexedImage(benchmark::State& state) {
    tavrin::IndexedImage image{1024, 512, {}};
    for (int i = 0; i < image.width * image.height; ++i) {
        image.indices.push_back(static_cast<std::uint8_t>((i * 2654435761u) >> 24));
    }
    std::array<tavrin::PaletteEntry, tavrin::palette_size> palette{};
    const auto words = sample_words(tavrin::palette_size);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = tavrin::decode_bgr555(words[i]);
    }
    std::array<bool, tavrin::palette_size> selected{};
    selected[7] = true;
    std::vector<tavrin::Argb> pixels;
    for (auto _ : state) {
        const auto colors =
            tavrin::pixel_colors(palette, 240, state.range(0) ? &selected : nullptr);
        tavrin::draw_indexed(image, colors, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    per_item(state, static_cast<double>(image.indices.size()));
}
BENCHMARK(BM_DrawIndexedImage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// --- File round trips: what the user does, through the commands.

// Reads a raw CLUT file (ids::load_clut) and saves it over itself (ids::save_clut).
void raw_clut_round_trip(benchmark::State& state, TestEditor& editor, const std::string& path) {
    for (auto _ : state) {
        editor.load_clut(path);
        editor.save_clut(path);
    }
    if (!editor.screen.errors.empty()) {
        state.SkipWithError(editor.screen.errors.front().c_str());
    }
}

// Extracts a TEX file's CLUT (ids::extract_tex) and injects it back (ids::inject_tex).
void tex_round_trip(benchmark::State& state, TestEditor& editor, const std::string& path) {
    for (auto _ : state) {
        editor.extract_tex(path);
        editor.inject_tex();
    }
    if (!editor.screen.errors.empty() || editor.state.palette_loaded == 0) {
        state.SkipWithError("the TEX round trip failed");
    }
}

// Extracts 256 colours at an offset (ids::extract_offset) and injects them back
// (ids::inject_offset).
void offset_round_trip(benchmark::State& state, TestEditor& editor, const std::string& path) {
    for (auto _ : state) {
        editor.extract_at(path, "0x200", "256");
        editor.inject_at(path, "0x200", "256");
    }
    if (!editor.screen.errors.empty()) {
        state.SkipWithError(editor.screen.errors.front().c_str());
    }
}

Bytes tex_bytes() {
    return tavrin::testing::tex_file_bytes(4096, 0, 0x0100, 0x0400, sample_words(256));
}

void BM_RoundTripOnDisk(benchmark::State& state) {
    TempDir dir;
    TestEditor editor;
    editor.screen.record_calls = false;
    switch (state.range(0)) {
        case 0:
            raw_clut_round_trip(
                state, editor,
                dir.write("kit.clu", tavrin::testing::words_to_bytes(sample_words(256))));
            state.SetLabel("Load CLUT + Save CLUT");
            break;
        case 1:
            tex_round_trip(state, editor, dir.write("team.bin", tex_bytes()));
            state.SetLabel("Extract from TEX + Inject in TEX");
            break;
        default:
            offset_round_trip(state, editor, dir.write("data.bin", tex_bytes()));
            state.SetLabel("Extract at offset + Inject at offset");
            break;
    }
}
BENCHMARK(BM_RoundTripOnDisk)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_RoundTripInMemory(benchmark::State& state) {
    tavrin::MemoryFileSystem disk;
    TestEditor editor;
    editor.state.file_system = &disk;
    editor.screen.record_calls = false;
    disk.put("kit.clu", tavrin::testing::words_to_bytes(sample_words(256)));
    disk.put("team.bin", tex_bytes());
    switch (state.range(0)) {
        case 0:
            raw_clut_round_trip(state, editor, "kit.clu");
            state.SetLabel("Load CLUT + Save CLUT");
            break;
        case 1:
            tex_round_trip(state, editor, "team.bin");
            state.SetLabel("Extract from TEX + Inject in TEX");
            break;
        default:
            offset_round_trip(state, editor, "team.bin");
            state.SetLabel("Extract at offset + Inject at offset");
            break;
    }
}
BENCHMARK(BM_RoundTripInMemory)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
