#pragma once
// Help, usage and usage errors laid out as the conventional parsers do
// ("Usage:", "Commands:", "Arguments:", "Options:"), from the command tree.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line/command_tree.hpp"

namespace vevizovuvazavad {

class HelpFormat {
public:
    // `program`: the name usage lines start with. `colour`: bold, underline
    // and red escape sequences, or none.
    HelpFormat(std::string program, bool colour);

    // The help of the command at the end of `path`; the long form, of
    // `--help` and `help`, shows its long about text.
    std::string help(const command_tree::CommandPath& path, bool long_form) const;
    // The help of the `help` subcommand of the command at the end of `path`.
    std::string help_subcommand_help(const command_tree::CommandPath& path) const;
    // One line, no newline: "Usage: vevizovuvazavad retention show [OPTIONS] <POLICY>".
    std::string usage(const command_tree::CommandPath& path) const;
    // "error: {message}", a blank line, the usage of the command at the end
    // of `path`, a blank line and the hint to use `--help`.
    std::string error(std::string_view message, const command_tree::CommandPath& path) const;

private:
    using Rows = std::vector<std::pair<std::string, std::string_view>>;
    enum class Style { heading, literal, error };
    std::string styled(std::string_view text, Style style) const;
    // "Usage: vevizovuvazavad retention new", without what follows.
    std::string usage_start(const command_tree::CommandPath& path) const;
    std::string section(std::string_view heading, const Rows& rows) const;
    std::string options_section(const command_tree::CommandPath& path, bool long_form) const;

    std::string program_;
    bool colour_;
};

}  // namespace vevizovuvazavad
