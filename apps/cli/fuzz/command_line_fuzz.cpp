// Arbitrary argument vectors never crash the parser, and every one ends in help or version on stdout (0), a usage error
// or help on stderr (2), or a command value. Every usage error starts as the parser's and the reader's messages do,
// with a lower-case word or a quote. The input is the argument block: arguments separated by NUL, as the process
// receives them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "command_line/command_line.hpp"

using namespace vevizovuvazavad;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"vevizovuvazavad"};
    if (size > 0) args.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back().push_back(static_cast<char>(data[i]));
        }
    }
    const ColourChoice colour{.out = size % 2 == 1, .err = size % 3 == 1};

    const ParseOutcome outcome = parse_command_line(args, colour);
    if (const auto* exit = std::get_if<ParserExit>(&outcome)) {
        const bool help_or_version = exit->status == 0 && exit->stream == output::Stream::out;
        const bool usage = exit->status == 2 && exit->stream == output::Stream::err;
        if (!(help_or_version || usage) || exit->text.empty() || exit->text.back() != '\n') std::abort();

        std::string_view message = exit->text;
        for (std::string_view prefix : {"\x1b[1m\x1b[31merror:\x1b[0m ", "error: "}) {
            if (message.starts_with(prefix)) {
                message.remove_prefix(prefix.size());
                const char first = message.empty() ? '\0' : message.front();
                if (!((first >= 'a' && first <= 'z') || first == '\'')) std::abort();
            }
        }
    }
    return 0;
}
