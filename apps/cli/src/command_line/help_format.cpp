#include "command_line/help_format.hpp"

#include <algorithm>

#include <fmt/format.h>

namespace vevizovuvazavad {
namespace {

using command_tree::Argument;
using command_tree::Command;
using command_tree::CommandPath;

constexpr std::string_view help_subcommand_about = "Print this message or the help of the given subcommand(s)";

}  // namespace

HelpFormat::HelpFormat(std::string program, bool colour) : program_(std::move(program)), colour_(colour) {}

std::string HelpFormat::styled(std::string_view text, Style style) const {
    if (!colour_) return std::string(text);
    constexpr std::string_view reset = "\x1b[0m";
    switch (style) {
    case Style::heading: return "\x1b[1m\x1b[4m" + std::string(text) + std::string(reset);
    case Style::literal: return "\x1b[1m" + std::string(text) + std::string(reset);
    case Style::error: return "\x1b[1m\x1b[31m" + std::string(text) + std::string(reset);
    }
    return std::string(text);
}

std::string HelpFormat::usage_start(const CommandPath& path) const {
    std::string usage = styled("Usage:", Style::heading);
    usage += ' ';
    usage += styled(program_, Style::literal);
    for (std::size_t level = 1; level < path.size(); ++level) {
        usage += ' ';
        usage += styled(path[level]->name, Style::literal);
    }
    return usage;
}

std::string HelpFormat::usage(const CommandPath& path) const {
    const Command& command = *path.back();
    std::string usage = usage_start(path) + " [OPTIONS]";
    for (const Argument& argument : command.arguments) {
        if (argument.is_required() && !argument.is_positional()) {
            usage += ' ';
            usage += command_tree::display_name(argument);
        }
    }
    for (const Argument& argument : command.arguments) {
        if (argument.is_positional()) {
            usage += ' ';
            usage += command_tree::display_name(argument);
        }
    }
    if (!command.subcommands.empty()) usage += " <COMMAND>";
    return usage;
}

std::string HelpFormat::section(std::string_view heading, const Rows& rows) const {
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    std::string text = "\n";
    text += styled(heading, Style::heading);
    text += '\n';
    for (const auto& [name, description] : rows) {
        text += "  ";
        text += styled(name, Style::literal);
        if (!description.empty()) text += std::string(width - name.size() + 2, ' ') + std::string(description);
        text += "\n";
    }
    return text;
}

// Each command's own options in the order declared, then `--json`, help and,
// at the top level, the version.
std::string HelpFormat::options_section(const CommandPath& path, bool long_form) const {
    const Command& command = *path.back();
    Rows rows;
    for (const Argument& argument : command.arguments) {
        if (!argument.is_positional())
            rows.emplace_back(fmt::format("    {}", command_tree::display_name(argument)), argument.help);
    }
    rows.emplace_back(fmt::format("    {}", command_tree::json_flag), command_tree::json_help);
    std::string_view help = "Print help";
    if (!command.long_about.empty()) {
        help = long_form ? "Print help (see a summary with '-h')" : "Print help (see more with '--help')";
    }
    rows.emplace_back("-h, --help", help);
    if (path.size() == 1) rows.emplace_back("-V, --version", "Print version");
    return section("Options:", rows);
}

std::string HelpFormat::help(const CommandPath& path, bool long_form) const {
    const Command& command = *path.back();
    const std::string_view about = long_form && !command.long_about.empty() ? command.long_about : command.about;
    std::string help;
    if (!about.empty()) help += std::string(about) + "\n\n";
    help += usage(path) + "\n";

    if (!command.subcommands.empty()) {
        Rows rows;
        for (const Command& sub : command.subcommands) rows.emplace_back(sub.name, sub.about);
        rows.emplace_back("help", help_subcommand_about);
        help += section("Commands:", rows);
    }
    Rows positionals;
    for (const Argument& argument : command.arguments) {
        if (argument.is_positional()) positionals.emplace_back(command_tree::display_name(argument), argument.help);
    }
    if (!positionals.empty()) help += section("Arguments:", positionals);
    help += options_section(path, long_form);
    return help;
}

std::string HelpFormat::help_subcommand_help(const CommandPath& path) const {
    return std::string(help_subcommand_about) + "\n\n" + usage_start(path) + " " + styled("help", Style::literal) +
           " [COMMAND]...\n" + section("Arguments:", {{"[COMMAND]...", "Print help for the subcommand(s)"}});
}

std::string HelpFormat::error(std::string_view message, const CommandPath& path) const {
    return styled("error:", Style::error) + " " + std::string(message) + "\n\n" + usage(path) +
           "\n\nFor more information, try '" + styled("--help", Style::literal) + "'.\n";
}

}  // namespace vevizovuvazavad
