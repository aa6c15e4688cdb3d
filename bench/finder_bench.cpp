// The finder under the load that used to freeze it: a dense scan (a black
// one-colour CLUT in 64 MiB of zeros, a hit at every even offset) and a slow
// one (256 colours with one that must match, so each of the 256 runs over
// every word, a copy every 256 KiB). How long Cancel takes to stop a scan,
// how many hits still come after it, and the peak memory of a dense scan,
// both through the finder window's session (on the fake screen, with its
// cap) and through the scan alone (no cap, every hit streamed).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "search/search.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/finder.h"

namespace {

using Clock = std::chrono::steady_clock;
using tavrin::testing::Bytes;
using tavrin::testing::TempDir;
using Step = tavrin::testing::FakeWindowLayer::FinderStep;

constexpr std::size_t file_size = std::size_t{64} << 20;

std::vector<std::uint16_t> slow_colors() {
    std::vector<std::uint16_t> colors;
    for (int i = 0; i < 256; ++i) {
        colors.push_back(static_cast<std::uint16_t>(0x0101 + 37 * i));
    }
    return colors;
}

// The files, written once.
struct Files {
    TempDir dir;
    std::string zeros;
    std::string copies;
    std::string black;
    std::string full;

    Files() {
        Bytes bytes(file_size, 0);
        zeros = dir.write("zeros.img", bytes);
        const Bytes copy = tavrin::testing::words_to_bytes(slow_colors());
        for (std::size_t at = 0; at < bytes.size(); at += std::size_t{256} << 10) {
            std::copy(copy.begin(), copy.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        }
        copies = dir.write("copies.img", bytes);
        black = dir.write("black.clu", tavrin::testing::words_to_bytes({0x0000}));
        full = dir.write("full.clu", copy);
    }
};

const Files& files() {
    static const Files made;
    return made;
}

// Kilobytes from /proc/self/status, such as VmHWM (the peak) or VmRSS.
long status_kib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return -1;
}

// The peak goes back to what the process holds now (Linux 4.0 and later).
void reset_peak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The scan alone, cancelled from another thread after delay: the wall time
// from the cancel to the scan's end, and the hits delivered meanwhile.
void cancel_scan(benchmark::State& state, const std::string& path,
                 const tavrin::search::ClutQuery& query, std::chrono::milliseconds delay) {
    std::uint64_t late_hits = 0;
    for (auto _ : state) {
        std::atomic<bool> cancel{false};
        std::uint64_t after = 0;
        tavrin::search::Observer observer;
        observer.cancel = &cancel;
        observer.hit = [&](const tavrin::search::Hit&) {
            after += cancel.load(std::memory_order_relaxed) ? 1 : 0;
        };
        Clock::time_point ended;
        tavrin::search::ScanEnd end = tavrin::search::ScanEnd::done;
        std::thread scan([&] {
            end = tavrin::search::find_clut(path, query, observer).end;
            ended = Clock::now();
        });
        std::this_thread::sleep_for(delay);
        const auto pressed = Clock::now();
        cancel.store(true);
        scan.join();
        if (end != tavrin::search::ScanEnd::cancelled) {
            state.SkipWithError("the scan ended before it was cancelled");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(ended - pressed).count());
        late_hits += after;
    }
    state.counters["hits_after_cancel"] =
        benchmark::Counter(static_cast<double>(late_hits), benchmark::Counter::kAvgIterations);
}

void BM_CancelDenseScan(benchmark::State& state) {
    tavrin::search::ClutQuery query;
    query.words = {0x0000};
    cancel_scan(state, files().zeros, query, std::chrono::milliseconds(20));
}
BENCHMARK(BM_CancelDenseScan)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_CancelSlowScan(benchmark::State& state) {
    tavrin::search::ClutQuery query;
    query.words = slow_colors();
    query.min_matching = 1;
    cancel_scan(state, files().copies, query, std::chrono::milliseconds(20));
}
BENCHMARK(BM_CancelSlowScan)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The finder window's Cancel on the slow scan, on the fake screen: how long
// the GUI thread spends in Cancel, and until the scan's thread has ended.
void BM_FinderCancel(benchmark::State& state) {
    tavrin::testing::TestEditor editor;
    editor.screen.record_calls = false;
    editor.load_clut(files().full);
    tavrin::FinderOptions one;
    one.min_matching = 1;
    double gui_ms = 0;
    for (auto _ : state) {
        editor.screen.finder_slowest_event_ms = 0;
        editor.screen.open_answers.push_back(files().copies);
        editor.screen.finder_scripts.push_back({Step::set(one), Step::just(Step::Kind::find),
                                                Step::until_rows(2), Step::just(Step::Kind::cancel),
                                                Step::just(Step::Kind::settle)});
        editor.command(tavrin::ids::find_clut);
        state.SetIterationTime(editor.screen.finder_settle_ms / 1000);
        gui_ms = std::max(gui_ms, editor.screen.finder_slowest_event_ms);
    }
    state.counters["gui_event_ms_max"] = gui_ms;
}
BENCHMARK(BM_FinderCancel)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Peak memory over what the process held before, in MiB: the dense scan
// through the finder (stopped at its cap), and streamed to its end.
void BM_DenseScanPeakMemory(benchmark::State& state) {
    const bool session = state.range(0) == 0;
    tavrin::testing::TestEditor editor;
    editor.screen.record_calls = false;
    editor.load_clut(files().black);
    long peak = 0;
    std::uint64_t hits = 0;
    for (auto _ : state) {
        reset_peak();
        const long before = status_kib("VmRSS");
        if (session) {
            editor.screen.open_answers.push_back(files().zeros);
            editor.screen.finder_scripts.push_back({Step::just(Step::Kind::find),
                                                    Step::just(Step::Kind::wait_end),
                                                    Step::just(Step::Kind::settle)});
            editor.command(tavrin::ids::find_clut);
            hits = editor.screen.finder_rows.size();
        } else {
            tavrin::search::ClutQuery query;
            query.words = {0x0000};
            tavrin::search::Observer observer;
            hits = tavrin::search::find_clut(files().zeros, query, observer).hits;
        }
        peak = std::max(peak, status_kib("VmHWM") - before);
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_DenseScanPeakMemory)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
