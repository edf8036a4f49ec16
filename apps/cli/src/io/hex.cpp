#include "io/hex.hpp"

namespace vevizovuvazavad::io {

std::string hex_lower(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(2 * bytes.size());
    hex_lower_extend(bytes, text);
    return text;
}

void hex_lower_extend(std::span<const std::uint8_t> bytes, std::string& text) {
    static constexpr char digits[] = "0123456789abcdef";
    for (const std::uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0f]);
    }
}

}  // namespace vevizovuvazavad::io
