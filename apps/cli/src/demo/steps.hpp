#pragma once
// The ten steps of the demo, each a function over the run state. A step
// prints its title and its lines as it goes and returns success, or the
// run's error: the message of a happy-path operation that failed, unchanged,
// or a "BUG: " text when an expected refusal succeeded or a verdict is not
// the expected one. Steps 7 and 10 are made of stages, each over the same
// state, so that what a stage is shown can be set by hand in between.

#include <string>
#include <string_view>

#include <orrincore_audit/audit_chain.hpp>
#include <orrincore_audit/audit_event.hpp>
#include <orrincore_error/error.hpp>
#include <orrincore_policy/ruleset.hpp>

#include "demo/run_state.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad::demo {

// 1. Target, retention policy, and a package moved to writing.
HandlerResult create_records(RunState& state);
// 2. A signed manifest of the two chunks, the package sealed against it and verified.
HandlerResult seal_package(RunState& state);
// 3. Sealing the sealed package again is refused.
HandlerResult refuse_reseal(RunState& state);
// 4. Shortening the policy's minimum is refused; extending it is not, and
//    leaves the package's captured retention alone.
HandlerResult refuse_shortened_retention(RunState& state);
// 5. A legal hold requested, approved and put on the sealed package.
HandlerResult place_legal_hold(RunState& state);
// 6. Neither a dispose decision nor a direct disposal gets past the hold.
HandlerResult refuse_disposal_under_hold(RunState& state);
// 7. The hold released only on the decision of a trusted, signed ruleset,
//    then cleared from the package: the five stages below in order.
HandlerResult release_through_policy_gate(RunState& state);
// 8. With the hold gone, a dispose decision is still refused before expiry.
HandlerResult refuse_early_disposal(RunState& state);
// 9. 120 days on, the package is eligible and disposed through a review.
HandlerResult dispose_after_expiry(RunState& state);
// 10. The chain of custody recorded, verified, and refused once tampered
//     with: the three stages below in order.
HandlerResult record_chain_of_custody(RunState& state);

// Steps 1 to 10, in the order the run takes them.
inline constexpr HandlerResult (*const lifecycle_steps[])(RunState&) = {
    create_records,
    seal_package,
    refuse_reseal,
    refuse_shortened_retention,
    place_legal_hold,
    refuse_disposal_under_hold,
    release_through_policy_gate,
    refuse_early_disposal,
    dispose_after_expiry,
    record_chain_of_custody,
};

// Stages of step 7.
// The hold asked for release, and the ruleset without rules it is first tried under.
HandlerResult request_release(RunState& state);
// The release refused on the empty ruleset's decision, named in the label.
HandlerResult refuse_release_without_rules(RunState& state);
// Keys A and B, the store trusting key A alone, and the allow ruleset.
HandlerResult establish_trust(RunState& state);
// The allow ruleset signed by key B refused by the store.
HandlerResult refuse_untrusted_ruleset(RunState& state);
// The same ruleset signed by key A opens, allows, releases and clears the hold.
HandlerResult release_under_trusted_ruleset(RunState& state);

// Stages of step 10.
// The six events appended to a new chain and kept in `custody_events`.
HandlerResult record_custody(RunState& state);
// The recorded chain verified as it stands.
HandlerResult verify_custody(RunState& state);
// A deep copy with event 3's result changed must fail verification; the
// recorded chain is left as it is.
HandlerResult refuse_tampered_custody(RunState& state);

// The ruleset that allows every release of a legal hold of the product: one
// rule with no actor type, resource type or condition.
orrincore_policy::PolicyRuleset release_ruleset();

// Appends one event, by the actor on the named target, to `chain`, signed with `key`.
orrincore_error::Result<orrincore_audit::SignedAuditEvent> record_custody_event(
    orrincore_audit::AuditChain& chain, const orrincore_crypto::SigningKey& key, orrincore_audit::Actor actor,
    std::string_view target_type, std::string target_id, std::string_view action, orrincore_audit::AuditResult result,
    orrincore_audit::AuditCategory category, zedododor_avovodizi::time::Timestamp occurred_at);

}  // namespace vevizovuvazavad::demo
