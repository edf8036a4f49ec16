#include "text/unicode_text.hpp"

#include <unicode/ucasemap.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include <orrincore_error/text.hpp>

namespace vevizovuvazavad::text {
namespace {

bool is_continuation_byte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Where the character starting at `i` ends; a maximal ill-formed sequence
// counts as one character, as it shows as one U+FFFD.
std::size_t character_end(std::string_view text, std::size_t i) {
    return i + orrincore_error::decode_character(text, i).length;
}

struct CaseMapCloser {
    void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

// The root locale: no language's special rules (Turkish, Lithuanian, ...).
const UCaseMap& root_case_map() {
    static const std::unique_ptr<UCaseMap, CaseMapCloser> map = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UCaseMap, CaseMapCloser> opened(ucasemap_open("", 0, &status));
        if (U_FAILURE(status) || !opened) throw std::bad_alloc();  // its only failure is allocation
        return opened;
    }();
    return *map;
}

// ICU counts in int32_t: a piece handed to it stays below that bound.
void append_lower_case(std::string_view piece, std::string& out) {
    const auto length = static_cast<std::int32_t>(piece.size());
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t needed = ucasemap_utf8ToLower(&root_case_map(), nullptr, 0, piece.data(), length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) throw std::bad_alloc();
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(needed));
    status = U_ZERO_ERROR;
    ucasemap_utf8ToLower(&root_case_map(), out.data() + start, needed, piece.data(), length, &status);
    if (U_FAILURE(status)) throw std::bad_alloc();  // with valid arguments, only allocation fails
}

}  // namespace

std::string lossy_utf8(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        // An ill-formed sequence reads as one U+FFFD; a character is written
        // back as the bytes it was read from.
        const auto character = orrincore_error::decode_character(text, i);
        orrincore_error::append_utf8(shown, character.code_point);
        i += character.length;
    }
    return shown;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        i = character_end(text, i);
        // The library's blank test on one character is its White_Space test.
        if (!orrincore_error::is_blank(text.substr(start, i - start))) {
            begin = std::min(begin, start);
            end = i;
        }
    }
    return begin < end ? text.substr(begin, end - begin) : std::string_view{};
}

std::string full_lower_case(std::string_view text) {
    // Cut only before a character, so that no character is split; the only
    // context a cut could lose is a Greek final sigma's, in texts of 1 GiB.
    constexpr std::size_t max_piece = std::size_t{1} << 30;
    static_assert(max_piece < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()));
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::size_t length = std::min(text.size(), max_piece);
        while (length < text.size() && length > 1 && is_continuation_byte(text[length])) --length;
        append_lower_case(text.substr(0, length), out);
        text.remove_prefix(length);
    }
    return out;
}

std::size_t character_count(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i = character_end(text, i)) ++count;
    return count;
}

}  // namespace vevizovuvazavad::text
