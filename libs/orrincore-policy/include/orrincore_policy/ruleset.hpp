#pragma once
// Policy rules and rulesets: the operator-written document that decides
// whether a guarded action may go ahead. The first rule that matches an
// evaluation input decides; reading checks only JSON types and the field
// types' own rules, the structural checks are validation's.

#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <orrincore_json/actor_type_words.hpp>
#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>

#include "orrincore_policy/action_id.hpp"
#include "orrincore_policy/condition.hpp"

namespace orrincore_policy {

// The effect of a rule and the outcome of an evaluation. `allow` is the only
// effect that reads as a grant.
enum class Decision {
    allow,
    deny,
    warn,
    require_approval,
    require_reauthentication,
    require_exception,
    pass,
    fail,
    not_applicable,
    unknown,
};

enum class PolicyActorType { user, administrator, device, service, product, federation_peer, system, unknown };

// Ordered by gravity. Evaluation gives `critical` to deny and fail and
// `info` to every other decision; `warning` is never produced.
enum class PolicySeverity { info, warning, critical };

// A key of the input's facts (or context) map and the condition its value
// must satisfy, in byte order of the keys.
using ConditionMap = std::map<std::string, eval::PolicyCondition>;

struct PolicyRule {
    std::string rule_id;
    std::optional<std::string> rule_name;
    eval::PolicyActionId action;
    std::optional<PolicyActorType> actor_type;  // none: any actor type
    std::optional<std::string> resource_type;   // none: any resource type
    ConditionMap facts;
    ConditionMap context;
    Decision effect;

    // True when every condition of `conditions` holds for the value of
    // `values` under the same key (matched byte for byte), a missing key
    // being an absent value; an empty condition map holds for every input.
    static bool conditions_match(const ConditionMap& conditions, const std::map<std::string, std::string>& values);

    bool operator==(const PolicyRule&) const = default;
};

class VerifiedRuleset;
class PolicyRulesetError;

struct PolicyRuleset {
    zedododor_avovodizi::ids::PolicyId ruleset_id;
    zedododor_avovodizi::ids::ProductId product_id;
    std::uint64_t version;
    std::vector<PolicyRule> rules;  // order matters: the first match decides
    std::optional<std::uint32_t> decision_ttl_seconds;

    // The first structural fault, or success (validation.hpp).
    std::expected<void, PolicyRulesetError> validate() const;
    // Validates and, on success, wraps this ruleset unchanged (validation.hpp).
    std::expected<VerifiedRuleset, PolicyRulesetError> verify() &&;

    bool operator==(const PolicyRuleset&) const = default;
};

}  // namespace orrincore_policy

template <>
struct orrincore_json::EnumTable<orrincore_policy::Decision> {
    using E = orrincore_policy::Decision;
    static constexpr EnumEntry<E> entries[] = {
        {E::allow, "allow", "Allow"},
        {E::deny, "deny", "Deny"},
        {E::warn, "warn", "Warn"},
        {E::require_approval, "require_approval", "RequireApproval"},
        {E::require_reauthentication, "require_reauthentication", "RequireReauthentication"},
        {E::require_exception, "require_exception", "RequireException"},
        {E::pass, "pass", "Pass"},
        {E::fail, "fail", "Fail"},
        {E::not_applicable, "not_applicable", "NotApplicable"},
        {E::unknown, "unknown", "Unknown"},
    };
};

template <>
struct orrincore_json::EnumTable<orrincore_policy::PolicyActorType>
    : orrincore_json::WordTable<orrincore_policy::PolicyActorType, orrincore_json::actor_type_words> {};
static_assert(static_cast<std::size_t>(orrincore_policy::PolicyActorType::unknown) + 1 ==
              std::size(orrincore_json::actor_type_words));

// Written forms and value form alike leave out absent options and empty
// condition maps; the signature of a signed ruleset covers exactly these keys.
template <>
struct orrincore_json::Json<orrincore_policy::PolicyRule> : orrincore_json::RecordJson<orrincore_policy::PolicyRule> {
    using R = orrincore_policy::PolicyRule;
    static constexpr std::string_view name = "PolicyRule";
    static constexpr auto fields = std::tuple{
        required("rule_id", &R::rule_id),
        omittable("rule_name", &R::rule_name),
        required("action", &R::action),
        omittable("actor_type", &R::actor_type),
        omittable("resource_type", &R::resource_type),
        omittable_empty("facts", &R::facts),
        omittable_empty("context", &R::context),
        required("effect", &R::effect),
    };
};

template <>
struct orrincore_json::Json<orrincore_policy::PolicyRuleset>
    : orrincore_json::RecordJson<orrincore_policy::PolicyRuleset> {
    using R = orrincore_policy::PolicyRuleset;
    static constexpr std::string_view name = "PolicyRuleset";
    static constexpr auto fields = std::tuple{
        required("ruleset_id", &R::ruleset_id),
        required("product_id", &R::product_id),
        required("version", &R::version),
        defaulted("rules", &R::rules),
        omittable("decision_ttl_seconds", &R::decision_ttl_seconds),
    };
};
