// The short soak, part of every test run: 20 000 random user events over a
// few dozen sessions, every invariant checked after each. TAVRIN_SOAK_SEED and
// TAVRIN_SOAK_EVENTS replay a reported failure.
#include <gtest/gtest.h>

#include "tests/soak/soak.h"

namespace tavrin::testing {
namespace {

TEST(Soak, RandomSessionsKeepEveryInvariant) {
    const SoakOptions defaults{.seed = 20240611, .events = 20000};
    const SoakOptions options = soak_options_from_environment(defaults);
    const SoakReport report = run_soak(options);
    ASSERT_TRUE(report.passed) << report.failure;
    EXPECT_EQ(report.events, options.events);
    if (options.events < defaults.events) {
        return;  // a replay of a short stretch
    }
    // The generator reached every outcome worth soaking, so the run proves something.
    for (const char* outcome : {"click",
                                "arrow",
                                "slider",
                                "type",
                                "paste text",
                                "clear field",
                                "leave field",
                                "focus",
                                "starting box",
                                "window event",
                                "tooltip",
                                "junk command",
                                "grayed command",
                                "load ok",
                                "load failed",
                                "load cancelled",
                                "save ok",
                                "save reported",
                                "extract TEX ok",
                                "extract TEX failed",
                                "extract TEX without a name",
                                "inject TEX ok",
                                "inject TEX reported",
                                "extract at ok",
                                "extract at failed",
                                "extract at, offset no number",
                                "extract at cancelled",
                                "inject at ok",
                                "inject at reported",
                                "inject at, offset no number",
                                "blend",
                                "copy",
                                "paste",
                                "zone",
                                "about",
                                "tutorial"}) {
        EXPECT_GT(report.counts.count(outcome) != 0 ? report.counts.at(outcome) : 0, 0) << outcome;
    }
    EXPECT_GT(report.sessions, 3);
}

}  // namespace
}  // namespace tavrin::testing
