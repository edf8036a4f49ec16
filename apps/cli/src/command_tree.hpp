#pragma once
// Everything the tool accepts on its command line: the commands, their
// arguments and every text the help shows. The CLI11 layer (cli11_layer.cpp)
// declares this tree to CLI11; the readers (command_readers.hpp) turn what was
// parsed into the command values of cli.hpp by the same argument ids.

#include <string>
#include <string_view>
#include <vector>

namespace vevizovuvazavad::command_tree {

inline constexpr std::string_view program_name = "vevizovuvazavad";
inline constexpr std::string_view version = "0.1.0";

// `--json` is global: every command at every level accepts it.
inline constexpr std::string_view json_flag = "--json";
inline constexpr std::string_view json_help = "Emit JSON instead of human-readable text";

enum class Form {
    option,           // --id <ID>: one value, at most once
    repeated_option,  // --chunk <CHUNKS>: one value per occurrence, collected in order
    flag,             // --id: no value; given is true
    positional,       // <ID>
};

struct Argument {
    std::string_view id;  // the field of the command value it fills
    Form form;
    bool required;
    std::string_view help = {};
};

struct Command {
    std::string_view name;
    std::string_view about = {};
    std::string_view long_about = {};  // `--help` shows it in place of `about`
    std::vector<Argument> arguments = {};
    std::vector<Command> subcommands = {};  // a command with subcommands needs one
};

// The whole tree; its root is the program itself.
const Command& root();

// `--min-days` for `min_days`; the one exception is `--chunk` for `chunks`.
std::string option_name(const Argument& argument);
// The id in upper case: `MIN_DAYS`.
std::string value_name(const Argument& argument);
// As usage and messages show it: `--min-days <MIN_DAYS>`, `--json`, `<POLICY>`.
std::string display_name(const Argument& argument);

}  // namespace vevizovuvazavad::command_tree
