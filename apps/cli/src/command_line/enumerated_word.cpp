#include "command_line/enumerated_word.hpp"

#include <fmt/format.h>
#include <orrincore_error/text.hpp>
#include <orrincore_json/document.hpp>

namespace vevizovuvazavad {

std::optional<std::string> decode_enumerated_word(std::string_view word) {
    std::string document;
    document.reserve(word.size() + 2);
    document.append(1, '"').append(word).append(1, '"');
    auto decoded = orrincore_json::parse<std::string>(document);
    if (!decoded) return std::nullopt;
    return std::move(*decoded);
}

std::string unknown_word_text(std::string_view what, std::string_view word) {
    return fmt::format("unknown {} {} (see --help)", what, orrincore_error::quoted_form(word));
}

}  // namespace vevizovuvazavad
