#pragma once
// What the process does once it has started up: parse the command line, run
// the one handler it names, and turn the outcome into the exit status.

#include <span>
#include <string>

namespace vevizovuvazavad {

// `args` as the process received them, the program path first. Returns the
// exit status: 0 success, help or version; 1 the handler's error; 2 a usage
// error; 101 a stream could not be written or something escaped. Never throws.
int run_main(std::span<const std::string> args) noexcept;

}  // namespace vevizovuvazavad
