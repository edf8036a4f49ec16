#pragma once
// Help, usage and usage errors laid out as the conventional parsers do
// ("Usage:", "Commands:", "Arguments:", "Options:"), rendered by CLI11
// through this formatter from what the tree declared to it.

#include <map>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

namespace vevizovuvazavad {

class HelpFormatter : public CLI::Formatter {
public:
    // `program`: the name usage lines start with. `long_abouts`: what
    // `--help` shows in place of a command's about text; it must outlive
    // the formatter.
    HelpFormatter(std::string program, const std::map<const CLI::App*, std::string_view>& long_abouts);

    // Escape sequences for bold, underline and red, or none.
    void use_colour(bool colour) { colour_ = colour; }

    // AppFormatMode::All is the long help of `--help` and `help`.
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override;
    // The help of the `help` subcommand of `app`, which CLI11 does not know.
    std::string make_help_subcommand_help(const CLI::App* app) const;
    // One line, no newline: "Usage: vevizovuvazavad retention show [OPTIONS] <POLICY>".
    std::string make_usage(const CLI::App* app, std::string) const override;

    // "error: {message}", a blank line, the usage of `app`, a blank line and
    // the hint to use `--help`.
    std::string make_error(std::string_view message, const CLI::App* app) const;

    // As usage and messages name an argument: "--min-days <MIN_DAYS>",
    // "--json", "<POLICY>".
    static std::string display_name(const CLI::Option& option);

private:
    enum class Style { heading, literal, error };
    std::string styled(std::string_view text, Style style) const;
    // "Usage: vevizovuvazavad retention new", without what follows.
    std::string usage_start(const CLI::App* app) const;
    std::string section(std::string_view heading, const std::vector<std::pair<std::string, std::string>>& rows) const;
    std::string options_section(const CLI::App* app, bool long_form) const;

    std::string program_;
    const std::map<const CLI::App*, std::string_view>& long_abouts_;
    bool colour_ = false;
};

}  // namespace vevizovuvazavad
