#pragma once
// Text helpers shared by every message and constructor of the system.

#include <cstddef>
#include <string>
#include <string_view>

namespace orrincore_error {

// The quoted form of a text, used wherever a message shows a value quoted:
// between double quotes, `"` and `\` escaped, NUL/tab/CR/LF as \0 \t \r \n,
// grapheme extenders and non-printing characters as \u{hex}, everything else
// as it is. Bytes that are not UTF-8 show as U+FFFD.
std::string quoted_form(std::string_view text);

// True when the text is empty or holds only White_Space characters.
bool is_blank(std::string_view text);

// True when no byte has its high bit set; scans a machine word at a time,
// since most texts are ASCII.
bool is_ascii(std::string_view text);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// One step of every walk over UTF-8 text: the character that starts at byte
// `at` (below text.size()) and the bytes it takes. An ill-formed sequence (an
// overlong form, a surrogate, a value above U+10FFFF, a stray or missing
// continuation byte) is not `well_formed`: it reads as U+FFFD and takes its
// maximal well-formed prefix, at least one byte, so that each shows as one
// U+FFFD.
struct DecodedCharacter {
    char32_t code_point;
    std::size_t length;
    bool well_formed;
};
DecodedCharacter decode_character(std::string_view text, std::size_t at);

// Appends the UTF-8 form (one to four bytes) of `code_point`, which must be
// a Unicode scalar value: at most U+10FFFF and not a surrogate.
void append_utf8(std::string& out, char32_t code_point);

}  // namespace orrincore_error
