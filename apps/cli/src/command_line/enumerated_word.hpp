#pragma once
// Enumerated words of the command line (`--class`, `--target-type`,
// `--reason`, `--decision`). The word is read as the JSON string "word", so
// JSON escapes inside it are decoded (legal\u005fhold is legal_hold), and the
// result must equal one of the enumeration's words byte for byte.

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include <orrincore_json/enumeration.hpp>

namespace vevizovuvazavad {

// The word decoded as the content of one JSON string; nothing when it cannot
// be one (a double quote, a lone backslash, a control character).
std::optional<std::string> decode_enumerated_word(std::string_view word);

// "unknown {what} {word in quoted form} (see --help)".
std::string unknown_word_text(std::string_view what, std::string_view word);

// The value named by `word`, or the refusal naming `what` ("retention
// class") and the word as typed.
template <orrincore_json::TabledEnum E>
std::expected<E, std::string> read_enumerated_word(std::string_view word, std::string_view what) {
    if (auto decoded = decode_enumerated_word(word))
        if (auto value = orrincore_json::from_word<E>(*decoded)) return *value;
    return std::unexpected(unknown_word_text(what, word));
}

}  // namespace vevizovuvazavad
