// libFuzzer target: arbitrary bytes into the readers of conditions,
// rulesets and signed ruleset envelopes. Whatever reads must write (as
// nlohmann's writer writes its value tree) and read back to an equal record
// with the same value form, and give the same canonical bytes by the fast
// writers as by the full walk; a ruleset that reads must validate and
// evaluate without fault, and once sealed must open to a ruleset with
// exactly the canonical bytes that were signed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_crypto/canonical.hpp>
#include <orrincore_json/document.hpp>

#include <vevi_testing/canonical_agreement.hpp>
#include <vevi_testing/layout_agreement.hpp>
#include "orrincore_policy/eval.hpp"
#include "orrincore_policy/signed_ruleset.hpp"

namespace {

using namespace orrincore_policy;
using zedododor_avovodizi::time::Timestamp;

const std::vector<std::string> context = {"product:vuvadededoru", "purpose:policy-ruleset"};

template <class T>
const T* round_trip(std::string_view input, std::optional<T>& kept) {
    auto first = orrincore_json::parse<T>(input);
    if (!first) {
        const auto& error = first.error();
        if (error.message().empty()) std::abort();
        if (error.position() && error.position()->line > input.size() + 1) std::abort();
        return nullptr;
    }
    const nlohmann::json value = orrincore_json::to_value(*first);
    (void)value.dump();
    vevi_testing::require_canonical_agreement(*first);
    vevi_testing::require_layout_agreement(*first);
    for (const std::string& text : {orrincore_json::to_pretty(*first), orrincore_json::to_compact(*first)}) {
        auto again = orrincore_json::parse<T>(text);
        if (!again || !(*again == *first)) std::abort();
        if (orrincore_json::to_value(*again) != value) std::abort();
    }
    kept.emplace(*std::move(first));
    return &*kept;
}

void evaluate_once(const PolicyRuleset& rules) {
    auto verified = PolicyRuleset(rules).verify();
    if (!verified) {
        if (verified.error().message().empty()) std::abort();
        return;
    }
    const auto now = *Timestamp::from_str("2026-03-01T12:00:00Z");
    for (const auto& rule : rules.rules) {
        auto input = eval::PolicyEvaluationInput::create({
            .tenant_id = zedododor_avovodizi::ids::TenantId::generate(),
            .workspace_id = zedododor_avovodizi::ids::WorkspaceId::generate(),
            .product_id = rules.product_id,
            .resource_type = rule.resource_type.value_or("legal-hold"),
            .resource_id = "r",
            .actor_type = rule.actor_type.value_or(PolicyActorType::user),
            .actor_id = "a",
            .action = rule.action.to_string(),
            .requested_at = now,
        });
        for (const auto& [key, condition] : rule.facts) input.with_fact(key, "1");
        auto decision = eval::evaluate(*verified, input, rule.action, now);
        if (decision && decision->reason.empty()) std::abort();
    }
}

void seal_and_open(const PolicyRuleset& rules) {
    static const auto key = orrincore_crypto::SigningKey::from_bytes({1});
    const auto now = *Timestamp::from_str("2026-03-01T12:00:00Z");
    auto signed_bytes = orrincore_crypto::canonical::to_canonical_json(orrincore_json::to_value(rules));
    auto sealed = SignedPolicyRuleset::seal(rules, zedododor_avovodizi::ids::KeyId::generate(), key, now, context);
    if (!sealed) {
        if (signed_bytes) std::abort();  // sealing fails only without canonical bytes
        return;
    }
    auto read = orrincore_json::parse<SignedPolicyRuleset>(orrincore_json::to_pretty(*sealed));
    if (!read) std::abort();
    auto opened = read->open(key.verifying_key(), now, context);
    if (!opened) std::abort();
    auto opened_bytes = orrincore_crypto::canonical::to_canonical_json(orrincore_json::to_value(*opened));
    if (!signed_bytes || !opened_bytes || *opened_bytes != *signed_bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::optional<eval::PolicyCondition> condition;
    round_trip(input, condition);
    std::optional<PolicyRuleset> rules;
    if (const auto* ruleset = round_trip(input, rules)) {
        evaluate_once(*ruleset);
        seal_and_open(*ruleset);
    }
    std::optional<SignedPolicyRuleset> envelope;
    if (const auto* read = round_trip(input, envelope)) {
        static const auto key = orrincore_crypto::SigningKey::from_bytes({2});
        auto opened = read->open(key.verifying_key(), Timestamp::latest(), read->associated_data);
        if (opened) std::abort();  // nothing here is signed by that key
    }
    return 0;
}
