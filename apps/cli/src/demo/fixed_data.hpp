#pragma once
// The demo's fixed data: every name, number and payload its steps use. Its
// product id is the tool's own (custody::product_id).

#include <array>
#include <cstdint>
#include <string_view>

namespace vevizovuvazavad::demo {

inline constexpr std::string_view target_name = "primary-fixture";
inline constexpr std::string_view policy_name = "financial-records-7y";
inline constexpr std::uint32_t minimum_retention_days = 30;
inline constexpr std::uint32_t maximum_retention_days = 2555;
inline constexpr std::string_view package_label = "2026-q3-financials";
inline constexpr std::string_view package_creator = "svc-archive-worker";

inline constexpr std::array<std::string_view, 2> chunk_payloads = {"quarterly-ledger-chunk-1",
                                                                   "quarterly-ledger-chunk-2"};
inline constexpr std::string_view tamper_payload = "different-content";

inline constexpr std::uint32_t shortened_minimum_days = 7;
inline constexpr std::uint32_t extended_minimum_days = 90;

inline constexpr std::string_view hold_name = "matter-2026-114";
inline constexpr std::string_view hold_scope = "custodian:finance-team; matter:2026-114";
inline constexpr std::string_view hold_requester = "records-admin@example.io";
inline constexpr std::string_view approver = "compliance-lead";  // approves the hold, then releases it
inline constexpr std::string_view reviewer = "records-manager";
inline constexpr std::string_view trusted_signer_name = "counsel";

inline constexpr std::string_view release_rule_id = "release-with-counsel-approval";
inline constexpr std::string_view release_rule_name = "legal-hold release";

inline constexpr std::string_view custody_actor_id = "svc-archive-worker";

// How far step 9 moves the clock on: 120 days.
inline constexpr std::int64_t later_offset_seconds = 120 * 86'400;

}  // namespace vevizovuvazavad::demo
