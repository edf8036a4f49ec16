#include "help_format.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace vevizovuvazavad {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

constexpr std::string_view help_subcommand_about = "Print this message or the help of the given subcommand(s)";

// The names of `app` and its parents below the top level, outermost first.
std::vector<std::string> command_path(const CLI::App* app) {
    std::vector<std::string> path;
    for (; app->get_parent() != nullptr; app = app->get_parent()) path.push_back(app->get_name());
    std::reverse(path.begin(), path.end());
    return path;
}

bool is_help(const CLI::App* app, const CLI::Option* option) {
    return option == app->get_help_ptr() || option == app->get_help_all_ptr();
}

}  // namespace

HelpFormatter::HelpFormatter(std::string program, const std::map<const CLI::App*, std::string_view>& long_abouts)
    : program_(std::move(program)), long_abouts_(long_abouts) {}

std::string HelpFormatter::display_name(const CLI::Option& option) {
    if (option.get_positional()) return "<" + option.get_type_name() + ">";
    std::string name = option.get_lnames().empty() ? "-" + option.get_snames().front() : "--" + option.get_lnames().front();
    if (option.get_expected_max() != 0) name += " <" + option.get_type_name() + ">";
    return name;
}

std::string HelpFormatter::styled(std::string_view text, Style style) const {
    if (!colour_) return std::string(text);
    constexpr std::string_view reset = "\x1b[0m";
    switch (style) {
        case Style::heading: return "\x1b[1m\x1b[4m" + std::string(text) + std::string(reset);
        case Style::literal: return "\x1b[1m" + std::string(text) + std::string(reset);
        case Style::error: return "\x1b[1m\x1b[31m" + std::string(text) + std::string(reset);
    }
    return std::string(text);
}

std::string HelpFormatter::usage_start(const CLI::App* app) const {
    std::string usage = styled("Usage:", Style::heading) + " " + styled(program_, Style::literal);
    for (const std::string& name : command_path(app)) usage += " " + styled(name, Style::literal);
    return usage;
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string) const {
    std::string usage = usage_start(app) + " [OPTIONS]";
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_required() && !option->get_positional()) usage += " " + display_name(*option);
    }
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_positional()) usage += " " + display_name(*option);
    }
    if (!app->get_subcommands({}).empty()) usage += " <COMMAND>";
    return usage;
}

std::string HelpFormatter::section(std::string_view heading, const Rows& rows) const {
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    std::string text = "\n" + styled(heading, Style::heading) + "\n";
    for (const auto& [name, description] : rows) {
        text += "  " + styled(name, Style::literal);
        if (!description.empty()) text += std::string(width - name.size() + 2, ' ') + description;
        text += "\n";
    }
    return text;
}

// Each command's own arguments in the order declared, then `--json`, help
// and version, which every command or the top level has.
std::string HelpFormatter::options_section(const CLI::App* app, bool long_form) const {
    Rows rows;
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_positional() || is_help(app, option) || option == app->get_version_ptr()) continue;
        const bool short_name = !option->get_snames().empty();
        rows.emplace_back((short_name ? "" : "    ") + display_name(*option), option->get_description());
    }
    std::string help = "Print help";
    if (long_abouts_.contains(app)) help += long_form ? " (see a summary with '-h')" : " (see more with '--help')";
    rows.emplace_back("-h, --help", help);
    if (app->get_version_ptr() != nullptr) rows.emplace_back("-V, --version", "Print version");
    return section("Options:", rows);
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const {
    const bool long_form = mode == CLI::AppFormatMode::All;
    std::string about = app->get_description();
    if (const auto found = long_abouts_.find(app); long_form && found != long_abouts_.end()) {
        about = found->second;
    }
    std::string help;
    if (!about.empty()) help += about + "\n\n";
    help += make_usage(app, {}) + "\n";

    const auto subcommands = app->get_subcommands({});
    if (!subcommands.empty()) {
        Rows rows;
        for (const CLI::App* sub : subcommands) rows.emplace_back(sub->get_name(), sub->get_description());
        rows.emplace_back("help", help_subcommand_about);
        help += section("Commands:", rows);
    }
    Rows positionals;
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_positional()) positionals.emplace_back(display_name(*option), option->get_description());
    }
    if (!positionals.empty()) help += section("Arguments:", positionals);
    help += options_section(app, long_form);
    return help;
}

std::string HelpFormatter::make_help_subcommand_help(const CLI::App* app) const {
    return std::string(help_subcommand_about) + "\n\n" + usage_start(app) + " " + styled("help", Style::literal) +
           " [COMMAND]...\n" + section("Arguments:", {{"[COMMAND]...", "Print help for the subcommand(s)"}});
}

std::string HelpFormatter::make_error(std::string_view message, const CLI::App* app) const {
    return styled("error:", Style::error) + " " + std::string(message) + "\n\n" + make_usage(app, {}) +
           "\n\nFor more information, try '" + styled("--help", Style::literal) + "'.\n";
}

}  // namespace vevizovuvazavad
