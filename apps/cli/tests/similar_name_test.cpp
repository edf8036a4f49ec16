// The small text helpers of messages: suggestions, OS errors and paths.
#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command_line/similar_name.hpp"
#include "system/os_error.hpp"
#include "text/unicode_text.hpp"

namespace {

using namespace vevizovuvazavad;

TEST(SimilarName, JaroSimilarity) {
    EXPECT_DOUBLE_EQ(jaro_similarity("", ""), 1.0);
    EXPECT_DOUBLE_EQ(jaro_similarity("a", ""), 0.0);
    EXPECT_DOUBLE_EQ(jaro_similarity("retention", "retention"), 1.0);
    EXPECT_DOUBLE_EQ(jaro_similarity("abc", "xyz"), 0.0);
    EXPECT_NEAR(jaro_similarity("martha", "marhta"), 0.944444, 1e-6);
    EXPECT_NEAR(jaro_similarity("dixon", "dicksonx"), 0.766667, 1e-6);
    EXPECT_NEAR(jaro_similarity("crate", "trace"), 0.733333, 1e-6);
}

TEST(SimilarName, MostSimilarAboveTheThreshold) {
    const std::vector<std::string> groups = {"keygen",  "retention", "legal-hold", "target", "package", "disposition",
                                             "custody", "ruleset",   "trust",      "demo",   "help"};
    EXPECT_EQ(most_similar("retntion", groups), "retention");
    EXPECT_EQ(most_similar("legalhold", groups), "legal-hold");
    EXPECT_EQ(most_similar("trsut", groups), "trust");
    EXPECT_EQ(most_similar("xyz", groups), std::nullopt);
    EXPECT_EQ(most_similar("", groups), std::nullopt);
    // Equally similar: the first declared.
    EXPECT_EQ(most_similar("ab", std::vector<std::string>{"abx", "aby"}), "abx");
}

TEST(OsError, TextAndNumber) {
    EXPECT_EQ(system::os_error_text(ENOENT), "No such file or directory (os error 2)");
    EXPECT_EQ(system::os_error_text(EPIPE), "Broken pipe (os error 32)");
    EXPECT_EQ(system::path_error_text("a/b.json", EISDIR), "a/b.json: Is a directory (os error 21)");
}

TEST(OsError, PathsShowEachInvalidSequenceAsOneReplacement) {
    struct Case {
        std::string path;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain.json", "plain.json"},
        {"", ""},
        {"caf\xc3\xa9/\xf0\x9f\x93\x81", "caf\xc3\xa9/\xf0\x9f\x93\x81"},
        {"a\xE2\x82"
         "b",
         "a\xEF\xBF\xBD"
         "b"},                                                     // truncated sequence: one
        {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // two invalid bytes: two
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
        {"\xF0\x9F\x93", "\xEF\xBF\xBD"},                          // truncated at the end
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(text::lossy_utf8(c.path), c.shown);
    }
    EXPECT_EQ(system::path_error_text("\xFF.json", ENOENT),
              "\xEF\xBF\xBD.json: No such file or directory (os error 2)");
}

}  // namespace
