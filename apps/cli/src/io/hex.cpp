#include "io/hex.hpp"

#include <orrincore_error/hex.hpp>

namespace vevizovuvazavad::io {

std::string hex_lower(std::span<const std::uint8_t> bytes) { return orrincore_error::hex::to_lower(bytes); }

void hex_lower_extend(std::span<const std::uint8_t> bytes, std::string& text) {
    orrincore_error::hex::append_lower(bytes, text);
}

}  // namespace vevizovuvazavad::io
