#pragma once
// The release gate as `legal-hold release` meets it: from the files its
// command line names. What it then does is the file-free part in
// release_gate.hpp.

#include <expected>
#include <string>
#include <string_view>

#include <orrincore_policy/decision.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace vevizovuvazavad {

// Reads the signed ruleset at `ruleset_path` (a failure names the file and
// says that a signed envelope is needed), then the trust store at
// `trust_store_path` (load_trust_store: a path that leads to nothing is the
// empty store), then verifies and evaluates with verify_signed_ruleset and
// evaluate_hold_release.
std::expected<orrincore_policy::PolicyDecision, std::string> authorize_hold_release(
    const vuvadededoru_contracts::LegalHold& hold, std::string_view approved_by, std::string_view ruleset_path,
    std::string_view trust_store_path, const zedododor_avovodizi::time::Timestamp& now);

}  // namespace vevizovuvazavad
