#pragma once
// Reading the hex text of fixed-size byte strings, shared by content-hash
// digests, signatures and public keys (written by orrincore_error::hex::to_lower).

#include <orrincore_error/error.hpp>

#include <cstdint>
#include <span>
#include <string_view>

namespace orrincore_crypto::detail {

// The messages one kind of hex text is refused with.
struct HexReadTexts {
    std::string_view subject;             // "{subject} must be {} hex characters, got {}"
    std::string_view not_ascii;           // a pair cuts a multi-byte character in two
    std::string_view invalid_hex_prefix;  // followed by the quoted offending pair
};

// Reads exactly 2 * out.size() hex digits of either case into `out`; the
// length is checked first, then the pairs in order, up to the first bad one.
orrincore_error::Result<void> read_hex(std::string_view text, std::span<std::uint8_t> out, const HexReadTexts& texts);

}  // namespace orrincore_crypto::detail
