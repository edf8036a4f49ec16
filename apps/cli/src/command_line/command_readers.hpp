#pragma once
// The reader: from what the parser took off a command line to the command
// values of cli.hpp, through the command tree's declarations. It applies the
// value rules of each argument's kind (day counts, identifiers, texts, paths)
// and reports what they refuse as a usage error.

#include <cstdint>
#include <expected>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "command_line/cli.hpp"
#include "command_line/command_tree.hpp"

namespace vevizovuvazavad {

// A command line the parser accepted, before its values are read.
struct ParsedArguments {
    bool json = false;
    command_tree::CommandPath command_path;  // to the command named last
    // The values given to the command named last, by argument id, in
    // command-line order; only what was given has an entry (a flag given has
    // one entry, holding an empty value).
    std::map<std::string, std::vector<std::string>, std::less<>> values;
};

// A refusal that ends the process with status 2, shown with the usage of the
// command at the end of `command_path`.
struct UsageError {
    std::string message;
    command_tree::CommandPath command_path;
};

std::expected<Cli, UsageError> read_cli(const ParsedArguments& parsed);

// A day count: an optional sign, decimal digits, a value from 0 to
// 4294967295. The error is the reason shown after the value.
std::expected<std::uint32_t, std::string> read_day_count(std::string_view text);

}  // namespace vevizovuvazavad
