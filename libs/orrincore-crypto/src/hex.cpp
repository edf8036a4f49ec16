#include "hex.hpp"

#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include <cassert>
#include <string>

namespace orrincore_crypto::detail {
namespace {

// Whether two bytes are well-formed UTF-8 by themselves: two ASCII bytes, or
// one whole two-byte character.
bool pair_is_utf8(unsigned char first, unsigned char second) {
    if (first < 0x80 && second < 0x80) return true;
    return first >= 0xC2 && first <= 0xDF && second >= 0x80 && second <= 0xBF;
}

}  // namespace

orrincore_error::Result<void> read_hex_pairs(std::string_view text, std::span<std::uint8_t> out,
                                             const HexReadTexts& texts) {
    assert(text.size() == out.size() * 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto first = static_cast<unsigned char>(text[2 * i]);
        const auto second = static_cast<unsigned char>(text[2 * i + 1]);
        if (!pair_is_utf8(first, second)) {
            return std::unexpected(orrincore_error::validation(std::string(texts.not_ascii)));
        }
        const int high = orrincore_error::hex::digit_value(static_cast<char>(first));
        const int low = orrincore_error::hex::digit_value(static_cast<char>(second));
        if (high < 0 || low < 0) {
            return std::unexpected(orrincore_error::validation(
                std::string(texts.invalid_hex_prefix) +
                orrincore_error::quoted_form(text.substr(2 * i, 2))));
        }
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return {};
}

}  // namespace orrincore_crypto::detail
