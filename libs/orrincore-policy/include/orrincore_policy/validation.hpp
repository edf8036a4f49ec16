#pragma once
// Ruleset validation: the structural check a ruleset must pass before it is
// signed or evaluated, and `VerifiedRuleset`, the only form evaluation takes.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <utility>

#include <orrincore_error/variant_error.hpp>
#include <zedododor_avovodizi/ids.hpp>

#include "orrincore_policy/ruleset.hpp"

namespace orrincore_policy {

// The variants of `PolicyRulesetError`. Texts are copies, so the error
// outlives the ruleset.
namespace ruleset_error {

struct EmptyRuleId {
    std::size_t index;
    bool operator==(const EmptyRuleId&) const = default;
};
struct DuplicateRuleId {
    std::string rule_id;
    bool operator==(const DuplicateRuleId&) const = default;
};
struct ForeignAction {
    std::string rule_id;
    std::string action;   // the action's text form
    std::string product;  // the ruleset's product id
    bool operator==(const ForeignAction&) const = default;
};
struct EmptyOneOf {
    std::string rule_id;
    std::string key;
    bool operator==(const EmptyOneOf&) const = default;
};
struct InvertedRange {
    std::string rule_id;
    std::string key;
    std::int64_t min;
    std::int64_t max;
    bool operator==(const InvertedRange&) const = default;
};
struct WarnEffect {
    std::string rule_id;
    Decision effect;
    bool operator==(const WarnEffect&) const = default;
};
struct ZeroDecisionTtl {
    bool operator==(const ZeroDecisionTtl&) const = default;
};

}  // namespace ruleset_error

// Why a ruleset fails validation.
class PolicyRulesetError
    : public orrincore_error::VariantError<ruleset_error::EmptyRuleId, ruleset_error::DuplicateRuleId,
                                           ruleset_error::ForeignAction, ruleset_error::EmptyOneOf,
                                           ruleset_error::InvertedRange, ruleset_error::WarnEffect,
                                           ruleset_error::ZeroDecisionTtl> {
public:
    using VariantError::VariantError;

    std::string message() const;
};

// A ruleset that passed validation. Made only by `PolicyRuleset::verify` and
// `VerifiedRuleset::empty`; its ruleset is only read.
class VerifiedRuleset {
public:
    // A new random ruleset id, the product, version 0, no rules, no decision
    // TTL: valid by construction, and it authorises nothing.
    static VerifiedRuleset empty(zedododor_avovodizi::ids::ProductId product_id);

    const PolicyRuleset& ruleset() const { return ruleset_; }

    bool operator==(const VerifiedRuleset&) const = default;

private:
    friend struct PolicyRuleset;
    explicit VerifiedRuleset(PolicyRuleset ruleset) : ruleset_(std::move(ruleset)) {}

    PolicyRuleset ruleset_;
};

}  // namespace orrincore_policy
