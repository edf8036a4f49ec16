#pragma once
// The policy gate of a legal-hold release. A hold may be released only on
// the decision of a ruleset signed by a key in the operator's trust store;
// the gate finds that decision or refuses with one text. It never writes,
// never reads the clock (the caller passes one time, used for the envelope's
// expiry, the input's request time and the decision's issue time), and never
// tests the hold's status itself: it reports the status to the ruleset as
// the fact "hold_status", and LegalHold::release decides on the decision.
//
// Everything here works on records in memory, for the demo as much as for
// the command; authorize_hold_release.hpp is the gate as the command meets
// it, from files.

#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_policy/action_id.hpp>
#include <orrincore_policy/decision.hpp>
#include <orrincore_policy/signed_ruleset.hpp>
#include <orrincore_policy/validation.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "gate/trust_store.hpp"

namespace vevizovuvazavad {

// "product:vuvadededoru" (the tool's product id, custody::product_id), then
// "purpose:policy-ruleset": what `ruleset sign` binds an envelope to and what
// the gate requires, in this order.
std::vector<std::string> ruleset_associated_data();

// "vuvadededoru:legal-hold.release".
orrincore_policy::eval::PolicyActionId hold_release_action_id();

// The ruleset of `envelope` when a key of `store` opens it and the ruleset
// passes validation. Every stored key is parsed before any is tried, and the
// first one that does not parse ends the verification with its error. The
// keys are then tried in store order, whatever the envelope's key id says;
// the first that opens the envelope decides, and why the others did not is
// never told. Only the ruleset that `open` returns is validated and returned.
std::expected<orrincore_policy::VerifiedRuleset, std::string> verify_signed_ruleset(
    const orrincore_policy::SignedPolicyRuleset& envelope, const TrustStore& store,
    const zedododor_avovodizi::time::Timestamp& now, std::span<const std::string> expected_associated_data);

// The decision of `ruleset` on releasing `hold` by `actor` (a user, named as
// given, untrimmed), with the hold's reason code and status as the facts
// "reason_code" and "hold_status". The effect is returned unjudged.
std::expected<orrincore_policy::PolicyDecision, std::string> evaluate_hold_release(
    const vuvadededoru_contracts::LegalHold& hold, std::string_view actor,
    const orrincore_policy::VerifiedRuleset& ruleset, const zedododor_avovodizi::time::Timestamp& now);

}  // namespace vevizovuvazavad
