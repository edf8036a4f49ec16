#include "orrincore_policy/validation.hpp"

#include <string_view>
#include <unordered_set>

#include <fmt/format.h>
#include <orrincore_error/text.hpp>

namespace orrincore_policy {

namespace {

using orrincore_error::quoted_form;

struct MessageOf {
    std::string operator()(const ruleset_error::EmptyRuleId& e) const {
        return fmt::format("rule at index {} has an empty rule_id", e.index);
    }
    std::string operator()(const ruleset_error::DuplicateRuleId& e) const {
        return fmt::format("duplicate rule_id {} \u2014 rule ids must be unique within a ruleset",
                           quoted_form(e.rule_id));
    }
    std::string operator()(const ruleset_error::ForeignAction& e) const {
        return fmt::format(
            "rule {} targets action {}, whose product does not match this ruleset's own product {} \u2014 a ruleset "
            "must not govern another product's actions",
            quoted_form(e.rule_id), e.action, e.product);
    }
    std::string operator()(const ruleset_error::EmptyOneOf& e) const {
        return fmt::format("rule {} has an empty `one_of` condition on key {}, which could never match anything",
                           quoted_form(e.rule_id), quoted_form(e.key));
    }
    std::string operator()(const ruleset_error::InvertedRange& e) const {
        return fmt::format("rule {} has an inverted range on key {}: min {} > max {}, so it could never match anything",
                           quoted_form(e.rule_id), quoted_form(e.key), e.min, e.max);
    }
    std::string operator()(const ruleset_error::WarnEffect& e) const {
        return fmt::format(
            "rule {} declares effect {}, which permits the action without reading as a grant \u2014 a rule that "
            "grants must use `allow`, so a ruleset cannot express permission in a form a reviewer would read as a "
            "warning",
            quoted_form(e.rule_id), orrincore_json::debug_name(e.effect));
    }
    std::string operator()(const ruleset_error::ZeroDecisionTtl&) const {
        return "ruleset sets decision_ttl_seconds to 0, so every decision would expire the moment it was issued "
               "\u2014 omit the field to mean \"no expiry\"";
    }
};

// The first condition of `conditions` that could never match.
std::expected<void, PolicyRulesetError> check_conditions(const std::string& rule_id, const ConditionMap& conditions) {
    for (const auto& [key, condition] : conditions) {
        if (const auto* one_of = condition.get_if<eval::PolicyCondition::OneOf>(); one_of && one_of->values.empty())
            return std::unexpected(ruleset_error::EmptyOneOf{rule_id, key});
        if (const auto* range = condition.get_if<eval::PolicyCondition::InRange>(); range && range->min > range->max)
            return std::unexpected(ruleset_error::InvertedRange{rule_id, key, range->min, range->max});
    }
    return {};
}

}  // namespace

std::string PolicyRulesetError::message() const { return std::visit(MessageOf{}, variant()); }

std::expected<void, PolicyRulesetError> PolicyRuleset::validate() const {
    if (decision_ttl_seconds == 0u) return std::unexpected(ruleset_error::ZeroDecisionTtl{});
    std::unordered_set<std::string_view> seen;  // untrimmed ids, compared byte for byte
    seen.reserve(rules.size());
    for (std::size_t index = 0; index < rules.size(); ++index) {
        const PolicyRule& rule = rules[index];
        if (orrincore_error::is_blank(rule.rule_id)) return std::unexpected(ruleset_error::EmptyRuleId{index});
        if (!seen.insert(rule.rule_id).second) return std::unexpected(ruleset_error::DuplicateRuleId{rule.rule_id});
        if (rule.action.product() != product_id)
            return std::unexpected(
                ruleset_error::ForeignAction{rule.rule_id, rule.action.to_string(), product_id.to_string()});
        if (rule.effect == Decision::warn) return std::unexpected(ruleset_error::WarnEffect{rule.rule_id, rule.effect});
        if (auto facts = check_conditions(rule.rule_id, rule.facts); !facts) return facts;
        if (auto context = check_conditions(rule.rule_id, rule.context); !context) return context;
    }
    return {};
}

std::expected<VerifiedRuleset, PolicyRulesetError> PolicyRuleset::verify() && {
    if (auto valid = validate(); !valid) return std::unexpected(std::move(valid).error());
    return VerifiedRuleset(std::move(*this));
}

VerifiedRuleset VerifiedRuleset::empty(zedododor_avovodizi::ids::ProductId product_id) {
    return VerifiedRuleset(
        PolicyRuleset{zedododor_avovodizi::ids::PolicyId::generate(), std::move(product_id), 0, {}, std::nullopt});
}

}  // namespace orrincore_policy
