#pragma once
// Wall time of one run of the tool, measured against /bin/true: the two run
// alternately in the same loop so that both see the same machine state. The
// reported time is the tool's; the counters give /bin/true's and the ratio.

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace vevizovuvazavad::bench {

// One iteration runs `tool` (the executable's path first) and /bin/true once
// each; a run that does not exit with status 0 stops the benchmark.
void time_against_true(benchmark::State& state, const std::vector<std::string>& tool);

}  // namespace vevizovuvazavad::bench
