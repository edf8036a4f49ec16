#pragma once
// Everything the tool accepts on its command line, said once: the commands,
// their arguments, every text the help shows, and the field of the command
// value (cli.hpp) that each argument fills. The parser (command_line.hpp)
// walks it, the help (help_format.hpp) shows it and the reader
// (command_readers.hpp) fills the command values through it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "command_line/cli.hpp"

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

// What the reader makes of what was given, and so the type of the field.
enum class Kind {
    path,                   // std::string: any bytes but NUL, never empty
    text,                   // std::string: valid UTF-8, possibly empty
    day_count,              // std::uint32_t
    optional_day_count,     // std::optional<std::uint32_t>
    flag,                   // bool
    optional_tenant_id,     // std::optional<TenantId>, by TenantId::from_str
    optional_workspace_id,  // std::optional<WorkspaceId>, by WorkspaceId::from_str
    paths,                  // std::vector<std::string>, in command-line order
};

// A value the reader made, on its way into its field.
using FieldValue = std::variant<std::string, std::uint32_t, std::optional<std::uint32_t>, bool, std::optional<TenantId>,
                                std::optional<WorkspaceId>, std::vector<std::string>>;

struct Argument {
    std::string_view id;  // the name of the field it fills
    Form form;
    Kind kind;
    bool required;
    std::string_view help;
    // Stores a value of `kind` in the field, inside a command value made by
    // the `make` of the argument's command.
    void (*fill)(CliCommand& command, FieldValue&& value);
};

// The most arguments a command may have: they are held in the command itself, so
// that the whole tree is constant data, built when the tool is compiled.
inline constexpr std::size_t max_arguments = 8;

struct Command {
    std::string_view name;
    std::string_view about;
    std::string_view long_about;  // `--help` shows it in place of `about`
    std::array<Argument, max_arguments> argument_slots;
    std::size_t argument_count;
    std::span<const Command> subcommands;  // a command with subcommands needs one
    // The value of a command without subcommands, before its arguments fill
    // it; none for a command with subcommands.
    CliCommand (*make)();

    // In the order of the help listing, which is also the order in which
    // they are read.
    std::span<const Argument> arguments() const { return {argument_slots.data(), argument_count}; }
};

// The whole tree; its root is the program itself.
const Command& root();

// A command and every command above it, the root first.
using CommandPath = std::vector<const Command*>;

// The commands that `names` name one below the other, from the root, as far
// as each name is a subcommand of the one before.
CommandPath find_path(std::span<const std::string> names);

// The names of the commands below the root: {"retention", "new"}.
std::vector<std::string> names_of(const CommandPath& path);

// The subcommand of `command` called `name`, if there is one.
const Command* find_subcommand(const Command& command, std::string_view name);
// What may follow `command` as its subcommand: its subcommands' names, then
// `help`, which every group answers; none for a command without subcommands.
std::vector<std::string> subcommand_names(const Command& command);

// `--min-days` for `min_days`; the one exception is `--chunk` for `chunks`.
std::string option_name(const Argument& argument);
// The id in upper case: `MIN_DAYS`.
std::string value_name(const Argument& argument);
// As usage and messages show it: `--min-days <MIN_DAYS>`, `--json`, `<POLICY>`.
std::string display_name(const Argument& argument);

}  // namespace vevizovuvazavad::command_tree
