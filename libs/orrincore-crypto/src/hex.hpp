#pragma once
// Hex text of fixed-size byte strings, shared by content-hash digests and
// signatures: lower-case on writing, either case on reading.

#include <orrincore_error/error.hpp>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orrincore_crypto::detail {

// The messages one kind of hex text is refused with.
struct HexReadTexts {
    std::string_view not_ascii;           // a pair cuts a multi-byte character in two
    std::string_view invalid_hex_prefix;  // followed by the quoted offending pair
};

// Two lower-case hex digits per byte, in byte order.
std::string to_lower_hex(std::span<const std::uint8_t> bytes);

// Reads `text` pair by pair into `out`, stopping at the first bad pair. The
// caller has already checked that `text` holds exactly 2 * out.size() bytes.
orrincore_error::Result<void> read_hex_pairs(std::string_view text, std::span<std::uint8_t> out,
                                             const HexReadTexts& texts);

}  // namespace orrincore_crypto::detail
