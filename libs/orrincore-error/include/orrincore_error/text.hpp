#pragma once
// Text helpers shared by every message and constructor of the system.

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

// Appends the UTF-8 form (one to four bytes) of `code_point`, which must be
// a Unicode scalar value: at most U+10FFFF and not a surrogate.
void append_utf8(std::string& out, char32_t code_point);

}  // namespace orrincore_error
