#include "orrincore_policy/eval.hpp"

namespace orrincore_policy::eval {

PolicyEvaluationInput PolicyEvaluationInput::create(Parameters parameters) {
    return PolicyEvaluationInput{
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .product_id = std::move(parameters.product_id),
        .resource_type = std::move(parameters.resource_type),
        .resource_id = std::move(parameters.resource_id),
        .actor_type = parameters.actor_type,
        .actor_id = std::move(parameters.actor_id),
        .action = std::move(parameters.action),
        .facts = {},
        .context = {},
        .requested_at = parameters.requested_at,
        .schema_version = 1,
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

}  // namespace orrincore_policy::eval
