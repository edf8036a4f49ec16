#include "orrincore_error/text.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace orrincore_error {
namespace {

TEST(Quoted, EscapesAsMessagesShowThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"", R"("")"},
        {"plain 'single' text", R"("plain 'single' text")"},
        {"a\"b\\c", R"("a\"b\\c")"},
        {std::string("\0\t\r\n", 4), R"("\0\t\r\n")"},
        {"\x01\x1f\x7f", R"("\u{1}\u{1f}\u{7f}")"},
        {"e\xcc\x81", R"("e\u{301}")"},  // combining acute extends a grapheme
        {"\xc3\xa9", "\"\xc3\xa9\""},    // precomposed é prints
        {"\xc2\xa0|\xe2\x80\xa8|\xe2\x80\x8b", R"("\u{a0}|\u{2028}|\u{200b}")"},
        {"\xee\x80\x80", R"("\u{e000}")"},             // private use
        {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},  // emoji prints
        {"\xff", "\"\xef\xbf\xbd\""},                  // ill-formed byte
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(quoted_form(text), expected) << text;
}

TEST(Blank, UsesTheWhiteSpaceList) {
    EXPECT_TRUE(is_blank(""));
    EXPECT_TRUE(is_blank(" \t\n\v\f\r"));
    EXPECT_TRUE(is_blank("\xc2\x85\xc2\xa0\xe3\x80\x80\xe2\x80\xaf"));
    EXPECT_FALSE(is_blank(" x "));
    EXPECT_FALSE(is_blank("\xe2\x80\x8b"));  // zero width space is not White_Space
}

TEST(Utf8, RefusesIllFormedSequences) {
    EXPECT_TRUE(is_valid_utf8("abc \xc3\xa9 \xf0\x9f\x98\x80"));
    for (const char* bad : {"\x80", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff"})
        EXPECT_FALSE(is_valid_utf8(bad)) << bad;
    // Ill-formed bytes after long ASCII runs, past the word-at-a-time scan.
    EXPECT_FALSE(is_valid_utf8(std::string(17, 'a') + "\xc3"));
    EXPECT_TRUE(is_valid_utf8(std::string(17, 'a') + "\xc3\xa9" + std::string(9, 'b')));
    EXPECT_TRUE(is_ascii(std::string(23, 'z')));
    EXPECT_FALSE(is_ascii(std::string(16, 'z') + "\x80"));
}

TEST(Utf8, EncodesEachLengthAtItsBounds) {
    const std::pair<char32_t, std::string> cases[] = {
        {0x00, std::string(1, '\0')},
        {0x7F, "\x7f"},
        {0x80, "\xc2\x80"},
        {0x7FF, "\xdf\xbf"},
        {0x800, "\xe0\xa0\x80"},
        {0xFFFD, "\xef\xbf\xbd"},
        {0x10000, "\xf0\x90\x80\x80"},
        {0x10FFFF, "\xf4\x8f\xbf\xbf"},
    };
    for (const auto& [code_point, bytes] : cases) {
        std::string out = "x";
        append_utf8(out, code_point);
        EXPECT_EQ(out, "x" + bytes) << static_cast<std::uint32_t>(code_point);
    }
}

// Each ill-formed sequence is one step of its maximal well-formed prefix, as
// it shows as one U+FFFD; a well-formed character is one step of its bytes.
TEST(Utf8, DecodesOneCharacterPerStep) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t at;
        DecodedCharacter expected;
    };
    const Case cases[] = {
        {"ASCII", "ab", 1, {U'b', 1, true}},
        {"two bytes", "x\xc3\xa9", 1, {0xE9, 2, true}},
        {"three bytes", "\xe2\x80\xa8", 0, {0x2028, 3, true}},
        {"four bytes", "\xf0\x9f\x98\x80!", 0, {0x1F600, 4, true}},
        {"U+FFFD itself", "\xef\xbf\xbd", 0, {0xFFFD, 3, true}},
        {"stray continuation byte", "\x80\x80", 0, {0xFFFD, 1, false}},
        {"cut short by the end", "\xe2\x80", 0, {0xFFFD, 2, false}},
        {"cut short by ASCII",
         "\xf0\x9f\x98"
         "a",
         0,
         {0xFFFD, 3, false}},
        {"overlong", "\xc0\xaf", 0, {0xFFFD, 1, false}},
        {"surrogate", "\xed\xa0\x80", 0, {0xFFFD, 1, false}},
        {"above U+10FFFF", "\xf4\x90\x80\x80", 0, {0xFFFD, 1, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedCharacter decoded = decode_character(c.text, c.at);
        EXPECT_EQ(static_cast<std::uint32_t>(decoded.code_point), static_cast<std::uint32_t>(c.expected.code_point));
        EXPECT_EQ(decoded.length, c.expected.length);
        EXPECT_EQ(decoded.well_formed, c.expected.well_formed);
    }
}

}  // namespace
}  // namespace orrincore_error
