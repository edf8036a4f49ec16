#pragma once
// The two names the legal-hold reports give enumerations, kept apart on
// purpose: a hold's status is shown by its serialised word, as in the record
// file and as scripts match it ("release_requested"); a policy decision by
// its debug name ("NotApplicable"). Both come from the one table per
// enumeration (orrincore_json::EnumTable), which lists each value's word and
// debug name side by side.

#include <string_view>

#include <orrincore_json/enumeration.hpp>
#include <orrincore_policy/ruleset.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>

namespace vevizovuvazavad {

// "requested", "active", "release_requested", "released", "denied", "expired".
inline std::string_view status_word(vuvadededoru_contracts::LegalHoldStatus status) {
    return orrincore_json::word(status);
}

// "Allow", "Deny", "Warn", "RequireApproval", ..., "NotApplicable", "Unknown".
inline std::string_view decision_debug_name(orrincore_policy::Decision decision) {
    return orrincore_json::debug_name(decision);
}

}  // namespace vevizovuvazavad
