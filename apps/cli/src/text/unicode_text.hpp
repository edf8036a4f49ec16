#pragma once
// Unicode text helpers of the tool: what operators type is UTF-8, and what
// the tool shows of it is too.

#include <cstddef>
#include <string>
#include <string_view>

namespace vevizovuvazavad::text {

// `text` as typed, each maximal invalid UTF-8 sequence shown as one U+FFFD:
// how the tool shows what it was given (paths, arguments, names).
std::string lossy_utf8(std::string_view text);

// `text` without the White_Space characters (U+0009..U+000D, U+0020, U+0085,
// U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000)
// at either end. Bytes that are not UTF-8 are not white space.
std::string_view trim_white_space(std::string_view text);

// `text` under the full, language-independent Unicode lower-case mapping:
// one character may become several ("\u0130" becomes "i\u0307"). Bytes that
// are not UTF-8 are kept as they are.
std::string full_lower_case(std::string_view text);

// The number of characters (Unicode scalar values) of a UTF-8 text; where
// bytes are not UTF-8, each U+FFFD they would show as counts as one.
std::size_t character_count(std::string_view text);

}  // namespace vevizovuvazavad::text
