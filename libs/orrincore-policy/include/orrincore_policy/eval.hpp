#pragma once
// Evaluation: the decision of the first rule of a verified ruleset that
// matches an input, or not_applicable. Rules match on the input's raw texts,
// byte for byte; only the input hash goes through canonical JSON.

#include <cstdint>
#include <map>
#include <string>

#include <orrincore_error/error.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
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

    // What a new input is about, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        zedododor_avovodizi::ids::ProductId product_id;
        std::string resource_type;
        std::string resource_id;
        PolicyActorType actor_type;
        std::string actor_id;
        std::string action;
        zedododor_avovodizi::time::Timestamp requested_at;
    };

    // Empty facts and context, schema version 1; nothing is validated.
    static PolicyEvaluationInput create(Parameters parameters);

    // Sets the fact `key` to `value`, replacing an earlier value.
    PolicyEvaluationInput& with_fact(std::string key, std::string value) &;
    PolicyEvaluationInput with_fact(std::string key, std::string value) &&;

    bool operator==(const PolicyEvaluationInput&) const = default;
};

// Fails only when the input's action text is not `action`'s text form, when
// the input's product is not the ruleset's, or when the input has no
// canonical JSON (two facts or two context keys equal once normalised).
// Every decision carries `now` as issue time and the same expiry.
orrincore_error::Result<PolicyDecision> evaluate(const VerifiedRuleset& ruleset, const PolicyEvaluationInput& input,
                                                 const PolicyActionId& action,
                                                 const zedododor_avovodizi::time::Timestamp& now);

}  // namespace orrincore_policy::eval

// Never read or written to a file: only its value form is used, whose
// canonical JSON is the input hash. Every key is written, empty maps as {};
// the raw texts are kept, and canonical JSON normalises them (refusing keys
// that become equal) when the value is hashed.
template <>
struct orrincore_json::Json<orrincore_policy::eval::PolicyEvaluationInput>
    : orrincore_json::RecordJson<orrincore_policy::eval::PolicyEvaluationInput> {
    using R = orrincore_policy::eval::PolicyEvaluationInput;
    static constexpr std::string_view name = "PolicyEvaluationInput";
    static constexpr auto fields = std::tuple{
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("product_id", &R::product_id),
        required("resource_type", &R::resource_type),
        required("resource_id", &R::resource_id),
        required("actor_type", &R::actor_type),
        required("actor_id", &R::actor_id),
        required("action", &R::action),
        required("facts", &R::facts),
        required("context", &R::context),
        required("requested_at", &R::requested_at),
        required("schema_version", &R::schema_version),
    };
};
