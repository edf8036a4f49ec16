// Start-up cost of the tool: `retention show p.json` against /bin/true, the
// two run alternately in the same loop so that both see the same machine
// state. The reported time is the tool's; the counters give /bin/true's and
// the ratio.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "io/record_file.hpp"
#include "run_program.hpp"

namespace {

using Clock = std::chrono::steady_clock;

int run(const std::vector<std::string>& args) { return vevizovuvazavad::bench::run_program(args).status; }

std::string write_policy(const std::filesystem::path& folder) {
    namespace ids = zedododor_avovodizi::ids;
    const auto policy = vuvadededoru_contracts::RetentionPolicy::create(
                            ids::TenantId::generate(), ids::WorkspaceId::generate(), "Mail",
                            orrincore_retention::RetentionClass::compliance, 30, 3650,
                            vuvadededoru_contracts::DispositionBehavior::review_required,
                            zedododor_avovodizi::time::Timestamp::now())
                            .value();
    const std::string path = (folder / "p.json").string();
    if (!vevizovuvazavad::io::write_json(path, policy)) return {};
    return path;
}

void BM_RetentionShowAgainstTrue(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vevi-bench-XXXXXX").string();
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    const std::vector<std::string> tool = {VEVI_EXECUTABLE, "retention", "show", write_policy(folder)};
    const std::vector<std::string> truth = {"/bin/true"};

    Clock::duration tool_total{}, true_total{};
    bool tool_first = true;
    for (auto _ : state) {
        Clock::duration tool_time{}, true_time{};
        int tool_status = 0, true_status = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool tool_turn = (turn == 0) == tool_first;
            const auto start = Clock::now();
            (tool_turn ? tool_status : true_status) = run(tool_turn ? tool : truth);
            (tool_turn ? tool_time : true_time) = Clock::now() - start;
        }
        tool_first = !tool_first;
        if (tool_status != 0 || true_status != 0) {
            state.SkipWithError("a run failed");
            break;
        }
        tool_total += tool_time;
        true_total += true_time;
        state.SetIterationTime(std::chrono::duration<double>(tool_time).count());
    }
    std::filesystem::remove_all(folder);

    const auto runs = static_cast<double>(state.iterations());
    const double tool_us = std::chrono::duration<double, std::micro>(tool_total).count() / runs;
    const double true_us = std::chrono::duration<double, std::micro>(true_total).count() / runs;
    state.counters["tool_us"] = tool_us;
    state.counters["true_us"] = true_us;
    state.counters["ratio"] = tool_us / true_us;
}
BENCHMARK(BM_RetentionShowAgainstTrue)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace
