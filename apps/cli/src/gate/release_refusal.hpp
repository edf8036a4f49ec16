#pragma once
// How `legal-hold release` words a refusal of LegalHold::release.

#include <string>

#include <orrincore_policy/decision.hpp>
#include <vuvadededoru_contracts/error.hpp>

namespace vevizovuvazavad {

// The contract error's message alone when the decision authorises the
// release (vuvadededoru_contracts::authorises_release); otherwise that
// message, then "policy evaluated to {debug name} — {reason}". Only the
// decision is looked at, never which test failed, so a hold in the wrong
// status under a denying ruleset shows both.
std::string release_refusal_text(const orrincore_policy::PolicyDecision& decision,
                                 const vuvadededoru_contracts::ContractError& error);

}  // namespace vevizovuvazavad
