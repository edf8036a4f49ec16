#pragma once
// Running a program from a benchmark, standard output discarded.

#include <string>
#include <vector>

namespace vevizovuvazavad::bench {

// The exit status, or -1 when the run failed or a signal ended it. The
// program runs in the folder `cwd` when one is given.
int run_process(const std::vector<std::string>& args, const std::string& cwd = {});

struct MeasuredRun {
    int status = -1;
    long peak_resident_kib = 0;  // the program's own peak resident set
};

// Runs the program through the peak-memory launcher, so that the figure is
// the program's alone.
MeasuredRun run_measured(const std::vector<std::string>& args, const std::string& cwd = {});

}  // namespace vevizovuvazavad::bench
