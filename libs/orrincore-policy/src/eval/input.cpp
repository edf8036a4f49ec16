#include <orrincore_json/enumeration.hpp>

#include "orrincore_policy/eval.hpp"

namespace orrincore_policy::eval {

PolicyEvaluationInput PolicyEvaluationInput::create(zedododor_avovodizi::ids::TenantId tenant_id,
                                                    zedododor_avovodizi::ids::WorkspaceId workspace_id,
                                                    zedododor_avovodizi::ids::ProductId product_id,
                                                    std::string resource_type, std::string resource_id,
                                                    PolicyActorType actor_type, std::string actor_id,
                                                    std::string action,
                                                    zedododor_avovodizi::time::Timestamp requested_at) {
    return PolicyEvaluationInput{
        tenant_id,
        workspace_id,
        std::move(product_id),
        std::move(resource_type),
        std::move(resource_id),
        actor_type,
        std::move(actor_id),
        std::move(action),
        {},
        {},
        requested_at,
        1,
    };
}

PolicyEvaluationInput& PolicyEvaluationInput::with_fact(std::string key, std::string value) & {
    facts.insert_or_assign(std::move(key), std::move(value));
    return *this;
}

PolicyEvaluationInput PolicyEvaluationInput::with_fact(std::string key, std::string value) && {
    facts.insert_or_assign(std::move(key), std::move(value));
    return std::move(*this);
}

nlohmann::json json_value(const PolicyEvaluationInput& input) {
    // The raw texts; canonical JSON normalises them (and refuses keys that
    // become equal) when the value is hashed.
    return nlohmann::json{
        {"tenant_id", input.tenant_id.to_string()},
        {"workspace_id", input.workspace_id.to_string()},
        {"product_id", input.product_id.as_str()},
        {"resource_type", input.resource_type},
        {"resource_id", input.resource_id},
        {"actor_type", std::string(orrincore_json::word(input.actor_type))},
        {"actor_id", input.actor_id},
        {"action", input.action},
        {"facts", nlohmann::json(input.facts)},
        {"context", nlohmann::json(input.context)},
        {"requested_at", input.requested_at.to_rfc3339()},
        {"schema_version", input.schema_version},
    };
}

}  // namespace orrincore_policy::eval
