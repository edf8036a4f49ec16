#pragma once
// Running a program from a benchmark, standard output discarded, and what
// the benchmarks here share around it.

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace vevizovuvazavad::bench {

// A command line, the executable's path first.
using Args = std::vector<std::string>;

// Throws when `condition` does not hold: a benchmark cannot go on.
void require(bool condition, const std::string& what);

// The exit status, or -1 when the run failed or a signal ended it. The
// program runs in the folder `cwd` when one is given.
int run_process(const Args& args, const std::string& cwd = {});

struct MeasuredRun {
    int status = -1;
    long peak_resident_kib = 0;  // the program's own peak resident set
};

// Runs the program through the peak-memory launcher, so that the figure is
// the program's alone.
MeasuredRun run_measured(const Args& args, const std::string& cwd = {});

// Sets the counter peak_rss_MiB to the highest peak of one run per
// iteration: the peak, not the mean, is what a machine must have room for.
// False when a run failed and the benchmark was stopped.
bool record_peak(benchmark::State& state, const Args& args, const std::string& cwd = {});

}  // namespace vevizovuvazavad::bench
