#include "text/unicode_text.hpp"

#include <string>

#include <gtest/gtest.h>

namespace vevizovuvazavad {
namespace {

TEST(TrimWhiteSpace, RemovesEveryWhiteSpaceCharacterAtBothEndsOnly) {
    struct Case {
        std::string input;
        std::string trimmed;
    };
    const Case cases[] = {
        {"", ""},
        {"abc", "abc"},
        {" \t\n\v\f\rabc \t\n\v\f\r", "abc"},
        {"\u0085\u00a0\u1680abc\u2000\u200a", "abc"},
        {"\u2028\u2029\u202f\u205f\u3000abc\u3000", "abc"},
        {"a b\u3000c", "a b\u3000c"},            // inside: kept
        {"\u200babc\u200b", "\u200babc\u200b"},  // a zero-width space is not White_Space
        {"\u180eabc", "\u180eabc"},              // nor the Mongolian vowel separator
        {"\u001cabc", "\u001cabc"},              // nor the information separators
        {" \u3000 ", ""},
        {"\xff abc \x80", "\xff abc \x80"},  // bytes that are not UTF-8 stop the trim
        {" \x80 ", "\x80"},
        {"\xe3\x80", "\xe3\x80"},  // a cut-off U+3000
        {" \xc3\xa9 ", "\xc3\xa9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(text::trim_white_space(c.input), c.trimmed);
    }
}

TEST(FullLowerCase, UsesTheFullLanguageIndependentMapping) {
    EXPECT_EQ(text::full_lower_case("ABCDEF0123456789abcdef"), "abcdef0123456789abcdef");
    EXPECT_EQ(text::full_lower_case("\u0130"), "i\u0307");  // one character becomes two
    EXPECT_EQ(text::full_lower_case("I"), "i");             // no Turkish rule
    EXPECT_EQ(text::full_lower_case("\u00c9\u0391\u0411"), "\u00e9\u03b1\u0431");
    EXPECT_EQ(text::full_lower_case("\u039f\u03a3 \u03a3"), "\u03bf\u03c2 \u03c3");  // final sigma
    EXPECT_EQ(text::full_lower_case(""), "");
    EXPECT_EQ(text::full_lower_case("A\xff"
                                    "B"),
              "a\xff"
              "b");
}

TEST(CharacterCount, CountsScalarValuesNotBytes) {
    EXPECT_EQ(text::character_count(""), 0u);
    EXPECT_EQ(text::character_count("abc"), 3u);
    EXPECT_EQ(text::character_count("\u00e9\u3000\U0001F600"), 3u);
    EXPECT_EQ(text::character_count("i\u0307"), 2u);
    EXPECT_EQ(text::character_count("a\xff\xfe"
                                    "b"),
              4u);  // two bytes that are not UTF-8: two U+FFFD
    EXPECT_EQ(text::character_count("\xe3\x80"
                                    "a"),
              2u);  // a cut-off U+3000: one U+FFFD
}

}  // namespace
}  // namespace vevizovuvazavad
