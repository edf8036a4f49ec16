#include "orrincore_error/text.hpp"

#include <fmt/format.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace orrincore_error {
namespace {

// Decodes the code point at `i` and advances `i`; ill-formed bytes give a
// negative value (ICU's U8_NEXT rejects overlongs, surrogates and > U+10FFFF).
// ICU counts in int32_t, so it is handed a window of one sequence at most:
// offsets past 2 GiB would otherwise wrap and read outside the text.
UChar32 next_code_point(std::string_view text, std::size_t& i) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data() + i);
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size() - i, U8_MAX_LENGTH));
    int32_t index = 0;
    UChar32 c = 0;
    U8_NEXT(bytes, index, length, c);
    i += static_cast<std::size_t>(index);
    return c;
}

bool needs_unicode_escape(UChar32 c) {
    if (u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND)) return true;
    switch (u_charType(c)) {
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_PRIVATE_USE_CHAR:
        case U_UNASSIGNED:
        case U_SURROGATE:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
            return true;
        case U_SPACE_SEPARATOR:
            return c != 0x20;
        default:
            return false;
    }
}

bool is_white_space(UChar32 c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

std::string quoted_form(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t i = 0; i < text.size();) {
        UChar32 c = next_code_point(text, i);
        if (c < 0) c = 0xFFFD;
        switch (c) {
            case '"': out += "\\\""; continue;
            case '\\': out += "\\\\"; continue;
            case '\0': out += "\\0"; continue;
            case '\t': out += "\\t"; continue;
            case '\r': out += "\\r"; continue;
            case '\n': out += "\\n"; continue;
            default: break;
        }
        if (needs_unicode_escape(c)) {
            out += fmt::format("\\u{{{:x}}}", static_cast<uint32_t>(c));
        } else {
            append_utf8(out, static_cast<char32_t>(c));
        }
    }
    out.push_back('"');
    return out;
}

bool is_blank(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        UChar32 c = next_code_point(text, i);
        if (c < 0 || !is_white_space(c)) return false;
    }
    return true;
}

bool is_ascii(std::string_view text) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t seen = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        seen |= word;
    }
    for (; n > 0; ++p, --n) seen |= static_cast<unsigned char>(*p);
    return (seen & kHighBits) == 0;
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
        if (next_code_point(bytes, i) < 0) return false;
    }
    return true;
}

}  // namespace orrincore_error
