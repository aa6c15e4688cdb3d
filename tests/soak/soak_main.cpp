// tavrin_soak: the long soak, a million random user events by default.
// Usage: tavrin_soak [EVENTS [SEED]]; TAVRIN_SOAK_SEED and TAVRIN_SOAK_EVENTS
// also set them. Prints what ran and how long it took; exits with 1, the
// failure and its replay line on the first broken invariant.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tests/soak/soak.h"

int main(int argc, char** argv) {
    using tavrin::testing::SoakOptions;
    SoakOptions options =
        tavrin::testing::soak_options_from_environment(SoakOptions{.seed = 1, .events = 1000000});
    if (argc > 1) {
        options.events = std::strtol(argv[1], nullptr, 10);
    }
    if (argc > 2) {
        options.seed = std::strtoull(argv[2], nullptr, 10);
    }
    const auto start = std::chrono::steady_clock::now();
    const auto report = tavrin::testing::run_soak(options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %ld events in %ld sessions, seed %llu, %.1f s\n", report.events,
                report.sessions, static_cast<unsigned long long>(options.seed), seconds);
    for (const auto& [name, count] : report.counts) {
        std::printf("  %-32s %ld\n", name.c_str(), count);
    }
    if (!report.passed) {
        std::fprintf(stderr, "%s\n", report.failure.c_str());
        return 1;
    }
    std::printf("soak: passed\n");
    return 0;
}
