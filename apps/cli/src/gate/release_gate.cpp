#include "gate/release_gate.hpp"

#include <utility>

#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>
#include <orrincore_policy/eval.hpp>
#include <zorizorezire_rizozi/custody.hpp>

namespace vevizovuvazavad {

namespace custody = zorizorezire_rizozi::custody;
using orrincore_policy::PolicyDecision;
using orrincore_policy::VerifiedRuleset;
using zedododor_avovodizi::time::Timestamp;

std::vector<std::string> ruleset_associated_data() {
    return {fmt::format("product:{}", custody::product_id().to_string()), "purpose:policy-ruleset"};
}

orrincore_policy::eval::PolicyActionId hold_release_action_id() {
    return orrincore_policy::eval::PolicyActionId::create(custody::product_id(), {"legal-hold", "release"}).value();
}

std::expected<VerifiedRuleset, std::string> verify_signed_ruleset(
    const orrincore_policy::SignedPolicyRuleset& envelope, const TrustStore& store, const Timestamp& now,
    std::span<const std::string> expected_associated_data) {
    // A malformed entry is reported even when another key would open the
    // envelope: a store that does not parse is not trusted in part.
    auto keys = parse_trusted_keys(store);
    if (!keys) return std::unexpected(std::move(keys).error());
    if (keys->empty()) {
        return std::unexpected(std::string(
            "trust store has no trusted ruleset-signing keys — refusing every ruleset until one is established "
            "with `vevizovuvazavad trust add`"));
    }

    // Of what `open` checks, only the signature depends on the key, and the
    // bytes it verifies are the same for every key: they are made once here
    // rather than once per key. A key under which they do not verify is
    // passed over, as `open` would refuse it; `open` judges every other key.
    const auto signing_bytes = envelope.signing_bytes();
    for (const auto& key : *keys) {
        if (signing_bytes && !key.verify_bytes(*signing_bytes, envelope.signature)) continue;
        auto ruleset = envelope.open(key, now, expected_associated_data);
        if (!ruleset) continue;  // told to nobody: the refusal below stands for every reason
        auto verified = std::move(*ruleset).verify();
        if (!verified) {
            return std::unexpected(
                fmt::format("ruleset is signed by a trusted key but fails its own structural validation: {}",
                            verified.error().message()));
        }
        return *std::move(verified);
    }
    return std::unexpected(std::string(
        "ruleset failed signature verification against every key in the trust store — refusing to evaluate an "
        "unverifiable ruleset (unsigned, tampered, expired, signed for a different product, or signed by a key "
        "nobody deliberately trusted)"));
}

std::expected<PolicyDecision, std::string> evaluate_hold_release(const vuvadededoru_contracts::LegalHold& hold,
                                                                 std::string_view actor, const VerifiedRuleset& ruleset,
                                                                 const Timestamp& now) {
    const auto action = hold_release_action_id();
    auto input = orrincore_policy::eval::PolicyEvaluationInput::create({
        .tenant_id = hold.tenant_id,
        .workspace_id = hold.workspace_id,
        .product_id = action.product(),
        .resource_type = "legal-hold",
        .resource_id = hold.id.to_string(),
        .actor_type = orrincore_policy::PolicyActorType::user,
        .actor_id = std::string(actor),
        .action = action.to_string(),
        .requested_at = now,
    });
    input.with_fact("reason_code", std::string(orrincore_json::word(hold.reason_code)))
        .with_fact("hold_status", std::string(orrincore_json::word(hold.status)));
    auto decision = orrincore_policy::eval::evaluate(ruleset, input, action, now);
    if (!decision) return std::unexpected(fmt::format("policy evaluation failed: {}", decision.error().message()));
    return *std::move(decision);
}

}  // namespace vevizovuvazavad
