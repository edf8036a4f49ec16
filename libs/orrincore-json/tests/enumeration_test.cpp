#include <gtest/gtest.h>

#include <string>

#include "test_records.hpp"

namespace orrincore_json::testing {
namespace {

template <class T>
std::string outcome(std::string_view input) {
    auto result = parse<T>(input);
    if (!result) return result.error().message_with_position();
    return to_compact(*result);
}

TEST(Enumeration, WordsAndDebugNames) {
    EXPECT_EQ(word(Reason::audience_restricted), "audience_restricted");
    EXPECT_EQ(debug_name(Reason::audience_restricted), "AudienceRestricted");
    EXPECT_EQ(from_word<Reason>("oversized"), Reason::oversized);
    EXPECT_EQ(from_word<Reason>("Oversized"), std::nullopt);
    EXPECT_EQ(to_value(Reason::secret), nlohmann::json("secret"));
}

TEST(Enumeration, ReadingForms) {
    const std::pair<std::string, std::string> pair_cases[] = {
        {R"("left")", R"("left")"},
        {R"({"right":null})", R"("right")"},
        {R"( { "right" : null } )", R"("right")"},
        {R"("up")", "unknown variant `up`, expected `left` or `right` at line 1 column 4"},
        {R"("")", "unknown variant ``, expected `left` or `right` at line 1 column 2"},
        {R"({"up":null})", "unknown variant `up`, expected `left` or `right` at line 1 column 5"},
        {R"({"left":null)", "EOF while parsing an object at line 1 column 12"},
        {R"({"left":null,})", "expected value at line 1 column 12"},
        {R"({"left":[]})", "invalid type: sequence, expected unit at line 1 column 8"},
        {R"({"left" null})", "expected `:` at line 1 column 9"},
        {R"({"left":)", "EOF while parsing a value at line 1 column 8"},
        {R"({)", "EOF while parsing a value at line 1 column 1"},
        {R"(["left"])", "expected value at line 1 column 1"},
        {R"(true)", "expected value at line 1 column 1"},
        {R"()", "EOF while parsing a value at line 1 column 0"},
    };
    for (const auto& [input, expected] : pair_cases) EXPECT_EQ(outcome<Pair>(input), expected) << input;

    EXPECT_EQ(outcome<Single>(R"("other")"), "unknown variant `other`, expected `only` at line 1 column 7");
    EXPECT_EQ(outcome<Reason>(R"("secret-x")"),
              "unknown variant `secret-x`, expected one of `personal_data`, `secret`, `location`, `user_content`, "
              "`policy_required`, `subject_request`, `audience_restricted`, `oversized` at line 1 column 10");
    // Null in place of an optional enumeration is absent, not a word.
    EXPECT_EQ(outcome<std::optional<Pair>>("null"), "null");
}

}  // namespace
}  // namespace orrincore_json::testing
