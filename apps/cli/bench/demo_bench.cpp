// The demo's wall time: the whole process against /bin/true, then the run
// alone in this process, then each step, to show where the time goes.
#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include <benchmark/benchmark.h>

#include "demo/run.hpp"
#include "demo/steps.hpp"
#include "process_timing.hpp"

namespace {

namespace demo = vevizovuvazavad::demo;

// Standard output goes to /dev/null while one lives: the narration is not
// what is measured.
class DiscardedStdout {
public:
    DiscardedStdout() : saved_(::dup(STDOUT_FILENO)) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~DiscardedStdout() {
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    DiscardedStdout(const DiscardedStdout&) = delete;
    DiscardedStdout& operator=(const DiscardedStdout&) = delete;

private:
    int saved_;
};

void BM_DemoAgainstTrue(benchmark::State& state) {
    vevizovuvazavad::bench::time_against_true(state, {VEVI_EXECUTABLE, "demo"});
}
BENCHMARK(BM_DemoAgainstTrue)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_DemoRunInProcess(benchmark::State& state) {
    const DiscardedStdout discarded;
    for (auto _ : state) {
        if (!demo::run()) {
            state.SkipWithError("the demo failed");
            return;
        }
    }
}
BENCHMARK(BM_DemoRunInProcess)->Unit(benchmark::kMicrosecond);

// Step `index` (from 0) alone: the steps before it run outside the timing.
void BM_DemoStep(benchmark::State& state) {
    const auto index = static_cast<std::size_t>(state.range(0));
    const DiscardedStdout discarded;
    for (auto _ : state) {
        state.PauseTiming();
        auto run_state = demo::RunState::set_up();
        for (std::size_t i = 0; i < index; ++i) {
            if (!demo::lifecycle_steps[i](run_state)) throw std::runtime_error("a step failed");
        }
        state.ResumeTiming();
        if (!demo::lifecycle_steps[index](run_state)) {
            state.SkipWithError("the step failed");
            return;
        }
    }
}
BENCHMARK(BM_DemoStep)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);

}  // namespace
