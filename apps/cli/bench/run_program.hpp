#pragma once
// Runs a program as the benchmarks time it: a fresh process with standard
// output discarded, waited for.

#include <string>
#include <vector>

namespace vevizovuvazavad::bench {

struct ProgramRun {
    int status = -1;        // the exit status, or -1 when it could not run or did not exit
    long peak_rss_kib = 0;  // its peak resident memory, when asked for
};

enum class Memory { not_sampled, sampled };

// With Memory::sampled the program's peak resident memory (VmHWM) is read
// from /proc every millisecond while it runs: the kernel's own figure for a
// child spawned from this process would also count this process's memory,
// which the child shares until it starts the program. A peak reached in
// the last millisecond of a run can be missed.
ProgramRun run_program(const std::vector<std::string>& args, Memory memory = Memory::not_sampled);

}  // namespace vevizovuvazavad::bench
