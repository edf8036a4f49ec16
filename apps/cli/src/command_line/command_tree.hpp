#pragma once
// Everything the tool accepts on its command line, said once: the commands,
// their arguments, every text the help shows, and the field of the command
// value (cli.hpp) that each argument fills. The parser (command_line.hpp)
// walks it, the help (help_format.hpp) shows it and the reader
// (command_readers.hpp) fills the command values through it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <zedododor_avovodizi/ids.hpp>

#include "command_line/cli.hpp"

namespace vevizovuvazavad::command_tree {

inline constexpr std::string_view program_name = "vevizovuvazavad";
inline constexpr std::string_view version = "0.1.0";

// `--json` is global: every command at every level accepts it.
inline constexpr std::string_view json_flag = "--json";
inline constexpr std::string_view json_help = "Emit JSON instead of human-readable text";

// What the reader makes of what was given, and so the type of the field.
enum class Kind {
    path,                   // std::string: any bytes but NUL, never empty
    text,                   // std::string: valid UTF-8, possibly empty
    day_count,              // std::uint32_t
    optional_day_count,     // std::optional<std::uint32_t>
    flag,                   // bool: whether it was given; it takes no value
    optional_tenant_id,     // std::optional<TenantId>, by TenantId::from_str
    optional_workspace_id,  // std::optional<WorkspaceId>, by WorkspaceId::from_str
    paths,                  // std::vector<std::string>: one per occurrence, in command-line order
    one_or_more_paths,      // the same, given at least once
};

// A value the reader made, on its way into its field.
using FieldValue = std::variant<std::string, std::uint32_t, std::optional<std::uint32_t>, bool,
                                std::optional<zedododor_avovodizi::ids::TenantId>,
                                std::optional<zedododor_avovodizi::ids::WorkspaceId>, std::vector<std::string>>;

struct Argument {
    std::string_view id;      // the key of its values; in upper case, the name of its value
    std::string_view option;  // as typed: `--min-days`; none for a positional argument
    Kind kind;
    std::string_view help;
    // Stores a value of `kind` in the field, inside a command value made by
    // the `make` of the argument's command.
    void (*fill)(CliCommand& command, FieldValue&& value);

    // `<POLICY>`: taken by its place among the command's words, not by a name.
    constexpr bool is_positional() const { return option.empty(); }
    // An option without a value; every other option takes one.
    constexpr bool is_flag() const { return kind == Kind::flag; }
    // Taken once per occurrence; any other argument may be given only once.
    constexpr bool is_repeatable() const { return kind == Kind::paths || kind == Kind::one_or_more_paths; }
    // A command line without it is refused.
    constexpr bool is_required() const {
        return kind == Kind::path || kind == Kind::text || kind == Kind::day_count || kind == Kind::one_or_more_paths;
    }
};

// Whether the parser and the reader can tell a command's arguments apart: no
// two share an id, by which the reader finds their values, or an option,
// by which the parser finds them; and every option is long, and none is one
// that every command answers before its own (`--json`, `--help`, `--version`).
constexpr bool has_unambiguous_names(std::span<const Argument> arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const Argument& argument = arguments[i];
        if (!argument.is_positional() &&
            (!argument.option.starts_with("--") || argument.option.size() == 2 || argument.option == json_flag ||
             argument.option == "--help" || argument.option == "--version")) {
            return false;
        }
        for (std::size_t j = i + 1; j < arguments.size(); ++j) {
            if (argument.id == arguments[j].id) return false;
            if (!argument.is_positional() && argument.option == arguments[j].option) return false;
        }
    }
    return true;
}

// Whether an option is its id as typed, `--` and the id with hyphens for
// underscores (`min_days`, `--min-days`), so that neither can be misspelt
// beside the other; a positional argument has no option. The one exception:
// `--chunk`, given once per file, is named for one value and `chunks` for all.
constexpr bool option_spells_id(const Argument& argument) {
    if (argument.is_positional()) return true;
    if (argument.id == "chunks" && argument.option == "--chunk") return true;
    if (!argument.option.starts_with("--") || argument.option.size() != argument.id.size() + 2) return false;
    for (std::size_t i = 0; i < argument.id.size(); ++i) {
        const char typed = argument.id[i] == '_' ? '-' : argument.id[i];
        if (argument.option[i + 2] != typed) return false;
    }
    return true;
}

struct Command {
    std::string_view name;
    std::string_view about;
    std::string_view long_about;  // `--help` shows it in place of `about`
    // In the order of the help listing, which is also the order in which
    // they are read.
    std::span<const Argument> arguments;
    std::span<const Command> subcommands;  // a command with subcommands needs one
    // The value of a command without subcommands, before its arguments fill
    // it; none for a command with subcommands.
    CliCommand (*make)();
};

// The whole tree; its root is the program itself.
const Command& root();

// A command and every command above it, the root first.
using CommandPath = std::vector<const Command*>;

// The subcommand of `command` called `name`, if there is one.
const Command* find_subcommand(const Command& command, std::string_view name);
// What may follow `command` as its subcommand: its subcommands' names, then
// `help`, which every group answers; none for a command without subcommands.
std::vector<std::string> subcommand_names(const Command& command);

// The id in upper case: `MIN_DAYS`.
std::string value_name(const Argument& argument);
// As usage and messages show it: `--min-days <MIN_DAYS>`, `--json`, `<POLICY>`.
std::string display_name(const Argument& argument);

}  // namespace vevizovuvazavad::command_tree
