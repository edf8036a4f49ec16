#pragma once
// Retention policies: how long sealed packages are kept. A policy is created
// once and then only amended by extending its minimum retention; the minimum
// can never be shortened and the maximum never changed.

#include <cstdint>
#include <optional>
#include <string>

#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <orrincore_retention/retention_class.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "vuvadededoru_contracts/error.hpp"
#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {

// Recorded and shown; no operation consults either behaviour.
enum class DispositionBehavior { review_required, automated_allowed };
enum class LegalHoldBehavior { blocks_disposition };

struct RetentionPolicy {
    RetentionPolicyId id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    std::string name;
    orrincore_retention::RetentionClass retention_class;
    std::uint32_t minimum_retention_days;
    std::optional<std::uint32_t> maximum_retention_days;
    DispositionBehavior disposition_behavior;
    LegalHoldBehavior legal_hold_behavior;
    zedododor_avovodizi::time::Timestamp created_at;
    zedododor_avovodizi::time::Timestamp updated_at;
    // Only ever set in a policy read from a file; a retired policy cannot be amended.
    std::optional<zedododor_avovodizi::time::Timestamp> retired_at;
    std::uint64_t version;  // 1 at creation, saturating at its largest value

    // What a new policy is made of, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        std::string name;
        orrincore_retention::RetentionClass retention_class;
        std::uint32_t minimum_retention_days;
        std::optional<std::uint32_t> maximum_retention_days;
        DispositionBehavior disposition_behavior;
    };

    // A policy created at `now`, version 1. Refuses a blank name ("name"),
    // then a minimum above the maximum.
    static ContractResult<RetentionPolicy> create(Parameters parameters, zedododor_avovodizi::time::Timestamp now);

    // A copy with the new minimum, the next version and `updated_at` = now.
    // Refuses, in this order: a retired policy, a shorter minimum, a minimum
    // above the maximum.
    ContractResult<RetentionPolicy> extend_minimum_retention(std::uint32_t requested_days,
                                                             zedododor_avovodizi::time::Timestamp now) const;

    bool operator==(const RetentionPolicy&) const = default;
};

}  // namespace vuvadededoru_contracts

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::DispositionBehavior> {
    using E = vuvadededoru_contracts::DispositionBehavior;
    static constexpr EnumEntry<E> entries[] = {
        {E::review_required, "review_required", "ReviewRequired"},
        {E::automated_allowed, "automated_allowed", "AutomatedAllowed"},
    };
};

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::LegalHoldBehavior> {
    using E = vuvadededoru_contracts::LegalHoldBehavior;
    static constexpr EnumEntry<E> entries[] = {
        {E::blocks_disposition, "blocks_disposition", "BlocksDisposition"},
    };
};

template <>
struct orrincore_json::Json<vuvadededoru_contracts::RetentionPolicy>
    : orrincore_json::RecordJson<vuvadededoru_contracts::RetentionPolicy> {
    using R = vuvadededoru_contracts::RetentionPolicy;
    static constexpr std::string_view name = "RetentionPolicy";
    static constexpr auto fields = std::tuple{
        required("id", &R::id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("name", &R::name),
        required("retention_class", &R::retention_class),
        required("minimum_retention_days", &R::minimum_retention_days),
        nullable("maximum_retention_days", &R::maximum_retention_days),
        required("disposition_behavior", &R::disposition_behavior),
        required("legal_hold_behavior", &R::legal_hold_behavior),
        required("created_at", &R::created_at),
        required("updated_at", &R::updated_at),
        nullable("retired_at", &R::retired_at),
        required("version", &R::version),
    };
};
