#include "process_timing.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace vevizovuvazavad::bench {

using Clock = std::chrono::steady_clock;

int run_discarding_output(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

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
            (tool_turn ? tool_status : true_status) = run_discarding_output(tool_turn ? tool : truth);
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
