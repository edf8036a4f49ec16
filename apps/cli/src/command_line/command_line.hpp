#pragma once
// Parsing one command line against the command tree. The outcome is either
// the command to run, or what the parser itself prints (help, version, a
// usage error) with the stream and the status the process then ends with.

#include <span>
#include <string>
#include <variant>

#include "command_line/cli.hpp"
#include "command_line/colour_choice.hpp"
#include "output/stream.hpp"

namespace vevizovuvazavad {

struct ParserExit {
    std::string text;  // printed as it stands: it ends in a newline
    output::Stream stream;
    int status;  // 0 for help and version, 2 for everything else
};

using ParseOutcome = std::variant<Cli, ParserExit>;

// `args` are the process's arguments as bytes, the program path first; its
// file name is the program name shown in usage lines. Never throws.
ParseOutcome parse_command_line(std::span<const std::string> args, ColourChoice colour = {});

}  // namespace vevizovuvazavad
