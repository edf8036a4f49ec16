#pragma once
// Small builders for rules and rulesets in tests.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orrincore_policy/eval.hpp"
#include "orrincore_policy/ruleset.hpp"

namespace orrincore_policy::testing {

inline constexpr std::string_view release_action = "vuvadededoru:legal-hold.release";

inline zedododor_avovodizi::ids::ProductId product(std::string_view text) {
    return *zedododor_avovodizi::ids::ProductId::create(text);
}

inline eval::PolicyActionId action(std::string_view text = release_action) {
    return *eval::PolicyActionId::from_str(text);
}

// User alice asks to release legal hold hold-42; no facts yet.
inline eval::PolicyEvaluationInput release_request(zedododor_avovodizi::time::Timestamp requested_at) {
    return eval::PolicyEvaluationInput::create({
        .tenant_id = *zedododor_avovodizi::ids::TenantId::from_str("11111111-2222-4333-8444-555555555555"),
        .workspace_id = *zedododor_avovodizi::ids::WorkspaceId::from_str("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"),
        .product_id = product("vuvadededoru"),
        .resource_type = "legal-hold",
        .resource_id = "hold-42",
        .actor_type = PolicyActorType::user,
        .actor_id = "alice",
        .action = std::string(release_action),
        .requested_at = requested_at,
    });
}

inline PolicyRule rule(std::string rule_id, Decision effect = Decision::allow, ConditionMap facts = {},
                       ConditionMap context = {}, std::string_view action_text = release_action) {
    return PolicyRule{std::move(rule_id), std::nullopt,     action(action_text), std::nullopt,
                      std::nullopt,       std::move(facts), std::move(context),  effect};
}

inline PolicyRuleset ruleset(std::vector<PolicyRule> rules, std::optional<std::uint32_t> ttl = std::nullopt,
                             std::uint64_t version = 7) {
    return PolicyRuleset{*zedododor_avovodizi::ids::PolicyId::from_str("6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c"),
                         product("vuvadededoru"), version, std::move(rules), ttl};
}

}  // namespace orrincore_policy::testing
