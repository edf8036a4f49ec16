#pragma once
// Timing one thing against a reference: the two run turn about in one loop,
// the first turn passing from one to the other each iteration, so that both
// see the same machine state and neither always inherits what the other left
// behind. The reported time is the measured one's. Built on it: the wall
// time of one run of the tool against /bin/true.

#include <chrono>
#include <functional>
#include <optional>

#include <benchmark/benchmark.h>

#include "process.hpp"

namespace vevizovuvazavad::bench {

// The time each side took over all the iterations.
struct TurnTotals {
    std::chrono::steady_clock::duration measured{};
    std::chrono::steady_clock::duration reference{};
};

// Runs `measured` and `reference` once each per iteration; the iteration
// time is the measured turn's. A turn returning false stops the benchmark
// with the error it gave to `state`, or `failure` when it gave none, and
// there are no totals.
std::optional<TurnTotals> turn_about(benchmark::State& state, const std::function<bool()>& measured,
                                     const std::function<bool()>& reference, const char* failure = "a run failed");

// `tool` against /bin/true, any exit status but 0 a failure. Counters:
// tool_us, true_us and their ratio.
void time_against_true(benchmark::State& state, const Args& tool);

}  // namespace vevizovuvazavad::bench
