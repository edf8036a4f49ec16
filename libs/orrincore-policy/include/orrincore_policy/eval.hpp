#pragma once
// Evaluation: the decision of the first rule of a verified ruleset that
// matches an input, or not_applicable. Rules match on the input's raw texts,
// byte for byte; only the input hash goes through canonical JSON.

#include <cstdint>
#include <map>
#include <string>

#include <nlohmann/json.hpp>
#include <orrincore_error/error.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "orrincore_policy/action_id.hpp"
#include "orrincore_policy/decision.hpp"
#include "orrincore_policy/ruleset.hpp"
#include "orrincore_policy/validation.hpp"

namespace orrincore_policy::eval {

// The request being decided. Keys and values of `facts` and `context` are
// held exactly as supplied.
struct PolicyEvaluationInput {
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    zedododor_avovodizi::ids::ProductId product_id;
    std::string resource_type;
    std::string resource_id;
    PolicyActorType actor_type;
    std::string actor_id;
    std::string action;  // the text form of the action the input was made for
    std::map<std::string, std::string> facts;
    std::map<std::string, std::string> context;
    zedododor_avovodizi::time::Timestamp requested_at;
    std::uint16_t schema_version;

    // Empty facts and context, schema version 1; nothing is validated.
    static PolicyEvaluationInput create(zedododor_avovodizi::ids::TenantId tenant_id,
                                        zedododor_avovodizi::ids::WorkspaceId workspace_id,
                                        zedododor_avovodizi::ids::ProductId product_id, std::string resource_type,
                                        std::string resource_id, PolicyActorType actor_type, std::string actor_id,
                                        std::string action, zedododor_avovodizi::time::Timestamp requested_at);

    // Sets the fact `key` to `value`, replacing an earlier value.
    PolicyEvaluationInput& with_fact(std::string key, std::string value) &;
    PolicyEvaluationInput with_fact(std::string key, std::string value) &&;

    bool operator==(const PolicyEvaluationInput&) const = default;
};

// The value form that is hashed: all twelve keys, empty maps as {}.
nlohmann::json json_value(const PolicyEvaluationInput& input);

// Fails only when the input's action text is not `action`'s text form, when
// the input's product is not the ruleset's, or when the input has no
// canonical JSON (two facts or two context keys equal once normalised).
// Every decision carries `now` as issue time and the same expiry.
orrincore_error::Result<PolicyDecision> evaluate(const VerifiedRuleset& ruleset, const PolicyEvaluationInput& input,
                                                 const PolicyActionId& action,
                                                 const zedododor_avovodizi::time::Timestamp& now);

}  // namespace orrincore_policy::eval

namespace orrincore_policy {
using eval::PolicyEvaluationInput;
}  // namespace orrincore_policy
