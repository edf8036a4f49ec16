#include "process_timing.hpp"

#include <chrono>

#include "process.hpp"

namespace vevizovuvazavad::bench {

using Clock = std::chrono::steady_clock;

void time_against_true(benchmark::State& state, const std::vector<std::string>& tool) {
    const std::vector<std::string> truth = {"/bin/true"};
    Clock::duration tool_total{}, true_total{};
    bool tool_first = true;
    for (auto _ : state) {
        Clock::duration tool_time{}, true_time{};
        int tool_status = 0, true_status = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool tool_turn = (turn == 0) == tool_first;
            const auto start = Clock::now();
            (tool_turn ? tool_status : true_status) = run_process(tool_turn ? tool : truth);
            (tool_turn ? tool_time : true_time) = Clock::now() - start;
        }
        tool_first = !tool_first;
        if (tool_status != 0 || true_status != 0) {
            state.SkipWithError("a run failed");
            return;
        }
        tool_total += tool_time;
        true_total += true_time;
        state.SetIterationTime(std::chrono::duration<double>(tool_time).count());
    }

    const auto runs = static_cast<double>(state.iterations());
    const double tool_us = std::chrono::duration<double, std::micro>(tool_total).count() / runs;
    const double true_us = std::chrono::duration<double, std::micro>(true_total).count() / runs;
    state.counters["tool_us"] = tool_us;
    state.counters["true_us"] = true_us;
    state.counters["ratio"] = tool_us / true_us;
}

}  // namespace vevizovuvazavad::bench
