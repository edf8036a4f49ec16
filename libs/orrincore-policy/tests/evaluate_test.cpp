#include "orrincore_policy/eval.hpp"

#include <gtest/gtest.h>
#include <orrincore_crypto/canonical.hpp>

#include <string>

#include "policy_fixtures.hpp"

namespace orrincore_policy::eval {
namespace {

using namespace orrincore_policy::testing;
using zedododor_avovodizi::time::Timestamp;
using Condition = PolicyCondition;

const Timestamp now = *Timestamp::from_str("2026-03-01T12:00:00Z");
constexpr std::string_view ruleset_text = "ruleset 6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c v7";

PolicyEvaluationInput release_input() {
    return release_request(now).with_fact("reason_code", "litigation").with_fact("hold_status", "release_requested");
}

VerifiedRuleset verified(PolicyRuleset rules) {
    auto result = std::move(rules).verify();
    EXPECT_TRUE(result) << result.error().message();
    return *std::move(result);
}

PolicyDecision decide(const VerifiedRuleset& rules, const PolicyEvaluationInput& input,
                      std::string_view action_text = release_action) {
    auto decision = evaluate(rules, input, action(action_text), now);
    EXPECT_TRUE(decision) << decision.error().message();
    return *std::move(decision);
}

TEST(PolicyEvaluationInputValueForm, TwelveKeysAndCanonicalBytes) {
    const auto input = release_input();
    EXPECT_EQ(input.schema_version, 1u);
    EXPECT_TRUE(input.context.empty());
    auto bytes = orrincore_crypto::canonical::to_canonical_json(input);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes,
              R"({"action":"vuvadededoru:legal-hold.release","actor_id":"alice","actor_type":"user","context":{},)"
              R"("facts":{"hold_status":"release_requested","reason_code":"litigation"},"product_id":"vuvadededoru",)"
              R"("requested_at":"2026-03-01T12:00:00Z","resource_id":"hold-42","resource_type":"legal-hold",)"
              R"("schema_version":1,"tenant_id":"11111111-2222-4333-8444-555555555555",)"
              R"("workspace_id":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"})");
    const auto decision = decide(VerifiedRuleset::empty(product("vuvadededoru")), input);
    EXPECT_EQ(decision.input_hash, orrincore_crypto::hash::blake3_hash(*bytes));
}

// Every key kind at once: a context entry, texts that normalise, escapes and
// the largest schema version. Bytes and hash are fixed: decisions already
// issued carry this hash.
TEST(PolicyEvaluationInputValueForm, CanonicalBytesAndHashArePinned) {
    auto input = release_input().with_fact("note", "cafe\xcc\x81 \"x\"\n");
    input.context.emplace("e\xcc\x81", "");
    input.actor_type = PolicyActorType::federation_peer;
    input.schema_version = UINT16_MAX;
    auto bytes = orrincore_crypto::canonical::to_canonical_json(input);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes,
              R"({"action":"vuvadededoru:legal-hold.release","actor_id":"alice","actor_type":"federation_peer",)"
              "\"context\":{\"\xc3\xa9\":\"\"},"
              R"("facts":{"hold_status":"release_requested","note":"caf)"
              "\xc3\xa9"
              R"( \"x\"\n","reason_code":"litigation"},"product_id":"vuvadededoru",)"
              R"("requested_at":"2026-03-01T12:00:00Z","resource_id":"hold-42","resource_type":"legal-hold",)"
              R"("schema_version":65535,"tenant_id":"11111111-2222-4333-8444-555555555555",)"
              R"("workspace_id":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"})");
    EXPECT_EQ(orrincore_crypto::hash::blake3_hash(*bytes).to_string(),
              "blake3:40f98bb48af24c03e4e15efb97e3c79c2ed065619e49b1c9165eb876a13ca8c9");
    EXPECT_EQ(orrincore_crypto::hash::blake3_hash(*orrincore_crypto::canonical::to_canonical_json(release_input()))
                  .to_string(),
              "blake3:7017283ba76d5ecff4a2f459614284e9300f28937f1c3607762b8302b8b5d67c");
}

TEST(PolicyEvaluationInputWithFact, SecondValueReplacesTheFirst) {
    auto input = release_input().with_fact("k", "first").with_fact("k", "second");
    EXPECT_EQ(input.facts.at("k"), "second");
}

TEST(PolicyEvaluate, BindingRefusals) {
    auto other_action = release_input();
    other_action.action = "vuvadededoru:legal-hold.Release";
    auto other_product = release_input();
    other_product.product_id = product("other");
    auto clashing_keys = release_input().with_fact("\xc3\xa9", "1").with_fact("e\xcc\x81", "2");

    const std::pair<PolicyEvaluationInput, std::string> cases[] = {
        {other_action,
         "validation failed: policy input action \"vuvadededoru:legal-hold.Release\" does not match the action being "
         "evaluated (\"vuvadededoru:legal-hold.release\") \u2014 a decision must not take its effect from one action "
         "while its input_hash binds another"},
        {other_product,
         "validation failed: policy input belongs to product other but this ruleset governs vuvadededoru \u2014 "
         "refusing to issue a decision bound to an input from a different product"},
        {clashing_keys,
         "canonical serialization failed: duplicate object key \"\xc3\xa9\" after Unicode normalisation"},
    };
    const auto rules = verified(ruleset({rule("r1")}));
    for (const auto& [input, expected] : cases) {
        auto decision = evaluate(rules, input, action(), now);
        ASSERT_FALSE(decision) << expected;
        EXPECT_EQ(decision.error().message(), expected);
    }
}

TEST(PolicyEvaluate, ReasonsForEachOutcome) {
    PolicyRule named = rule("r1");
    named.rule_name = "litigation release";
    PolicyRule quoted = rule("say \"hi\"", Decision::deny);

    auto foreign_input = release_input();
    foreign_input.action = "other:legal-hold.release";

    struct Case {
        const char* what;
        PolicyRuleset rules;
        PolicyEvaluationInput input;
        std::string_view action;
        Decision decision;
        std::string reason;
    };
    const Case cases[] = {
        {"named match", ruleset({named}), release_input(), release_action, Decision::allow,
         "matched rule \"r1\" (litigation release) in " + std::string(ruleset_text) +
             " for action vuvadededoru:legal-hold.release"},
        {"unnamed, quoted id", ruleset({quoted}), release_input(), release_action, Decision::deny,
         "matched rule \"say \\\"hi\\\"\" (unnamed) in " + std::string(ruleset_text) +
             " for action vuvadededoru:legal-hold.release"},
        {"no match", ruleset({rule("r1", Decision::allow, {{"reason_code", Condition::Equals{"audit"}}})}),
         release_input(), release_action, Decision::not_applicable,
         "no rule in " + std::string(ruleset_text) + " matched action vuvadededoru:legal-hold.release for this input"},
        {"action of another product", ruleset({rule("r1")}), foreign_input, "other:legal-hold.release",
         Decision::not_applicable,
         "action other:legal-hold.release belongs to product other, not this ruleset's product vuvadededoru (" +
             std::string(ruleset_text) + ") \u2014 no rule in it could ever govern this action"},
    };
    for (const auto& c : cases) {
        const auto decision = decide(verified(c.rules), c.input, c.action);
        EXPECT_EQ(decision.decision, c.decision) << c.what;
        EXPECT_EQ(decision.reason, c.reason) << c.what;
    }
}

TEST(PolicyEvaluate, EmptyRulesetIsNotApplicable) {
    const auto rules = VerifiedRuleset::empty(product("vuvadededoru"));
    const auto decision = decide(rules, release_input());
    EXPECT_EQ(decision.decision, Decision::not_applicable);
    EXPECT_EQ(decision.reason, "no rule in ruleset " + rules.ruleset().ruleset_id.to_string() +
                                   " v0 matched action vuvadededoru:legal-hold.release for this input");
    EXPECT_TRUE(decision.matched_rules.empty());
    EXPECT_EQ(decision.version, 0u);
}

TEST(PolicyEvaluate, FirstMatchingRuleDecides) {
    PolicyRule admin_only = rule("admin", Decision::deny);
    admin_only.actor_type = PolicyActorType::administrator;
    PolicyRule users = rule("users", Decision::require_approval);
    users.actor_type = PolicyActorType::user;
    PolicyRule cased_resource = rule("cased", Decision::fail);
    cased_resource.resource_type = "Legal-Hold";
    PolicyRule other_action = rule("other-action", Decision::deny, {}, {}, "vuvadededoru:legal-hold.request");

    struct Case {
        const char* what;
        std::vector<PolicyRule> rules;
        std::string matched;  // "" for no match
    };
    const Case cases[] = {
        {"earlier of two matching rules", {rule("first"), rule("second", Decision::deny)}, "first"},
        {"actor type restriction passed over", {admin_only, users}, "users"},
        {"resource type compared byte for byte", {cased_resource, rule("plain", Decision::pass)}, "plain"},
        {"other action passed over", {other_action}, ""},
        {"fact conditions all hold",
         {rule("facts", Decision::allow,
               {{"reason_code", Condition::OneOf{{"audit", "litigation"}}},
                {"hold_status", Condition::Equals{"release_requested"}}})},
         "facts"},
        {"one fact condition fails",
         {rule("facts", Decision::allow,
               {{"reason_code", Condition::Equals{"litigation"}}, {"hold_status", Condition::Equals{"active"}}})},
         ""},
        {"not_equals on a missing fact", {rule("ne", Decision::allow, {{"missing", Condition::NotEquals{"x"}}})}, ""},
        {"absent on a missing fact", {rule("ab", Decision::allow, {{"missing", Condition::Absent{}}})}, "ab"},
        {"context absent", {rule("ctx", Decision::allow, {}, {{"any", Condition::Absent{}}})}, "ctx"},
        {"context present", {rule("ctx", Decision::allow, {}, {{"any", Condition::Present{}}})}, ""},
        {"numeric condition on a text", {rule("num", Decision::allow, {{"reason_code", Condition::AtLeast{0}}})}, ""},
    };
    for (const auto& c : cases) {
        const auto decision = decide(verified(ruleset(c.rules)), release_input());
        if (c.matched.empty()) {
            EXPECT_EQ(decision.decision, Decision::not_applicable) << c.what;
            EXPECT_TRUE(decision.matched_rules.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(decision.matched_rules.size(), 1u) << c.what;
        const auto& rule_that_matched =
            *std::ranges::find(c.rules, c.matched, [](const PolicyRule& r) { return r.rule_id; });
        EXPECT_EQ(decision.matched_rules[0],
                  (MatchedRule{rule_that_matched.rule_id, rule_that_matched.rule_name, rule_that_matched.effect}))
            << c.what;
        EXPECT_EQ(decision.decision, rule_that_matched.effect) << c.what;
    }
}

TEST(PolicyEvaluate, FactKeysMatchByExactBytes) {
    const auto rules = verified(ruleset({rule("composed", Decision::allow, {{"\xc3\xa9", Condition::Present{}}})}));
    EXPECT_EQ(decide(rules, release_input().with_fact("\xc3\xa9", "1")).decision, Decision::allow);
    EXPECT_EQ(decide(rules, release_input().with_fact("e\xcc\x81", "1")).decision, Decision::not_applicable);
}

TEST(PolicyEvaluate, SeverityFollowsTheDecision) {
    const std::pair<Decision, PolicySeverity> cases[] = {
        {Decision::allow, PolicySeverity::info},
        {Decision::deny, PolicySeverity::critical},
        {Decision::require_approval, PolicySeverity::info},
        {Decision::require_reauthentication, PolicySeverity::info},
        {Decision::require_exception, PolicySeverity::info},
        {Decision::pass, PolicySeverity::info},
        {Decision::fail, PolicySeverity::critical},
        {Decision::not_applicable, PolicySeverity::info},
        {Decision::unknown, PolicySeverity::info},
    };
    for (const auto& [effect, severity] : cases) {
        const auto decision = decide(verified(ruleset({rule("r", effect)})), release_input());
        EXPECT_EQ(decision.severity, severity) << orrincore_json::word(effect);
    }
    EXPECT_EQ(decide(VerifiedRuleset::empty(product("vuvadededoru")), release_input()).severity, PolicySeverity::info);
}

TEST(PolicyEvaluate, ExpiryFromTheDecisionTtl) {
    const auto with_ttl = verified(ruleset({rule("r", Decision::allow, {{"x", Condition::Present{}}})}, 3600));
    const auto matched = decide(with_ttl, release_input().with_fact("x", ""));
    const auto unmatched = decide(with_ttl, release_input());
    for (const auto& decision : {matched, unmatched}) {
        EXPECT_EQ(decision.issued_at, now);
        EXPECT_EQ(decision.expires_at, now.saturating_add_seconds(3600));
        EXPECT_FALSE(decision.annotation);
    }
    EXPECT_EQ(unmatched.decision, Decision::not_applicable);

    EXPECT_FALSE(decide(verified(ruleset({rule("r")})), release_input()).expires_at);

    // The largest TTL near the end of time saturates instead of overflowing.
    const auto rules = verified(ruleset({}, UINT32_MAX));
    const auto late = Timestamp::latest().saturating_add_seconds(-10);
    auto input = release_input();
    auto decision = evaluate(rules, input, action(), late);
    ASSERT_TRUE(decision);
    EXPECT_EQ(decision->expires_at, Timestamp::latest());
}

TEST(PolicyEvaluate, InputHashBindsTheInput) {
    const auto rules = verified(ruleset({rule("r")}));
    const auto base = decide(rules, release_input());
    const auto again = decide(rules, release_input());
    EXPECT_EQ(base.input_hash, again.input_hash);
    EXPECT_NE(base.decision_id, again.decision_id);
    EXPECT_EQ(base.ruleset_id, rules.ruleset().ruleset_id);
    EXPECT_EQ(base.version, 7u);

    auto later = release_input();
    later.requested_at = now.saturating_add_seconds(1);
    auto other_fact = release_input().with_fact("reason_code", "audit");
    auto empty_fact = release_input().with_fact("note", "");
    for (const auto& changed : {later, other_fact, empty_fact})
        EXPECT_NE(decide(rules, changed).input_hash, base.input_hash);
}

}  // namespace
}  // namespace orrincore_policy::eval
