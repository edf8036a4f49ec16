#pragma once
// `PolicyDecision`: the outcome of one evaluation, bound by `input_hash` to
// exactly the input it was made for. Never serialised.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "orrincore_policy/ruleset.hpp"

namespace orrincore_policy {

// Copies of the fields of the rule that decided.
struct MatchedRule {
    std::string rule_id;
    std::optional<std::string> rule_name;
    Decision effect;

    bool operator==(const MatchedRule&) const = default;
};

struct PolicyDecision {
    zedododor_avovodizi::ids::DecisionId decision_id;
    zedododor_avovodizi::ids::PolicyId ruleset_id;
    std::uint64_t version;
    Decision decision;
    PolicySeverity severity;
    std::string reason;
    orrincore_crypto::ContentHash input_hash;  // BLAKE3 of the input's canonical JSON
    zedododor_avovodizi::time::Timestamp issued_at;
    // issued_at plus the ruleset's decision TTL; recorded, not checked here.
    std::optional<zedododor_avovodizi::time::Timestamp> expires_at;
    std::vector<MatchedRule> matched_rules;  // one entry when a rule matched
    // Free text a caller may attach to a decision it passes on; evaluation
    // never sets it.
    std::optional<std::string> annotation;

    // A new decision id, the severity of `decision`, no expiry, no matched
    // rules, no annotation.
    static PolicyDecision create(zedododor_avovodizi::ids::PolicyId ruleset_id, std::uint64_t version,
                                 Decision decision, std::string reason, orrincore_crypto::ContentHash input_hash,
                                 zedododor_avovodizi::time::Timestamp issued_at);

    // Replaces the list of matched rules.
    PolicyDecision with_matched_rules(std::vector<MatchedRule> rules) &&;

    bool operator==(const PolicyDecision&) const = default;
};

// `critical` for deny and fail, `info` for every other decision.
PolicySeverity severity_of(Decision decision);

}  // namespace orrincore_policy
