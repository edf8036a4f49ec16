#include "gate/release_gate.hpp"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <orrincore_crypto/hash.hpp>
#include <orrincore_policy/eval.hpp>
#include <zorizorezire_rizozi/custody.hpp>

#include "key_fixtures.hpp"

namespace vevizovuvazavad {
namespace {

using orrincore_crypto::SigningKey;
using orrincore_policy::Decision;
using orrincore_policy::eval::PolicyActionId;
using orrincore_policy::PolicyActorType;
using orrincore_policy::PolicyRule;
using orrincore_policy::PolicyRuleset;
using orrincore_policy::SignedPolicyRuleset;
using Condition = orrincore_policy::eval::PolicyCondition;
using testing::ascii_upper;
using testing::key_from_seed;
using testing::public_key_hex;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldReasonCode;
using vuvadededoru_contracts::LegalHoldStatus;
using zedododor_avovodizi::time::Timestamp;
namespace ids = zedododor_avovodizi::ids;
namespace custody = zorizorezire_rizozi::custody;

const Timestamp now = *Timestamp::from_str("2026-03-01T12:00:00Z");
const SigningKey key_a = key_from_seed(0xA1);
const SigningKey key_b = key_from_seed(0xB2);
const std::string a = public_key_hex(key_a);
const std::string b = public_key_hex(key_b);
const std::string malformed_x = "not a key";
const std::string malformed_x_message =
    "expected a 64-character hex Ed25519 public key, got 9 characters (and non-hex characters)";
const std::string small_order = "01" + std::string(62, '0');  // the neutral point
const std::string off_curve = "02" + std::string(62, '0');
const std::string off_curve_message =
    "not a valid Ed25519 public key: validation failed: invalid ed25519 public key: signature error: Cannot "
    "decompress Edwards point";

const std::string no_keys_message =
    "trust store has no trusted ruleset-signing keys — refusing every ruleset until one is established with "
    "`vevizovuvazavad trust add`";
const std::string every_key_message =
    "ruleset failed signature verification against every key in the trust store — refusing to evaluate an "
    "unverifiable ruleset (unsigned, tampered, expired, signed for a different product, or signed by a key nobody "
    "deliberately trusted)";
const std::string structure_message = "ruleset is signed by a trusted key but fails its own structural validation: ";

PolicyActionId action(std::string_view text) { return *PolicyActionId::from_str(text); }

const ids::PolicyId ruleset_id = *ids::PolicyId::from_str("6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c");

PolicyRuleset release_rules(std::vector<PolicyRule> extra = {}) {
    std::vector<PolicyRule> rules = {
        PolicyRule{"allow-litigation",
                   "release after review",
                   action("vuvadededoru:legal-hold.release"),
                   PolicyActorType::user,
                   "legal-hold",
                   {{"hold_status", Condition::Equals{"release_requested"}},
                    {"reason_code", Condition::OneOf{{"litigation"}}}},
                   {},
                   Decision::allow},
        PolicyRule{"deny-inquiries",
                   std::nullopt,
                   action("vuvadededoru:legal-hold.release"),
                   std::nullopt,
                   std::nullopt,
                   {{"reason_code", Condition::Equals{"regulatory_inquiry"}}},
                   {},
                   Decision::deny},
        PolicyRule{"dispose-anything",
                   std::nullopt,
                   action("vuvadededoru:package.dispose"),
                   std::nullopt,
                   std::nullopt,
                   {},
                   {},
                   Decision::allow},
    };
    rules.insert(rules.end(), extra.begin(), extra.end());
    return PolicyRuleset{ruleset_id, custody::product_id(), 7, std::move(rules), 3600};
}

SignedPolicyRuleset sealed(const SigningKey& key, PolicyRuleset rules = release_rules(),
                           std::vector<std::string> associated_data = ruleset_associated_data()) {
    auto envelope = SignedPolicyRuleset::seal(std::move(rules), ids::KeyId::generate(), key,
                                              now.saturating_add_seconds(-86400), std::move(associated_data));
    EXPECT_TRUE(envelope);
    return *std::move(envelope);
}

// The envelope after `edit`, signed again by `key`.
template <class Edit>
SignedPolicyRuleset resigned(const SigningKey& key, Edit edit) {
    auto envelope = sealed(key);
    edit(envelope);
    envelope.signature = key.sign_bytes(*envelope.signing_bytes());
    return envelope;
}

TrustStore store_of(const std::vector<std::string>& key_texts) {
    TrustStore store;
    for (const auto& text : key_texts)
        store.signers.push_back({"signer " + std::to_string(store.signers.size()), text, now});
    return store;
}

const ids::TenantId tenant = *ids::TenantId::from_str("11111111-2222-4333-8444-555555555555");
const ids::WorkspaceId workspace = *ids::WorkspaceId::from_str("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");

LegalHold hold(LegalHoldStatus status, LegalHoldReasonCode reason = LegalHoldReasonCode::litigation) {
    return LegalHold{
        .id = *vuvadededoru_contracts::LegalHoldId::from_str("0F8E7D6C-5B4A-4938-8271-605F4E3D2C1B"),
        .tenant_id = tenant,
        .workspace_id = workspace,
        .name = "Inquiry 7",
        .description_redacted = {},
        .status = status,
        .scope = "all mail of 2023",
        .reason_code = reason,
        .requested_by = "legal@example",
        .approved_by = "counsel",
        .starts_at = now.saturating_add_seconds(-7 * 86400),
        .released_at = std::nullopt,
        .created_at = now.saturating_add_seconds(-8 * 86400),
        .updated_at = now.saturating_add_seconds(-86400),
    };
}

TEST(ReleaseGateValues, AreFixed) {
    EXPECT_EQ(ruleset_associated_data(), (std::vector<std::string>{"product:vuvadededoru", "purpose:policy-ruleset"}));
    EXPECT_EQ(hold_release_action_id(), action("vuvadededoru:legal-hold.release"));
    EXPECT_EQ(hold_release_action_id().to_string(), "vuvadededoru:legal-hold.release");
    EXPECT_EQ(hold_release_action_id().path().size(), 2u);
    EXPECT_EQ(custody::product_id().to_string(), "vuvadededoru");
}

struct VerifyCase {
    const char* label;
    std::vector<std::string> store;
    SignedPolicyRuleset envelope;
    std::optional<std::string> refusal;  // none: the signed ruleset is returned
};

void check(const std::vector<VerifyCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto verified = verify_signed_ruleset(c.envelope, store_of(c.store), now, ruleset_associated_data());
        if (c.refusal) {
            ASSERT_FALSE(verified);
            EXPECT_EQ(verified.error(), *c.refusal);
        } else {
            ASSERT_TRUE(verified) << verified.error();
            EXPECT_EQ(verified->ruleset(), c.envelope.payload);
        }
    }
}

TEST(VerifySignedRuleset, KeysAreParsedFirstThenTriedInStoreOrder) {
    const auto by_b = sealed(key_b);
    check({
        {"[A, B], signed by B", {a, b}, by_b, std::nullopt},
        {"[B, A], signed by B", {b, a}, by_b, std::nullopt},
        {"[A], signed by B", {a}, by_b, every_key_message},
        {"empty store", {}, by_b, no_keys_message},
        // Every key is parsed before any is tried, even one that would open it.
        {"[A, X], signed by A", {a, malformed_x}, sealed(key_a), malformed_x_message},
        {"[X, B], signed by B", {malformed_x, b}, by_b, malformed_x_message},
        {"[A, X], signed by B", {a, malformed_x}, by_b, malformed_x_message},
        {"[B, key with a space]",
         {b, " " + a},
         by_b,
         "expected a 64-character hex Ed25519 public key, got 65 characters (and non-hex characters)"},
        {"[A, off-curve B]", {a, off_curve}, by_b, off_curve_message},
        // The first key refused is reported, a point or a text of the wrong form.
        {"[off-curve, X]", {off_curve, malformed_x}, by_b, off_curve_message},
        {"[X, off-curve]", {malformed_x, off_curve}, by_b, malformed_x_message},
        {"[A, B, off-curve, X], signed by B", {a, b, off_curve, malformed_x}, by_b, off_curve_message},
        {"[A, off-curve, B], signed by B", {a, off_curve, b}, by_b, off_curve_message},
        {"[off-curve, A, B], signed by B", {off_curve, a, b}, by_b, off_curve_message},
        // A hand-edited store: key text in upper case still parses.
        {"[upper-case B]", {ascii_upper(b)}, by_b, std::nullopt},
        {"[small-order, B]", {small_order, b}, by_b, std::nullopt},
        {"[small-order]", {small_order}, by_b, every_key_message},
        {"[B, B]", {b, b}, by_b, std::nullopt},
    });
}

TEST(VerifySignedRuleset, EveryEnvelopeFaultIsTheSameRefusal) {
    const std::vector<std::string> store = {a, b};
    const std::vector<std::string> swapped = {"purpose:policy-ruleset", "product:vuvadededoru"};
    const std::vector<std::string> extra = {"product:vuvadededoru", "purpose:policy-ruleset", "tenant:x"};
    const std::vector<std::string> other = {"product:vuvadededorv", "purpose:policy-ruleset"};
    auto edited = sealed(key_b);
    edited.payload.rules[1].effect = Decision::allow;
    auto foreign_signature = sealed(key_b);
    foreign_signature.signature = sealed(key_b).signature;
    auto renamed_key = sealed(key_b);
    renamed_key.key_id = ids::KeyId::generate();
    // Two fact keys that are one key once composed: no canonical form to verify.
    auto no_canonical_form = sealed(key_b);
    no_canonical_form.payload.rules[0].facts.emplace("r\xc3\xa9vision", Condition::Present{});
    no_canonical_form.payload.rules[0].facts.emplace("re\xcc\x81vision", Condition::Present{});
    ASSERT_FALSE(no_canonical_form.signing_bytes());
    check({
        {"format version 2", store, resigned(key_b, [](auto& e) { e.format_version = 2; }), every_key_message},
        {"format version 0", store, resigned(key_b, [](auto& e) { e.format_version = 0; }), every_key_message},
        {"associated data swapped", store, sealed(key_b, release_rules(), swapped), every_key_message},
        {"a third associated text", store, sealed(key_b, release_rules(), extra), every_key_message},
        {"another product", store, sealed(key_b, release_rules(), other), every_key_message},
        {"no associated data", store, sealed(key_b, release_rules(), {}), every_key_message},
        {"expired a second before", store,
         resigned(key_b, [](auto& e) { e.expires_at = now.saturating_add_seconds(-1); }), every_key_message},
        {"expiring now", store, resigned(key_b, [](auto& e) { e.expires_at = now; }), std::nullopt},
        {"expiring later", store, resigned(key_b, [](auto& e) { e.expires_at = now.saturating_add_seconds(1); }),
         std::nullopt},
        {"created in the future", store,
         resigned(key_b, [](auto& e) { e.created_at = now.saturating_add_seconds(86400); }), std::nullopt},
        {"payload edited after signing", store, edited, every_key_message},
        {"another envelope's signature", store, foreign_signature, every_key_message},
        {"key id changed after signing", store, renamed_key, every_key_message},
        {"no canonical form", store, no_canonical_form, every_key_message},
        {"key id changed and signed again", store, resigned(key_b, [](auto& e) { e.key_id = ids::KeyId::generate(); }),
         std::nullopt},
    });
}

TEST(VerifySignedRuleset, StructureIsValidatedOnlyAfterATrustedKeyOpenedIt) {
    PolicyRule warn{
        "warn-on-release", std::nullopt, action("vuvadededoru:legal-hold.release"), std::nullopt, std::nullopt, {}, {},
        Decision::warn};
    auto zero_ttl = release_rules();
    zero_ttl.decision_ttl_seconds = 0;
    const std::string warn_message =
        structure_message +
        "rule \"warn-on-release\" declares effect Warn, which permits the action without reading as a grant — a "
        "rule that grants must use `allow`, so a ruleset cannot express permission in a form a reviewer would read "
        "as a warning";
    check({
        {"warn rule signed by A, [A, B]", {a, b}, sealed(key_a, release_rules({warn})), warn_message},
        {"warn rule signed by B, [A, B]", {a, b}, sealed(key_b, release_rules({warn})), warn_message},
        {"warn rule signed by B, [A]", {a}, sealed(key_b, release_rules({warn})), every_key_message},
        {"zero decision ttl",
         {b},
         sealed(key_b, zero_ttl),
         structure_message +
             "ruleset sets decision_ttl_seconds to 0, so every decision would expire the moment it was issued — "
             "omit the field to mean \"no expiry\""},
    });
}

TEST(VerifySignedRuleset, ReturnsTheRulesetThatWasSignedNotThePayloadAsRead) {
    // Canonical JSON composes decomposed letters, so this swap keeps the
    // signature valid; what is returned must still be what was signed.
    constexpr std::string_view composed = "r\xc3\xa9vision";
    constexpr std::string_view decomposed = "re\xcc\x81vision";
    auto rules = release_rules();
    rules.rules[0].rule_name = std::string(composed);
    auto envelope = sealed(key_b, rules);
    envelope.payload.rules[0].rule_name = std::string(decomposed);
    auto verified = verify_signed_ruleset(envelope, store_of({b}), now, ruleset_associated_data());
    ASSERT_TRUE(verified) << verified.error();
    EXPECT_EQ(verified->ruleset(), rules);
}

TEST(EvaluateHoldRelease, FirstMatchingRuleDecidesOnTheHoldsFacts) {
    auto verified = release_rules().verify();
    ASSERT_TRUE(verified);
    const std::string id = verified->ruleset().ruleset_id.to_string();
    const std::string allowed = "matched rule \"allow-litigation\" (release after review) in ruleset " + id +
                                " v7 for action vuvadededoru:legal-hold.release";
    const std::string denied =
        "matched rule \"deny-inquiries\" (unnamed) in ruleset " + id + " v7 for action vuvadededoru:legal-hold.release";
    const std::string none =
        "no rule in ruleset " + id + " v7 matched action vuvadededoru:legal-hold.release for this input";
    struct Case {
        LegalHoldStatus status;
        LegalHoldReasonCode reason;
        Decision decision;
        std::string text;
    };
    using S = LegalHoldStatus;
    using R = LegalHoldReasonCode;
    const std::vector<Case> cases = {
        {S::release_requested, R::litigation, Decision::allow, allowed},
        {S::active, R::litigation, Decision::not_applicable, none},
        {S::released, R::litigation, Decision::not_applicable, none},
        {S::release_requested, R::internal_investigation, Decision::not_applicable, none},
        {S::release_requested, R::contractual_obligation, Decision::not_applicable, none},
        {S::release_requested, R::regulatory_inquiry, Decision::deny, denied},
        {S::active, R::regulatory_inquiry, Decision::deny, denied},
    };
    for (const auto& c : cases) {
        for (const std::string actor : {"alice", "  Bob ", ""}) {
            SCOPED_TRACE(std::string(orrincore_json::word(c.status)) + " " +
                         std::string(orrincore_json::word(c.reason)) + " by '" + actor + "'");
            auto decision = evaluate_hold_release(hold(c.status, c.reason), actor, *verified, now);
            ASSERT_TRUE(decision) << decision.error();
            EXPECT_EQ(decision->decision, c.decision);
            EXPECT_EQ(decision->reason, c.text);
        }
    }
}

TEST(EvaluateHoldRelease, TheDecisionIsBoundToTheInputOfThisHoldAndApprover) {
    auto verified = release_rules().verify();
    ASSERT_TRUE(verified);
    auto decision = evaluate_hold_release(hold(LegalHoldStatus::release_requested), " Alice ", *verified, now);
    ASSERT_TRUE(decision) << decision.error();
    // The approver's name reaches the input untrimmed; the hold's id in its
    // lower-case form.
    const std::string input =
        R"({"action":"vuvadededoru:legal-hold.release","actor_id":" Alice ","actor_type":"user","context":{},)"
        R"("facts":{"hold_status":"release_requested","reason_code":"litigation"},"product_id":"vuvadededoru",)"
        R"("requested_at":"2026-03-01T12:00:00Z","resource_id":"0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b",)"
        R"("resource_type":"legal-hold","schema_version":1,"tenant_id":"11111111-2222-4333-8444-555555555555",)"
        R"("workspace_id":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"})";
    EXPECT_EQ(decision->input_hash, orrincore_crypto::hash::blake3_hash(input));
    EXPECT_EQ(decision->issued_at, now);
    EXPECT_EQ(decision->expires_at, now.saturating_add_seconds(3600));
    EXPECT_EQ(decision->ruleset_id, ruleset_id);
    EXPECT_EQ(decision->version, 7u);
}

TEST(EvaluateHoldRelease, ARulesetOfAnotherProductIsRefused) {
    PolicyRuleset other{ruleset_id,
                        *ids::ProductId::create("other-product"),
                        1,
                        {PolicyRule{"r",
                                    std::nullopt,
                                    action("other-product:legal-hold.release"),
                                    std::nullopt,
                                    std::nullopt,
                                    {},
                                    {},
                                    Decision::allow}},
                        std::nullopt};
    auto verified = std::move(other).verify();
    ASSERT_TRUE(verified);
    auto decision = evaluate_hold_release(hold(LegalHoldStatus::release_requested), "alice", *verified, now);
    ASSERT_FALSE(decision);
    EXPECT_EQ(decision.error(),
              "policy evaluation failed: validation failed: policy input belongs to product vuvadededoru but this "
              "ruleset governs other-product — refusing to issue a decision bound to an input from a different "
              "product");
}

TEST(ReleaseGate, ADecisionOfTheSignedRulesetDrivesTheHoldsRelease) {
    auto verified = verify_signed_ruleset(sealed(key_b), store_of({a, b}), now, ruleset_associated_data());
    ASSERT_TRUE(verified) << verified.error();

    auto allow = evaluate_hold_release(hold(LegalHoldStatus::release_requested), "counsel-2", *verified, now);
    ASSERT_TRUE(allow);
    auto released = hold(LegalHoldStatus::release_requested).release("counsel-2", allow->decision, now);
    ASSERT_TRUE(released);
    EXPECT_EQ(released->status, LegalHoldStatus::released);

    const auto inquiry = hold(LegalHoldStatus::release_requested, LegalHoldReasonCode::regulatory_inquiry);
    auto deny = evaluate_hold_release(inquiry, "counsel-2", *verified, now);
    ASSERT_TRUE(deny);
    auto refused = inquiry.release("counsel-2", deny->decision, now);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message(), "legal hold release was not authorised by policy");
}

}  // namespace
}  // namespace vevizovuvazavad
