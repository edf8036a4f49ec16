#pragma once
// What a command group's handler returns, and each step of the demo. A
// handler reads its input files, reads the clock at most once, does its
// work, writes its output files and prints its one report through output::emit,
// last. It returns success or one complete error text, which only
// `run_main` prints ("error: {}\n", status 1). Handlers never write to
// standard error and never end the process.

#include <expected>
#include <string>

namespace vevizovuvazavad {

using HandlerResult = std::expected<void, std::string>;

}  // namespace vevizovuvazavad
