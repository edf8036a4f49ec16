#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "orrincore_error/text.hpp"

namespace orrincore_json::utf8 {

// Well-formed UTF-8; runs of ASCII are checked eight bytes at a time.
inline bool is_valid(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i == text.size() || orrincore_error::is_valid_utf8(text.substr(i));
}

}  // namespace orrincore_json::utf8
