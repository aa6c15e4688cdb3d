// The soak: seeded random user sessions on the fake screen and real temporary
// files, with the editor's invariants checked after every event against a
// model built from the events alone. A failure names the seed and the event
// count that replay it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace tavrin::testing {

struct SoakOptions {
    std::uint64_t seed = 1;
    long events = 20000;          // in all, over as many sessions as that takes
    long longest_session = 4000;  // a session also ends when the user quits
};

struct SoakReport {
    bool passed = true;
    std::string failure;  // what broke, how to replay it, and the events before it
    long events = 0;
    long sessions = 0;
    std::map<std::string, long> counts;  // events and their outcomes, by name
};

SoakReport run_soak(const SoakOptions& options);

// TAVRIN_SOAK_SEED and TAVRIN_SOAK_EVENTS, when set, replace the defaults.
SoakOptions soak_options_from_environment(SoakOptions defaults);

}  // namespace tavrin::testing
