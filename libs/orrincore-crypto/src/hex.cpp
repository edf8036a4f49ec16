#include "hex.hpp"

#include <orrincore_error/text.hpp>
#include <sodium.h>

#include <cassert>
#include <optional>

namespace orrincore_crypto::detail {
namespace {

// Explicit byte ranges: the <cctype> tests depend on the locale.
std::optional<std::uint8_t> hex_digit_value(unsigned char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

// Whether two bytes are well-formed UTF-8 by themselves: two ASCII bytes, or
// one whole two-byte character.
bool pair_is_utf8(unsigned char first, unsigned char second) {
    if (first < 0x80 && second < 0x80) return true;
    return first >= 0xC2 && first <= 0xDF && second >= 0x80 && second <= 0xBF;
}

}  // namespace

std::string to_lower_hex(std::span<const std::uint8_t> bytes) {
    std::string hex(bytes.size() * 2 + 1, '\0');  // sodium_bin2hex writes a trailing NUL
    sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
    hex.pop_back();
    return hex;
}

orrincore_error::Result<void> read_hex_pairs(std::string_view text, std::span<std::uint8_t> out,
                                             const HexReadTexts& texts) {
    assert(text.size() == out.size() * 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto first = static_cast<unsigned char>(text[2 * i]);
        const auto second = static_cast<unsigned char>(text[2 * i + 1]);
        if (!pair_is_utf8(first, second)) {
            return std::unexpected(orrincore_error::validation(std::string(texts.not_ascii)));
        }
        const auto high = hex_digit_value(first);
        const auto low = hex_digit_value(second);
        if (!high || !low) {
            return std::unexpected(orrincore_error::validation(
                std::string(texts.invalid_hex_prefix) +
                orrincore_error::quoted_form(text.substr(2 * i, 2))));
        }
        out[i] = static_cast<std::uint8_t>(*high << 4 | *low);
    }
    return {};
}

}  // namespace orrincore_crypto::detail
