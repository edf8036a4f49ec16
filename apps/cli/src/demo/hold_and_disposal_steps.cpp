// Steps 6 to 9: disposal refused under the hold, the policy-gated release,
// disposal refused before expiry, and disposal once the package is eligible.
#include <variant>

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_json/enumeration.hpp>
#include <orrincore_policy/signed_ruleset.hpp>
#include <zorizorezire_rizozi/custody.hpp>
#include <zorizorezire_rizozi/disposition.hpp>
#include <zorizorezire_rizozi/legal_hold.hpp>
#include <zorizorezire_rizozi/retention.hpp>

#include "demo/fixed_data.hpp"
#include "demo/narration.hpp"
#include "demo/steps.hpp"
#include "gate/release_gate.hpp"

namespace vevizovuvazavad::demo {
namespace {

namespace disposition = zorizorezire_rizozi::disposition;
namespace retention = zorizorezire_rizozi::retention;
using orrincore_json::debug_name;
using orrincore_policy::SignedPolicyRuleset;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::DispositionDecision;
using vuvadededoru_contracts::LegalHold;
using zedododor_avovodizi::ids::KeyId;

// The allow ruleset sealed by `key` into an envelope bound to the release gate's context.
std::expected<SignedPolicyRuleset, std::string> signed_allow_ruleset(const RunState& state,
                                                                     const orrincore_crypto::SigningKey& key) {
    auto envelope =
        SignedPolicyRuleset::seal(state.allow_ruleset.value(), KeyId::generate(), key, now, ruleset_associated_data());
    if (!envelope) return std::unexpected(envelope.error().message());
    return *std::move(envelope);
}

}  // namespace

orrincore_policy::PolicyRuleset release_ruleset() {
    const auto ruleset_id = zedododor_avovodizi::ids::PolicyId::generate();
    std::vector<orrincore_policy::PolicyRule> rules;
    rules.push_back({
        .rule_id = std::string(release_rule_id),
        .rule_name = std::string(release_rule_name),
        .action = hold_release_action_id(),
        .actor_type = std::nullopt,
        .resource_type = std::nullopt,
        .facts = {},
        .context = {},
        .effect = orrincore_policy::Decision::allow,
    });
    return orrincore_policy::PolicyRuleset{
        .ruleset_id = ruleset_id,
        .product_id = zorizorezire_rizozi::custody::product_id(),
        .version = 1,
        .rules = std::move(rules),
        .decision_ttl_seconds = std::nullopt,
    };
}

HandlerResult refuse_disposal_under_hold(RunState& state) {
    print_title("6. Refusal path — deleting something under legal hold");
    const ArchivePackage& held = state.held_package.value();
    auto review = disposition::create_disposition_review(held, now);
    if (!review) return std::unexpected(review.error().message());
    print_ok(fmt::format("disposition review {} opened", review->id.to_string()));

    auto decided =
        disposition::decide_disposition_review(*review, held, DispositionDecision::dispose, std::string(reviewer), now);
    if (decided) return std::unexpected(std::string("BUG: deciding Dispose against a held package must be refused"));
    refused("attempted to decide Dispose while the package is under legal hold", decided.error());

    auto disposed = held.dispose();
    if (disposed) return std::unexpected(std::string("BUG: ArchivePackage::dispose must refuse while held"));
    refused("attempted ArchivePackage::dispose() directly while held", disposed.error());
    return {};
}

HandlerResult release_through_policy_gate(RunState& state) {
    print_title("7. Refusal path — legal hold release gated by REAL policy evaluation");
    for (const auto stage : {request_release, refuse_release_without_rules, establish_trust, refuse_untrusted_ruleset,
                             release_under_trusted_ruleset}) {
        if (auto done = stage(state); !done) return done;
    }
    return {};
}

HandlerResult request_release(RunState& state) {
    auto requested = state.approved_hold.value().request_release(now);
    if (!requested) return std::unexpected(requested.error().message());
    state.release_requested_hold = *std::move(requested);
    state.empty_ruleset = orrincore_policy::VerifiedRuleset::empty(zorizorezire_rizozi::custody::product_id());
    return {};
}

HandlerResult refuse_release_without_rules(RunState& state) {
    const LegalHold& hold = state.release_requested_hold.value();
    auto decision = evaluate_hold_release(hold, approver, state.empty_ruleset.value(), now);
    if (!decision) return std::unexpected(std::move(decision).error());
    auto released = hold.release(std::string(approver), decision->decision, now);
    if (released) return std::unexpected(std::string("BUG: an empty ruleset must not authorise a release"));
    refused(fmt::format("evaluated against an empty ruleset -> {} (no rule matched)", debug_name(decision->decision)),
            released.error());
    return {};
}

HandlerResult establish_trust(RunState& state) {
    state.trusted_key = orrincore_crypto::SigningKey::generate();
    state.untrusted_key = orrincore_crypto::SigningKey::generate();
    TrustStore store = TrustStore::empty();
    const auto trusted_key_hex = orrincore_error::hex::to_lower(state.trusted_key->verifying_key().bytes());
    if (auto added = trust_store_add(store, trusted_signer_name, trusted_key_hex, now); !added) return added;
    state.trust_store = std::move(store);
    state.allow_ruleset = release_ruleset();
    return {};
}

HandlerResult refuse_untrusted_ruleset(RunState& state) {
    auto envelope = signed_allow_ruleset(state, state.untrusted_key.value());
    if (!envelope) return std::unexpected(std::move(envelope).error());
    auto verified = verify_signed_ruleset(*envelope, state.trust_store, now, ruleset_associated_data());
    if (verified) return std::unexpected(std::string("BUG: a ruleset signed by an untrusted key must be refused"));
    refused("presented an `allow` ruleset signed by a key nobody deliberately trusted", verified.error());
    return {};
}

HandlerResult release_under_trusted_ruleset(RunState& state) {
    auto envelope = signed_allow_ruleset(state, state.trusted_key.value());
    if (!envelope) return std::unexpected(std::move(envelope).error());
    auto verified = verify_signed_ruleset(*envelope, state.trust_store, now, ruleset_associated_data());
    if (!verified) return std::unexpected(std::move(verified).error());
    const LegalHold& hold = state.release_requested_hold.value();
    auto decision = evaluate_hold_release(hold, approver, *verified, now);
    if (!decision) return std::unexpected(std::move(decision).error());
    // The decision is not judged here: LegalHold::release refuses any but allow or warn.
    auto released = hold.release(std::string(approver), decision->decision, now);
    if (!released) return std::unexpected(released.error().message());
    print_ok(fmt::format("legal hold {} released — {} from {}", released->id.to_string(),
                         debug_name(decision->decision), decision->reason));

    auto cleared =
        zorizorezire_rizozi::legal_hold::release_legal_hold_from_package(*released, state.held_package.value());
    if (!cleared) return std::unexpected(cleared.error().message());
    print_ok(fmt::format("legal hold cleared from package {}", cleared->id.to_string()));

    state.released_hold = *std::move(released);
    state.cleared_package = *std::move(cleared);
    return {};
}

HandlerResult refuse_early_disposal(RunState& state) {
    print_title("8. Refusal path — disposing before retention has genuinely expired");
    const ArchivePackage& cleared = state.cleared_package.value();
    print_ok(fmt::format("eligibility at seal time: {} (not yet eligible)",
                         retention::debug_form(retention::evaluate_eligibility(cleared, now))));
    auto review = disposition::create_disposition_review(cleared, now);
    if (!review) return std::unexpected(review.error().message());
    auto decided = disposition::decide_disposition_review(*review, cleared, DispositionDecision::dispose,
                                                          std::string(reviewer), now);
    if (decided) {
        return std::unexpected(std::string("BUG: deciding Dispose before retention has expired must be refused"));
    }
    refused("attempted to decide Dispose immediately after sealing, long before the 30-day window elapses",
            decided.error());
    return {};
}

HandlerResult dispose_after_expiry(RunState& state) {
    print_title("9. Retention eligibility and disposal, once genuinely unheld and expired");
    const auto later = now.saturating_add_seconds(later_offset_seconds);
    const ArchivePackage& cleared = state.cleared_package.value();
    const auto eligibility = retention::evaluate_eligibility(cleared, later);
    if (!std::holds_alternative<retention::Eligible>(eligibility)) {
        return std::unexpected(
            fmt::format("BUG: package should be eligible after 120 days, got {}", retention::debug_form(eligibility)));
    }
    print_ok(fmt::format("eligibility 120 days later: {}", retention::debug_form(eligibility)));

    auto review = disposition::create_disposition_review(cleared, later);
    if (!review) return std::unexpected(review.error().message());
    auto decided = disposition::decide_disposition_review(*review, cleared, DispositionDecision::dispose,
                                                          std::string(reviewer), later);
    if (!decided) return std::unexpected(decided.error().message());
    auto disposed = disposition::execute_disposition(*decided, cleared, later);
    if (!disposed) return std::unexpected(disposed.error().message());
    auto completed = decided->complete(later);
    if (!completed) return std::unexpected(completed.error().message());
    print_ok(fmt::format("package {} disposed (status={}); review {} completed (status={})", disposed->id.to_string(),
                         debug_name(disposed->status), completed->id.to_string(), debug_name(completed->status)));

    state.disposed_package = *std::move(disposed);
    return {};
}

}  // namespace vevizovuvazavad::demo
