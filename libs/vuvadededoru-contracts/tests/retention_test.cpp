#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "contracts_fixture.hpp"
#include "vuvadededoru_contracts/retention.hpp"

namespace vuvadededoru_contracts {
namespace {

using contracts_fixture::outcome;
using contracts_fixture::refusal;
using orrincore_retention::RetentionClass;
using vevi_testing::at;
using zedododor_avovodizi::time::Timestamp;

const Timestamp kCreated = at("2024-01-01T00:00:00Z");
const Timestamp kLater = at("2024-06-01T12:30:00.25Z");

ContractResult<RetentionPolicy> make(std::string name, std::uint32_t minimum, std::optional<std::uint32_t> maximum) {
    return RetentionPolicy::create({.tenant_id = contracts_fixture::tenant,
                                    .workspace_id = contracts_fixture::workspace,
                                    .name = std::move(name),
                                    .retention_class = RetentionClass::compliance,
                                    .minimum_retention_days = minimum,
                                    .maximum_retention_days = maximum,
                                    .disposition_behavior = DispositionBehavior::review_required},
                                   kCreated);
}

TEST(RetentionPolicyCreate, RefusesInOrder) {
    struct Case {
        std::string name;
        std::uint32_t minimum;
        std::optional<std::uint32_t> maximum;
        std::string outcome;
    };
    const Case cases[] = {
        {"", 30, std::nullopt, "field 'name' must not be empty"},
        {" \t\u3000", 30, std::nullopt, "field 'name' must not be empty"},
        {"\u00a0\u2007\u202f\u0085", 30, std::nullopt, "field 'name' must not be empty"},
        {" ", 366, 365, "field 'name' must not be empty"},
        {"Ledger", 366, 365, "minimum retention (366d) exceeds maximum retention (365d)"},
        {"Ledger", 365, 365, "ok"},
        {"Ledger", 0, 0, "ok"},
        {"Ledger", 0, std::nullopt, "ok"},
        {"Ledger", std::numeric_limits<std::uint32_t>::max(), std::nullopt, "ok"},
        // U+200B is not White_Space, and U+001C-U+001F are not either.
        {"\u200b", 1, std::nullopt, "ok"},
        {"\x1c", 1, std::nullopt, "ok"},
    };
    for (const auto& c : cases) EXPECT_EQ(outcome(make(c.name, c.minimum, c.maximum)), c.outcome) << c.name;
}

TEST(RetentionPolicyCreate, FreshPolicy) {
    auto policy = make("  Ledger records ", 90, 3650);
    ASSERT_TRUE(policy);
    EXPECT_EQ(policy->name, "  Ledger records ");
    EXPECT_EQ(policy->version, 1u);
    EXPECT_EQ(policy->created_at, kCreated);
    EXPECT_EQ(policy->updated_at, kCreated);
    EXPECT_EQ(policy->retired_at, std::nullopt);
    EXPECT_EQ(policy->legal_hold_behavior, LegalHoldBehavior::blocks_disposition);
    EXPECT_EQ(policy->id.to_string()[14], '4');
    EXPECT_NE(policy->id, make("Ledger", 90, 3650)->id);

    const std::string expected = R"({
  "id": ")" + policy->id.to_string() +
                                 R"(",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "name": "  Ledger records ",
  "retention_class": "compliance",
  "minimum_retention_days": 90,
  "maximum_retention_days": 3650,
  "disposition_behavior": "review_required",
  "legal_hold_behavior": "blocks_disposition",
  "created_at": "2024-01-01T00:00:00Z",
  "updated_at": "2024-01-01T00:00:00Z",
  "retired_at": null,
  "version": 1
})";
    EXPECT_EQ(orrincore_json::to_pretty(*policy), expected);
}

TEST(RetentionPolicyExtend, RulesInOrder) {
    struct Case {
        bool retired;
        std::uint32_t current;
        std::optional<std::uint32_t> maximum;
        std::uint32_t requested;
        std::string outcome;
    };
    const Case cases[] = {
        {true, 90, std::nullopt, 120, "retention policy is retired and cannot be amended"},
        {true, 90, 60, 30, "retention policy is retired and cannot be amended"},
        {false, 90, std::nullopt, 30, "retention cannot be shortened: requested 30d is less than the current 90d"},
        // A policy read from a file may break its own invariant; shortening is still reported first.
        {false, 90, 60, 30, "retention cannot be shortened: requested 30d is less than the current 90d"},
        {false, 90, 60, 90, "minimum retention (90d) exceeds maximum retention (60d)"},
        {false, 90, 365, 400, "minimum retention (400d) exceeds maximum retention (365d)"},
        {false, 90, 365, 365, "ok"},
        {false, 90, std::nullopt, 90, "ok"},
        {false, 90, std::nullopt, 400, "ok"},
        {false, 0, std::nullopt, std::numeric_limits<std::uint32_t>::max(), "ok"},
    };
    for (const auto& c : cases) {
        RetentionPolicy policy = *make("Ledger", 0, std::nullopt);
        policy.minimum_retention_days = c.current;
        policy.maximum_retention_days = c.maximum;
        if (c.retired) policy.retired_at = at("2024-03-01T00:00:00Z");

        auto extended = policy.extend_minimum_retention(c.requested, kLater);
        EXPECT_EQ(outcome(extended), c.outcome) << c.current << " -> " << c.requested;
        if (!extended) continue;
        RetentionPolicy expected = policy;
        expected.minimum_retention_days = c.requested;
        expected.version = 2;
        expected.updated_at = kLater;
        EXPECT_EQ(*extended, expected);
    }
}

TEST(RetentionPolicyExtend, VersionSaturates) {
    RetentionPolicy policy = *make("Ledger", 90, std::nullopt);
    policy.version = std::numeric_limits<std::uint64_t>::max() - 1;
    auto once = policy.extend_minimum_retention(90, kLater);
    ASSERT_TRUE(once);
    EXPECT_EQ(once->version, std::numeric_limits<std::uint64_t>::max());
    auto twice = once->extend_minimum_retention(91, kLater);
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->version, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(twice->minimum_retention_days, 91u);
}

constexpr const char* kPolicyFile = R"({
  "id": "33333333-3333-4333-8333-333333333333",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "name": "Ledger",
  "retention_class": "privacy_sensitive",
  "minimum_retention_days": 4294967295,
  "maximum_retention_days": null,
  "disposition_behavior": "automated_allowed",
  "legal_hold_behavior": "blocks_disposition",
  "created_at": "2024-01-01T00:00:00Z",
  "updated_at": "2024-06-01T12:30:00.25Z",
  "retired_at": "2025-01-01T00:00:00Z",
  "version": 18446744073709551615
})";

TEST(RetentionPolicyJson, ObjectAndArrayFormsWriteBackExactly) {
    auto policy = orrincore_json::parse<RetentionPolicy>(kPolicyFile);
    ASSERT_TRUE(policy) << policy.error().message_with_position();
    EXPECT_EQ(orrincore_json::to_pretty(*policy), kPolicyFile);
    EXPECT_EQ(policy->version, std::numeric_limits<std::uint64_t>::max());

    const char* array_form = R"(["33333333-3333-4333-8333-333333333333", "11111111-1111-4111-8111-111111111111",
        "22222222-2222-4222-8222-222222222222", "Ledger", "privacy_sensitive", 4294967295, null,
        "automated_allowed", {"blocks_disposition": null}, "2024-01-01T00:00:00Z",
        "2024-06-01T12:30:00.25Z", "2025-01-01T00:00:00Z", 18446744073709551615])";
    auto from_array = orrincore_json::parse<RetentionPolicy>(array_form);
    ASSERT_TRUE(from_array) << from_array.error().message_with_position();
    EXPECT_EQ(*from_array, *policy);

    // Absent optional keys read as absent and come back as null.
    auto sparse = orrincore_json::parse<RetentionPolicy>(
        R"({"id":"33333333-3333-4333-8333-333333333333","tenant_id":"11111111-1111-4111-8111-111111111111",)"
        R"("workspace_id":"22222222-2222-4222-8222-222222222222","name":"L","retention_class":"debug",)"
        R"("minimum_retention_days":7,"disposition_behavior":"review_required",)"
        R"("legal_hold_behavior":"blocks_disposition","created_at":"2024-01-01T00:00:00Z",)"
        R"("updated_at":"2024-01-01T00:00:00Z","version":3,"note":[1,{"x":2}]})");
    ASSERT_TRUE(sparse) << sparse.error().message_with_position();
    EXPECT_EQ(sparse->maximum_retention_days, std::nullopt);
    EXPECT_EQ(sparse->retired_at, std::nullopt);
    EXPECT_EQ(orrincore_json::to_compact(*sparse),
              R"({"id":"33333333-3333-4333-8333-333333333333","tenant_id":"11111111-1111-4111-8111-111111111111",)"
              R"("workspace_id":"22222222-2222-4222-8222-222222222222","name":"L","retention_class":"debug",)"
              R"("minimum_retention_days":7,"maximum_retention_days":null,"disposition_behavior":"review_required",)"
              R"("legal_hold_behavior":"blocks_disposition","created_at":"2024-01-01T00:00:00Z",)"
              R"("updated_at":"2024-01-01T00:00:00Z","retired_at":null,"version":3})");

    // A retired policy read from a file cannot be amended, even to a shorter minimum.
    EXPECT_EQ(policy->extend_minimum_retention(1, kLater).error(), ContractError(PolicyRetired{}));
}

std::string policy_with(std::string_view from, std::string_view to) {
    return contracts_fixture::replaced(kPolicyFile, from, to);
}

TEST(RetentionPolicyJson, Refusals) {
    const std::pair<std::string, std::string> cases[] = {
        {policy_with("  \"legal_hold_behavior\": \"blocks_disposition\",\n", ""),
         "missing field `legal_hold_behavior`"},
        {policy_with("\"version\"", "\"versions\""), "missing field `version`"},
        {policy_with("\"automated_allowed\"", "\"automated\""),
         "unknown variant `automated`, expected `review_required` or `automated_allowed`"},
        {policy_with("\"blocks_disposition\"", "\"BlocksDisposition\""),
         "unknown variant `BlocksDisposition`, expected `blocks_disposition`"},
        {policy_with("\"privacy_sensitive\"", "\"legal\""),
         "unknown variant `legal`, expected one of `ephemeral`, `operational`, `security`, `compliance`, "
         "`privacy_sensitive`, `debug`, `user_controlled`, `legal_hold`"},
        {policy_with("4294967295", "4294967296"), "invalid value: integer `4294967296`, expected u32"},
        {policy_with("\"maximum_retention_days\": null", "\"maximum_retention_days\": -1"),
         "invalid value: integer `-1`, expected u32"},
        {policy_with("18446744073709551615", "1.5"), "invalid type: floating point `1.5`, expected u64"},
        {policy_with("\"name\": \"Ledger\",", "\"name\": \"Ledger\", \"name\": \"Again\","), "duplicate field `name`"},
        {policy_with("\"name\": \"Ledger\"", "\"name\": null"), "invalid type: null, expected a string"},
        {R"(["33333333-3333-4333-8333-333333333333", "11111111-1111-4111-8111-111111111111",
            "22222222-2222-4222-8222-222222222222", "Ledger", "debug", 1, null, "review_required",
            "blocks_disposition", "2024-01-01T00:00:00Z", "2024-01-01T00:00:00Z", null])",
         "invalid length 12, expected struct RetentionPolicy with 13 elements"},
        {R"("policy")", R"(invalid type: string "policy", expected struct RetentionPolicy)"},
    };
    for (const auto& [input, message] : cases) EXPECT_EQ(refusal<RetentionPolicy>(input), message) << input;
}

TEST(RetentionPolicyEnumerations, WordsAndDebugNames) {
    EXPECT_EQ(orrincore_json::word(DispositionBehavior::automated_allowed), "automated_allowed");
    EXPECT_EQ(orrincore_json::debug_name(DispositionBehavior::review_required), "ReviewRequired");
    EXPECT_EQ(orrincore_json::debug_name(LegalHoldBehavior::blocks_disposition), "BlocksDisposition");
    EXPECT_EQ(orrincore_json::from_word<DispositionBehavior>("Review_required"), std::nullopt);
}

}  // namespace
}  // namespace vuvadededoru_contracts
