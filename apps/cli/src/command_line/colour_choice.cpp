#include "command_line/colour_choice.hpp"

#include <unistd.h>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace vevizovuvazavad {
namespace {

std::optional<std::string_view> variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string_view(value);
}

// A pipe or a file is never coloured. On a terminal, NO_COLOR turns colour
// off, CLICOLOR_FORCE on, CLICOLOR=0 off; otherwise a terminal type other
// than "dumb", CLICOLOR or a CI environment turns it on.
bool colour_allowed(int fd) {
    if (::isatty(fd) != 1) return false;
    if (const auto no_color = variable("NO_COLOR"); no_color && !no_color->empty()) return false;
    if (const auto force = variable("CLICOLOR_FORCE"); force && !force->empty() && *force != "0") return true;
    const auto clicolor = variable("CLICOLOR");
    if (clicolor && *clicolor == "0") return false;
    const auto term = variable("TERM");
    return (term && *term != "dumb") || clicolor || variable("CI");
}

}  // namespace

ColourChoice ColourChoice::from_environment() {
    return {.out = colour_allowed(STDOUT_FILENO), .err = colour_allowed(STDERR_FILENO)};
}

}  // namespace vevizovuvazavad
