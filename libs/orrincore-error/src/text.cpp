#include "orrincore_error/text.hpp"

#include <fmt/format.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace orrincore_error {
namespace {

bool needs_unicode_escape(UChar32 c) {
    if (u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND)) return true;
    switch (u_charType(c)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_SURROGATE:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR: return true;
    case U_SPACE_SEPARATOR: return c != 0x20;
    default: return false;
    }
}

bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

DecodedCharacter decode_character(std::string_view text, std::size_t at) {
    // ICU's U8_NEXT decides well-formedness. ICU counts in int32_t, so it is
    // handed a window of one sequence at most: offsets past 2 GiB would
    // otherwise wrap and read outside the text.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data() + at);
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size() - at, U8_MAX_LENGTH));
    int32_t index = 0;
    UChar32 c = 0;
    U8_NEXT(bytes, index, length, c);
    if (c < 0) return {U'\uFFFD', static_cast<std::size_t>(index), false};
    return {static_cast<char32_t>(c), static_cast<std::size_t>(index), true};
}

std::string quoted_form(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t i = 0; i < text.size();) {
        const DecodedCharacter character = decode_character(text, i);
        i += character.length;
        const char32_t c = character.code_point;
        switch (c) {
        case '"': out += "\\\""; continue;
        case '\\': out += "\\\\"; continue;
        case '\0': out += "\\0"; continue;
        case '\t': out += "\\t"; continue;
        case '\r': out += "\\r"; continue;
        case '\n': out += "\\n"; continue;
        default: break;
        }
        if (needs_unicode_escape(static_cast<UChar32>(c))) {
            out += fmt::format("\\u{{{:x}}}", static_cast<uint32_t>(c));
        } else {
            append_utf8(out, c);
        }
    }
    out.push_back('"');
    return out;
}

bool is_blank(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const DecodedCharacter character = decode_character(text, i);
        if (!character.well_formed || !is_white_space(character.code_point)) return false;
        i += character.length;
    }
    return true;
}

bool is_ascii(std::string_view text) {
    constexpr std::uint64_t high_bits = 0x8080808080808080ULL;
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t seen = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        seen |= word;
    }
    for (; n > 0; ++p, --n) seen |= static_cast<unsigned char>(*p);
    return (seen & high_bits) == 0;
}

void append_utf8(std::string& out, char32_t code_point) {
    if (code_point < 0x80) {
        out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

bool is_valid_utf8(std::string_view bytes) {
    if (is_ascii(bytes)) return true;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<uint8_t>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const DecodedCharacter character = decode_character(bytes, i);
        if (!character.well_formed) return false;
        i += character.length;
    }
    return true;
}

}  // namespace orrincore_error
