#include "orrincore_policy/signed_ruleset.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <orrincore_json/document.hpp>

#include <string>
#include <vector>

#include "orrincore_policy/eval.hpp"
#include "policy_fixtures.hpp"

namespace orrincore_policy {
namespace {

using namespace orrincore_policy::testing;
using orrincore_crypto::SigningKey;
using zedododor_avovodizi::ids::EnvelopeId;
using zedododor_avovodizi::ids::KeyId;
using zedododor_avovodizi::time::Timestamp;
using Condition = eval::PolicyCondition;

const std::vector<std::string> context = {"product:vuvadededoru", "purpose:policy-ruleset"};
const Timestamp now = *Timestamp::from_str("2026-03-01T12:00:00Z");
const SigningKey key = SigningKey::from_bytes({42});

constexpr std::string_view composed = "r\xc3\xa9vision";     // U+00E9
constexpr std::string_view decomposed = "re\xcc\x81vision";  // e, U+0301

PolicyRuleset release_rules() {
    PolicyRule allow =
        rule("allow-revision", Decision::allow, {{"reason_code", Condition::Equals{std::string(composed)}}});
    allow.rule_name = "release after r\xc3\xa9vision";
    allow.actor_type = PolicyActorType::user;
    allow.resource_type = "legal-hold";
    return ruleset({allow, rule("deny-rest", Decision::deny)}, 3600);
}

std::string signed_file(PolicyRuleset rules = release_rules()) {
    auto sealed = SignedPolicyRuleset::seal(std::move(rules), KeyId::generate(), key, now, context);
    EXPECT_TRUE(sealed) << sealed.error().message();
    return orrincore_json::to_pretty(*sealed);
}

// The decision for a release whose reason code is `reason`.
Decision decide(const PolicyRuleset& rules, std::string_view reason) {
    auto verified = PolicyRuleset(rules).verify();
    EXPECT_TRUE(verified);
    const auto input = release_request(now).with_fact("reason_code", std::string(reason));
    auto decision = eval::evaluate(*verified, input, action(), now);
    EXPECT_TRUE(decision) << decision.error().message();
    return decision->decision;
}

PolicyRuleset opened(const std::string& file) {
    auto envelope = orrincore_json::parse<SignedPolicyRuleset>(file);
    EXPECT_TRUE(envelope) << envelope.error().message_with_position();
    auto rules = envelope->open(key.verifying_key(), now, context);
    EXPECT_TRUE(rules) << rules.error().message();
    return *std::move(rules);
}

TEST(SignedPolicyRuleset, FixedSeedSigningInputAndSignature) {
    // One rule with every optional part and one with none: any change to
    // what the signature of a ruleset covers shows in these bytes.
    PolicyRule full = rule("allow-litigation", Decision::allow,
                           {{"reason_code", Condition::OneOf{{"litigation"}}}, {"age", Condition::InRange{1, 30}}},
                           {{"session", Condition::Absent{}}});
    full.rule_name = "litigation";
    full.actor_type = PolicyActorType::user;
    full.resource_type = "legal-hold";
    SignedPolicyRuleset envelope{1,
                                 *EnvelopeId::from_str("0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b"),
                                 *KeyId::from_str("1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d"),
                                 now,
                                 std::nullopt,
                                 context,
                                 ruleset({full, rule("deny-rest", Decision::deny)}, 3600),
                                 std::nullopt,
                                 {}};
    const auto bytes = envelope.signing_bytes();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(
        *bytes,
        R"({"associated_data":["product:vuvadededoru","purpose:policy-ruleset"],"created_at":"2026-03-01T12:00:00Z",)"
        R"("envelope_id":"0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b","expires_at":null,"format_version":1,)"
        R"("key_id":"1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d","payload":{"decision_ttl_seconds":3600,)"
        R"("product_id":"vuvadededoru","rules":[{"action":"vuvadededoru:legal-hold.release","actor_type":"user",)"
        R"("context":{"session":{"op":"absent"}},"effect":"allow","facts":{"age":{"max":30,"min":1,"op":"in_range"},)"
        R"("reason_code":{"op":"one_of","values":["litigation"]}},"resource_type":"legal-hold",)"
        R"("rule_id":"allow-litigation","rule_name":"litigation"},{"action":"vuvadededoru:legal-hold.release",)"
        R"("effect":"deny","rule_id":"deny-rest"}],"ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c",)"
        R"("version":7},"previous_hash":null})");
    envelope.signature = key.sign_bytes(*bytes);
    EXPECT_EQ(envelope.signature.to_hex(),
              "ca02be613dbc83c709d22737ccb397f73d78d7ab86e2dac5302be7887d867f79"
              "e188279e984a438067098d179b4ac1c066ead6d12b7e3271e79da7946564600f");
    EXPECT_EQ(opened(orrincore_json::to_pretty(envelope)), envelope.payload);
}

TEST(SignedPolicyRuleset, SealedFileOpensToTheSignedRuleset) {
    const std::string file = signed_file();
    EXPECT_EQ(opened(file), release_rules());
    EXPECT_EQ(decide(opened(file), composed), Decision::allow);
    EXPECT_EQ(decide(opened(file), "other"), Decision::deny);
}

TEST(SignedPolicyRuleset, DecomposedSwapDoesNotChangeWhatIsEvaluated) {
    // Both spellings have the same canonical bytes, so the swapped file still
    // verifies. The ruleset evaluated must be the signed one: the swapped
    // condition would otherwise stop matching the composed reason code and
    // start matching the decomposed one.
    std::string file = signed_file();
    for (auto at = file.find(composed); at != std::string::npos; at = file.find(composed, at))
        file.replace(at, composed.size(), decomposed);
    ASSERT_EQ(file.find("\xc3\xa9"), std::string::npos);

    auto envelope = orrincore_json::parse<SignedPolicyRuleset>(file);
    ASSERT_TRUE(envelope);
    const auto& as_read = envelope->payload;
    EXPECT_EQ(decide(as_read, composed), Decision::deny);  // what the file alone would decide
    EXPECT_EQ(decide(as_read, decomposed), Decision::allow);

    const PolicyRuleset rules = opened(file);
    EXPECT_EQ(rules, release_rules());
    EXPECT_EQ(decide(rules, composed), Decision::allow);
    EXPECT_EQ(decide(rules, decomposed), Decision::deny);
}

TEST(SignedPolicyRuleset, DecomposedFactKeySwapIsUndoneToo) {
    PolicyRuleset rules = ruleset({rule("r1", Decision::allow, {{"caf\xc3\xa9", Condition::Present{}}})});
    std::string file = signed_file(rules);
    const auto at = file.find("caf\xc3\xa9");
    ASSERT_NE(at, std::string::npos);
    file.replace(at, 5, "cafe\xcc\x81");
    EXPECT_EQ(opened(file), rules);
}

TEST(SignedPolicyRuleset, ReformattedFileStillOpens) {
    auto file = nlohmann::ordered_json::parse(signed_file());
    nlohmann::ordered_json reordered = nlohmann::ordered_json::object();
    reordered["signature"] = file["signature"];
    reordered["payload"] = nlohmann::ordered_json::object();
    reordered["payload"]["rules"] = file["payload"]["rules"];
    reordered["payload"]["decision_ttl_seconds"] = file["payload"]["decision_ttl_seconds"];
    reordered["payload"]["version"] = file["payload"]["version"];
    reordered["payload"]["product_id"] = file["payload"]["product_id"];
    reordered["payload"]["ruleset_id"] = "6F1C2A4E8B3D4C5E9A7F0D1E2F3A4B5C";
    reordered["payload"]["rules"][1]["facts"] = nlohmann::ordered_json::object();
    reordered["payload"]["rules"][1]["rule_name"] = nullptr;
    reordered["payload"]["rules"][0]["added_by_hand"] = true;
    for (const char* name : {"associated_data", "created_at", "key_id", "envelope_id", "format_version"})
        reordered[name] = file[name];
    reordered["key_id"] = std::string(file["key_id"]).insert(0, "{").append("}");
    reordered["expires_at"] = nullptr;
    reordered["x-note"] = {{"reviewed", "yes"}};

    EXPECT_EQ(opened(reordered.dump(3)), release_rules());
}

TEST(SignedPolicyRuleset, KeysEqualOnceNormalisedHaveNoSignature) {
    // Two fact keys that differ only in how é is spelt: reading keeps both,
    // but there are no canonical bytes to sign or to verify.
    const std::string expected =
        "canonical serialization failed: duplicate object key \"caf\xc3\xa9\" after Unicode normalisation";
    PolicyRuleset rules = ruleset(
        {rule("r1", Decision::allow, {{"caf\xc3\xa9", Condition::Present{}}, {"cafe\xcc\x81", Condition::Absent{}}})});
    auto sealed = SignedPolicyRuleset::seal(rules, KeyId::generate(), key, now, context);
    ASSERT_FALSE(sealed);
    EXPECT_EQ(sealed.error().message(), expected);

    // A signed file edited to hold both keys fails at the signing input,
    // before the signature is examined.
    std::string file = signed_file(ruleset({rule("r1", Decision::allow, {{"caf\xc3\xa9", Condition::Present{}}})}));
    const auto at = file.find("\"caf\xc3\xa9\": {");
    ASSERT_NE(at, std::string::npos);
    file.insert(at, "\"cafe\xcc\x81\": {\"op\": \"absent\"}, ");
    auto envelope = orrincore_json::parse<SignedPolicyRuleset>(file);
    ASSERT_TRUE(envelope) << envelope.error().message_with_position();
    EXPECT_EQ(envelope->payload.rules[0].facts.size(), 2u);
    auto opened_rules = envelope->open(key.verifying_key(), now, context);
    ASSERT_FALSE(opened_rules);
    EXPECT_EQ(opened_rules.error().message(), expected);
}

TEST(SignedPolicyRuleset, EditedRuleFailsTheSignature) {
    std::string file = signed_file();
    const auto at = file.find("\"deny\"");
    ASSERT_NE(at, std::string::npos);
    file.replace(at, 6, "\"allow\"");
    auto envelope = orrincore_json::parse<SignedPolicyRuleset>(file);
    ASSERT_TRUE(envelope);
    auto rules = envelope->open(key.verifying_key(), now, context);
    ASSERT_FALSE(rules);
    EXPECT_EQ(rules.error().message(), "signature verification failed");
}

}  // namespace
}  // namespace orrincore_policy
