#include "process_timing.hpp"

namespace vevizovuvazavad::bench {

using Clock = std::chrono::steady_clock;

std::optional<TurnTotals> turn_about(benchmark::State& state, const std::function<bool()>& measured,
                                     const std::function<bool()>& reference, const char* failure) {
    TurnTotals totals;
    bool measured_first = true;
    for (auto _ : state) {
        Clock::duration measured_time{};
        for (int turn = 0; turn < 2; ++turn) {
            const bool measured_turn = (turn == 0) == measured_first;
            const auto start = Clock::now();
            const bool succeeded = measured_turn ? measured() : reference();
            const auto time = Clock::now() - start;
            if (!succeeded) {
                if (!state.error_occurred()) state.SkipWithError(failure);
                return std::nullopt;
            }
            (measured_turn ? totals.measured : totals.reference) += time;
            if (measured_turn) measured_time = time;
        }
        measured_first = !measured_first;
        state.SetIterationTime(std::chrono::duration<double>(measured_time).count());
    }
    return totals;
}

void time_against_true(benchmark::State& state, const Args& tool) {
    const Args truth = {"/bin/true"};
    const auto totals = turn_about(
        state, [&] { return run_process(tool) == 0; }, [&] { return run_process(truth) == 0; });
    if (!totals) return;

    const auto runs = static_cast<double>(state.iterations());
    const double tool_us = std::chrono::duration<double, std::micro>(totals->measured).count() / runs;
    const double true_us = std::chrono::duration<double, std::micro>(totals->reference).count() / runs;
    state.counters["tool_us"] = tool_us;
    state.counters["true_us"] = true_us;
    state.counters["ratio"] = tool_us / true_us;
}

}  // namespace vevizovuvazavad::bench
