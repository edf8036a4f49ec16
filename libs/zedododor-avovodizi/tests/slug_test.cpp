#include <zedododor_avovodizi/ids.hpp>

#include <gtest/gtest.h>

#include <string>

namespace {

using orrincore_error::CoreError;
using orrincore_error::InvalidIdentifier;
using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::Slug;

std::string repeat(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

struct SlugCase {
    std::string text;
    std::string reason;  // empty: valid
};

class SlugRules : public testing::TestWithParam<SlugCase> {};

TEST_P(SlugRules, FirstBrokenRuleDecides) {
    const auto& [text, reason] = GetParam();
    const auto validated = Slug::validate(text);
    const auto created = Slug::create(text);
    const auto taken = Slug::try_from(text);
    const auto product = ProductId::create(text);
    if (reason.empty()) {
        EXPECT_TRUE(validated.has_value());
        ASSERT_TRUE(created.has_value());
        EXPECT_EQ(created->to_string(), text);
        ASSERT_TRUE(taken.has_value());
        EXPECT_EQ(*taken, *created);
        ASSERT_TRUE(product.has_value());
        EXPECT_EQ(product->to_string(), text);
        return;
    }
    const CoreError expected = InvalidIdentifier{"Slug", reason};
    ASSERT_FALSE(validated.has_value());
    EXPECT_EQ(validated.error(), expected);
    EXPECT_EQ(validated.error().message(), "invalid Slug identifier: " + reason);
    ASSERT_FALSE(created.has_value());
    EXPECT_EQ(created.error(), expected);
    ASSERT_FALSE(taken.has_value());
    EXPECT_EQ(taken.error(), expected);
    ASSERT_FALSE(product.has_value());
    EXPECT_EQ(product.error(), expected);
}

const std::string kCharacters = "may contain only lowercase ASCII letters, digits and hyphens";
const std::string kEdge = "must not start or end with a hyphen";

INSTANTIATE_TEST_SUITE_P(Cases, SlugRules,
                         testing::Values(SlugCase{"vuvadededoru", ""}, SlugCase{"a", ""}, SlugCase{"9-lives", ""},
                                         SlugCase{"legal-hold", ""}, SlugCase{repeat("a", 64), ""},
                                         SlugCase{"", "must not be empty"},
                                         SlugCase{repeat("a", 65), "must be at most 64 bytes, got 65"},
                                         // Bytes are counted before characters are looked at.
                                         SlugCase{repeat("\xC3\xA9", 40), "must be at most 64 bytes, got 80"},
                                         SlugCase{"\xC3\xA9", kCharacters}, SlugCase{"Abc", kCharacters},
                                         SlugCase{"a_b", kCharacters}, SlugCase{"a b", kCharacters},
                                         SlugCase{std::string("a\0b", 3), kCharacters}, SlugCase{"-abc", kEdge},
                                         SlugCase{"abc-", kEdge},
                                         // The edge check comes before the double-hyphen check.
                                         SlugCase{"--", kEdge}, SlugCase{"-", kEdge},
                                         SlugCase{"a--b", "must not contain consecutive hyphens"}));

}  // namespace

namespace {

// A literal is checked by the same rules, when the program is built.
static_assert(!zedododor_avovodizi::ids::first_slug_fault("vuvadededoru"));
static_assert(zedododor_avovodizi::ids::first_slug_fault("a--b") ==
              zedododor_avovodizi::ids::SlugFault::consecutive_hyphens);

TEST(ProductIdLiteral, EqualsTheValidatedId) {
    EXPECT_EQ(ProductId::from_literal("legal-hold"), *ProductId::create("legal-hold"));
}

}  // namespace
