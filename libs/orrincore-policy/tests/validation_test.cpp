#include "orrincore_policy/validation.hpp"

#include <gtest/gtest.h>

#include <string>

#include "policy_fixtures.hpp"

namespace orrincore_policy {
namespace {

using namespace orrincore_policy::testing;
using Condition = eval::PolicyCondition;

std::string verdict(const PolicyRuleset& rules) {
    auto valid = rules.validate();
    return valid ? "ok" : valid.error().message();
}

constexpr std::string_view zero_ttl =
    "ruleset sets decision_ttl_seconds to 0, so every decision would expire the moment it was issued \u2014 omit the "
    "field to mean \"no expiry\"";

struct Case {
    const char* what;
    PolicyRuleset ruleset;
    std::string expected;
};

TEST(PolicyRulesetValidate, FirstFaultInOrderWithItsMessage) {
    const Condition empty_one_of = Condition::OneOf{{}};
    const Condition inverted = Condition::InRange{5, 1};
    const Case cases[] = {
        {"no rules", ruleset({}), "ok"},
        {"no rules, TTL 1", ruleset({}, 1), "ok"},
        {"no rules, TTL 0", ruleset({}, 0), std::string(zero_ttl)},
        {"TTL 0 before a blank id", ruleset({rule(" ")}, 0), std::string(zero_ttl)},
        {"blank id at index 2", ruleset({rule("r1"), rule("r2"), rule("   ")}), "rule at index 2 has an empty rule_id"},
        {"empty id", ruleset({rule("")}), "rule at index 0 has an empty rule_id"},
        {"ideographic space is blank", ruleset({rule("\u3000")}), "rule at index 0 has an empty rule_id"},
        {"zero width space is not blank", ruleset({rule("\u200b")}), "ok"},
        {"duplicate id", ruleset({rule("r1"), rule("r1")}),
         "duplicate rule_id \"r1\" \u2014 rule ids must be unique within a ruleset"},
        {"ids differ by a space or by case", ruleset({rule("r1"), rule("r1 "), rule("R1")}), "ok"},
        {"duplicate before foreign action",
         ruleset({rule("r1"), rule("r1", Decision::allow, {}, {}, "other:legal-hold.release")}),
         "duplicate rule_id \"r1\" \u2014 rule ids must be unique within a ruleset"},
        {"foreign action before warn", ruleset({rule("r1", Decision::warn, {}, {}, "other:legal-hold.release")}),
         "rule \"r1\" targets action other:legal-hold.release, whose product does not match this ruleset's own "
         "product vuvadededoru \u2014 a ruleset must not govern another product's actions"},
        {"warn before an empty one_of", ruleset({rule("r1", Decision::warn, {{"k", empty_one_of}})}),
         "rule \"r1\" declares effect Warn, which permits the action without reading as a grant \u2014 a rule that "
         "grants must use `allow`, so a ruleset cannot express permission in a form a reviewer would read as a "
         "warning"},
        {"earlier empty one_of before later blank id",
         ruleset({rule("r1", Decision::allow, {{"reason_code", empty_one_of}}), rule(" ")}),
         "rule \"r1\" has an empty `one_of` condition on key \"reason_code\", which could never match anything"},
        {"facts before context", ruleset({rule("r1", Decision::allow, {{"z", inverted}}, {{"a", empty_one_of}})}),
         "rule \"r1\" has an inverted range on key \"z\": min 5 > max 1, so it could never match anything"},
        {"key order within facts", ruleset({rule("r1", Decision::allow, {{"b", empty_one_of}, {"a", inverted}})}),
         "rule \"r1\" has an inverted range on key \"a\": min 5 > max 1, so it could never match anything"},
        {"empty one_of in context", ruleset({rule("r1", Decision::deny, {}, {{"ctx", empty_one_of}})}),
         "rule \"r1\" has an empty `one_of` condition on key \"ctx\", which could never match anything"},
        {"negative bounds", ruleset({rule("r1", Decision::allow, {{"n", Condition::InRange{-5, -10}}})}),
         "rule \"r1\" has an inverted range on key \"n\": min -5 > max -10, so it could never match anything"},
        {"min equal to max", ruleset({rule("r1", Decision::allow, {{"n", Condition::InRange{7, 7}}})}), "ok"},
        {"one_of holding the empty text", ruleset({rule("r1", Decision::allow, {{"k", Condition::OneOf{{""}}}})}),
         "ok"},
        {"quoted forms of ids and keys",
         ruleset({rule("say \"r\"\t\u0301", Decision::allow, {{"k\"\\", empty_one_of}})}),
         "rule \"say \\\"r\\\"\\t\\u{301}\" has an empty `one_of` condition on key \"k\\\"\\\\\", which could never "
         "match anything"},
        {"other effects and conditions are not examined",
         ruleset({rule("r1", Decision::unknown, {{"a", Condition::AtLeast{INT64_MAX}}, {"b", Condition::Absent{}}}),
                  rule("r2", Decision::not_applicable, {}, {{"c", Condition::Equals{""}}})}),
         "ok"},
    };
    for (const auto& c : cases) EXPECT_EQ(verdict(c.ruleset), c.expected) << c.what;
}

TEST(PolicyRulesetValidate, ErrorsCarryCopiesOfTheirFields) {
    auto valid = ruleset({rule("r1"), rule("r1", Decision::allow, {{"k", Condition::InRange{2, -3}}})}).validate();
    ASSERT_FALSE(valid);
    EXPECT_EQ(valid.error(), PolicyRulesetError(ruleset_error::DuplicateRuleId{"r1"}));

    auto inverted = ruleset({rule("r1", Decision::allow, {{"k", Condition::InRange{2, -3}}})}).validate();
    ASSERT_FALSE(inverted);
    EXPECT_EQ(inverted.error(), PolicyRulesetError(ruleset_error::InvertedRange{"r1", "k", 2, -3}));

    auto warn = ruleset({rule("w", Decision::warn)}).validate();
    ASSERT_FALSE(warn);
    EXPECT_EQ(warn.error(), PolicyRulesetError(ruleset_error::WarnEffect{"w", Decision::warn}));
}

TEST(PolicyRulesetVerify, WrapsUnchangedOrGivesTheValidationError) {
    const PolicyRuleset good = ruleset({rule("r1", Decision::deny, {{"k", Condition::Present{}}})}, 60);
    auto verified = PolicyRuleset(good).verify();
    ASSERT_TRUE(verified);
    EXPECT_EQ(verified->ruleset(), good);

    const PolicyRuleset bad = ruleset({rule("r1"), rule("r1")});
    auto refused = PolicyRuleset(bad).verify();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), bad.validate().error());
}

TEST(VerifiedRulesetEmpty, VersionZeroNoRulesFreshIds) {
    const auto first = VerifiedRuleset::empty(product("vuvadededoru"));
    const auto second = VerifiedRuleset::empty(product("vuvadededoru"));
    EXPECT_EQ(first.ruleset().product_id.to_string(), "vuvadededoru");
    EXPECT_EQ(first.ruleset().version, 0u);
    EXPECT_TRUE(first.ruleset().rules.empty());
    EXPECT_FALSE(first.ruleset().decision_ttl_seconds);
    EXPECT_NE(first.ruleset().ruleset_id, second.ruleset().ruleset_id);
    EXPECT_TRUE(first.ruleset().validate());
}

}  // namespace
}  // namespace orrincore_policy
