#pragma once
// Hexadecimal digits: every hex text of the system is written in lower case
// and read in either case.

#include <cstdint>
#include <span>
#include <string>

namespace orrincore_error::hex {

// The value of an ASCII hex digit of either case, or -1. Explicit byte
// ranges: the <cctype> tests and strtol depend on the locale and accept signs
// and spaces.
constexpr int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Appends two lower-case hex digits per byte, in byte order.
inline void append_lower(std::span<const std::uint8_t> bytes, std::string& out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const std::uint8_t byte : bytes) {
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
}

inline std::string to_lower(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    append_lower(bytes, text);
    return text;
}

}  // namespace orrincore_error::hex
