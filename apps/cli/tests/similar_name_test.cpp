// The "did you mean" of usage errors.
#include "command_line/similar_name.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

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

}  // namespace
