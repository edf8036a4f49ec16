#include "orrincore_policy/decision.hpp"

namespace orrincore_policy {

PolicySeverity severity_of(Decision decision) {
    return decision == Decision::deny || decision == Decision::fail ? PolicySeverity::critical : PolicySeverity::info;
}

PolicyDecision PolicyDecision::create(zedododor_avovodizi::ids::PolicyId ruleset_id, std::uint64_t version,
                                      Decision decision, std::string reason, orrincore_crypto::ContentHash input_hash,
                                      zedododor_avovodizi::time::Timestamp issued_at) {
    return PolicyDecision{
        zedododor_avovodizi::ids::DecisionId::generate(),
        ruleset_id,
        version,
        decision,
        severity_of(decision),
        std::move(reason),
        input_hash,
        issued_at,
        std::nullopt,
        {},
        std::nullopt,
    };
}

PolicyDecision PolicyDecision::with_matched_rules(std::vector<MatchedRule> rules) && {
    matched_rules = std::move(rules);
    return std::move(*this);
}

}  // namespace orrincore_policy
