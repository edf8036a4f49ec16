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

}  // namespace orrincore_policy::eval
