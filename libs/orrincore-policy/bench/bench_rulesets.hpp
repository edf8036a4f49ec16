#pragma once
// A ruleset of 1,000 rules for the release action, each with two fact
// conditions and one context condition; only the last rule matches the
// benchmark input, so every evaluation examines all of them.

#include <string>

#include "orrincore_policy/eval.hpp"

namespace orrincore_policy::bench {

inline constexpr int rule_count = 1000;

inline PolicyRuleset thousand_rules() {
    const auto release = *eval::PolicyActionId::from_str("vuvadededoru:legal-hold.release");
    PolicyRuleset rules{*zedododor_avovodizi::ids::PolicyId::from_str("6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c"),
                        *zedododor_avovodizi::ids::ProductId::create("vuvadededoru"),
                        42,
                        {},
                        3600};
    for (int i = 0; i < rule_count; ++i) {
        rules.rules.push_back(PolicyRule{
            "rule-" + std::to_string(i),
            "release for reason code " + std::to_string(i),
            release,
            PolicyActorType::user,
            "legal-hold",
            {{"hold_status", eval::PolicyCondition::Equals{"release_requested"}},
             {"reason_code", eval::PolicyCondition::OneOf{{"code-" + std::to_string(i), "r\xc3\xa9vision"}}}},
            {{"session", eval::PolicyCondition::Absent{}}},
            i % 2 == 0 ? Decision::allow : Decision::deny,
        });
    }
    return rules;
}

inline eval::PolicyEvaluationInput release_input(const std::string& reason_code) {
    namespace ids = zedododor_avovodizi::ids;
    return eval::PolicyEvaluationInput::create(
               {
                   .tenant_id = *ids::TenantId::from_str("11111111-2222-4333-8444-555555555555"),
                   .workspace_id = *ids::WorkspaceId::from_str("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"),
                   .product_id = *ids::ProductId::create("vuvadededoru"),
                   .resource_type = "legal-hold",
                   .resource_id = "hold-42",
                   .actor_type = PolicyActorType::user,
                   .actor_id = "alice",
                   .action = "vuvadededoru:legal-hold.release",
                   .requested_at = *zedododor_avovodizi::time::Timestamp::from_str("2026-03-01T12:00:00Z"),
               })
        .with_fact("reason_code", reason_code)
        .with_fact("hold_status", "release_requested");
}

}  // namespace orrincore_policy::bench
