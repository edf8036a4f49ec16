#pragma once
// Hexadecimal digits: every hex text of the system is written in lower case
// and read in either case.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orrincore_error::hex {

namespace detail {

inline constexpr std::array<std::int8_t, 256> digit_values = [] {
    std::array<std::int8_t, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        if (c >= '0' && c <= '9') table[c] = static_cast<std::int8_t>(c - '0');
        else if (c >= 'a' && c <= 'f') table[c] = static_cast<std::int8_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') table[c] = static_cast<std::int8_t>(c - 'A' + 10);
        else table[c] = -1;
    }
    return table;
}();

}  // namespace detail

// The value of an ASCII hex digit of either case, or -1. Explicit byte
// ranges, looked up in a table: the <cctype> tests and strtol depend on the
// locale and accept signs and spaces.
constexpr int digit_value(char c) { return detail::digit_values[static_cast<unsigned char>(c)]; }

// Reads two hex digits of either case into each byte of `out`, the high
// digit first, from `digits`, which holds exactly 2 * out.size() bytes.
// Stops at the first pair that is not two hex digits and returns its index,
// the bytes before it filled; out.size() when every pair was read. A caller
// that reads a secret wipes `out` when it stops short.
constexpr std::size_t decode(std::string_view digits, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int high = digit_value(digits[2 * i]);
        const int low = digit_value(digits[2 * i + 1]);
        if (high < 0 || low < 0) return i;
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return out.size();
}

// The two lower-case hex digits of a byte, high four bits first.
constexpr std::array<char, 2> lower_digits(std::uint8_t byte) {
    constexpr char hex_digits[] = "0123456789abcdef";
    return {hex_digits[byte >> 4], hex_digits[byte & 0x0F]};
}

namespace detail {

inline constexpr std::array<std::array<char, 2>, 256> lower_pairs = [] {
    std::array<std::array<char, 2>, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) table[byte] = lower_digits(static_cast<std::uint8_t>(byte));
    return table;
}();

}  // namespace detail

// Writes two lower-case hex digits per byte, in byte order, from `out` on;
// returns the end of what it wrote. Identifiers and hashes are written this
// way many times a manifest: a pair at a time, from a table.
constexpr char* write_lower(std::span<const std::uint8_t> bytes, char* out) {
    for (const std::uint8_t byte : bytes) {
        const auto& pair = detail::lower_pairs[byte];
        *out++ = pair[0];
        *out++ = pair[1];
    }
    return out;
}

// Appends two lower-case hex digits per byte, in byte order.
inline void append_lower(std::span<const std::uint8_t> bytes, std::string& out) {
    const std::size_t at = out.size();
    out.resize_and_overwrite(at + 2 * bytes.size(), [&](char* text, std::size_t size) {
        write_lower(bytes, text + at);
        return size;
    });
}

inline std::string to_lower(std::span<const std::uint8_t> bytes) {
    std::string text;
    append_lower(bytes, text);
    return text;
}

}  // namespace orrincore_error::hex
