#pragma once
// Lower-case hex text of bytes: two digits per byte, high digit first, in
// byte order.

#include <cstdint>
#include <span>
#include <string>

namespace vevizovuvazavad::io {

std::string hex_lower(std::span<const std::uint8_t> bytes);

// Appends the digits of `bytes` to `text`.
void hex_lower_extend(std::span<const std::uint8_t> bytes, std::string& text);

}  // namespace vevizovuvazavad::io
