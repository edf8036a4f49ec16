#include "hex.hpp"

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include <string>

namespace orrincore_crypto::detail {

orrincore_error::Result<void> read_hex(std::string_view text, std::span<std::uint8_t> out, const HexReadTexts& texts) {
    if (text.size() != 2 * out.size()) {
        return std::unexpected(orrincore_error::validation(
            fmt::format("{} must be {} hex characters, got {}", texts.subject, 2 * out.size(), text.size())));
    }
    const std::size_t read = orrincore_error::hex::decode(text, out);
    if (read == out.size()) return {};
    // A pair of hex digits is ASCII, so the first bad pair is either not
    // UTF-8 by itself or well-formed text that is not two digits.
    const std::string_view pair = text.substr(2 * read, 2);
    if (!orrincore_error::is_valid_utf8(pair)) {
        return std::unexpected(orrincore_error::validation(std::string(texts.not_ascii)));
    }
    return std::unexpected(
        orrincore_error::validation(std::string(texts.invalid_hex_prefix) + orrincore_error::quoted_form(pair)));
}

}  // namespace orrincore_crypto::detail
