#include <fmt/format.h>
#include <orrincore_crypto/canonical.hpp>
#include <orrincore_error/text.hpp>

#include "orrincore_policy/eval.hpp"

namespace orrincore_policy::eval {

namespace {

using orrincore_error::quoted_form;

bool rule_matches(const PolicyRule& rule, const PolicyEvaluationInput& input, const PolicyActionId& action) {
    return rule.action == action && (!rule.actor_type || *rule.actor_type == input.actor_type) &&
           (!rule.resource_type || *rule.resource_type == input.resource_type) &&
           PolicyRule::conditions_match(rule.facts, input.facts) &&
           PolicyRule::conditions_match(rule.context, input.context);
}

}  // namespace

orrincore_error::Result<PolicyDecision> evaluate(const VerifiedRuleset& verified, const PolicyEvaluationInput& input,
                                                 const PolicyActionId& action,
                                                 const zedododor_avovodizi::time::Timestamp& now) {
    const PolicyRuleset& ruleset = verified.ruleset();
    const std::string action_text = action.to_string();

    // The decision's effect and its input hash must speak of the same action
    // and product.
    if (input.action != action_text)
        return std::unexpected(orrincore_error::validation(fmt::format(
            "policy input action {} does not match the action being evaluated ({}) \u2014 a decision must not take "
            "its effect from one action while its input_hash binds another",
            quoted_form(input.action), quoted_form(action_text))));
    if (input.product_id != ruleset.product_id)
        return std::unexpected(orrincore_error::validation(fmt::format(
            "policy input belongs to product {} but this ruleset governs {} \u2014 refusing to issue a decision bound "
            "to an input from a different product",
            input.product_id.to_string(), ruleset.product_id.to_string())));

    auto canonical = orrincore_crypto::canonical::to_canonical_json(input);
    if (!canonical) return std::unexpected(canonical.error());
    const auto input_hash = orrincore_crypto::hash::blake3_hash(*canonical);

    std::optional<zedododor_avovodizi::time::Timestamp> expires_at;
    if (ruleset.decision_ttl_seconds) expires_at = now.saturating_add_seconds(*ruleset.decision_ttl_seconds);

    const std::string ruleset_id = ruleset.ruleset_id.to_string();
    auto decide = [&](Decision decision, std::string reason, std::vector<MatchedRule> matched) {
        auto made =
            PolicyDecision::create(ruleset.ruleset_id, ruleset.version, decision, std::move(reason), input_hash, now)
                .with_matched_rules(std::move(matched));
        made.expires_at = expires_at;
        return made;
    };

    if (action.product() != ruleset.product_id)
        return decide(Decision::not_applicable,
                      fmt::format("action {} belongs to product {}, not this ruleset's product {} (ruleset {} v{}) "
                                  "\u2014 no rule in it could ever govern this action",
                                  action_text, action.product().to_string(), ruleset.product_id.to_string(), ruleset_id,
                                  ruleset.version),
                      {});

    for (const PolicyRule& rule : ruleset.rules) {
        if (!rule_matches(rule, input, action)) continue;
        return decide(rule.effect,
                      fmt::format("matched rule {} ({}) in ruleset {} v{} for action {}", quoted_form(rule.rule_id),
                                  rule.rule_name ? *rule.rule_name : std::string("unnamed"), ruleset_id,
                                  ruleset.version, action_text),
                      {MatchedRule{rule.rule_id, rule.rule_name, rule.effect}});
    }
    return decide(Decision::not_applicable,
                  fmt::format("no rule in ruleset {} v{} matched action {} for this input", ruleset_id, ruleset.version,
                              action_text),
                  {});
}

}  // namespace orrincore_policy::eval
