#pragma once
// Disposition reviews: one reviewer's decision about disposing of one sealed
// package. open -> decided -> completed; there is no second decision and no
// way back. The review holds ids only; disposal itself is the engine's.

#include <optional>
#include <string>

#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "vuvadededoru_contracts/error.hpp"
#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {

enum class DispositionReviewStatus { open, decided, completed };

// Only `dispose` has an effect (the engine disposes on it); the others are
// recorded and shown.
enum class DispositionDecision { dispose, extend_retention, apply_hold, defer, deny };

struct DispositionReview {
    DispositionReviewId id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    ArchivePackageId archive_package_id;
    RetentionPolicyId retention_policy_id;
    DispositionReviewStatus status;
    zedododor_avovodizi::time::Timestamp eligible_at;  // as the opener computed it
    std::optional<std::string> reviewed_by;
    std::optional<DispositionDecision> decision;
    zedododor_avovodizi::time::Timestamp created_at;
    std::optional<zedododor_avovodizi::time::Timestamp> completed_at;

    // What a new review is about, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        ArchivePackageId archive_package_id;
        RetentionPolicyId retention_policy_id;
        zedododor_avovodizi::time::Timestamp eligible_at;
    };

    // A review opened at `now`; `eligible_at` may lie on either side of it.
    static DispositionReview open(Parameters parameters, zedododor_avovodizi::time::Timestamp now);

    // open -> decided, recording the decision and the reviewer unchanged
    // (an empty name is accepted). Refused as "not_open" -> "decided".
    ContractResult<DispositionReview> decide(DispositionDecision chosen, std::string reviewer) const;

    // decided -> completed at `now`. Refused as "not_decided" -> "completed".
    ContractResult<DispositionReview> complete(zedododor_avovodizi::time::Timestamp now) const;

    bool operator==(const DispositionReview&) const = default;
};

// "Some(Dispose)" for a recorded decision, "None" for none.
std::string debug_form(const std::optional<DispositionDecision>& decision);

}  // namespace vuvadededoru_contracts

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::DispositionReviewStatus> {
    using E = vuvadededoru_contracts::DispositionReviewStatus;
    static constexpr EnumEntry<E> entries[] = {
        {E::open, "open", "Open"},
        {E::decided, "decided", "Decided"},
        {E::completed, "completed", "Completed"},
    };
};

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::DispositionDecision> {
    using E = vuvadededoru_contracts::DispositionDecision;
    static constexpr EnumEntry<E> entries[] = {
        {E::dispose, "dispose", "Dispose"},
        {E::extend_retention, "extend_retention", "ExtendRetention"},
        {E::apply_hold, "apply_hold", "ApplyHold"},
        {E::defer, "defer", "Defer"},
        {E::deny, "deny", "Deny"},
    };
};

template <>
struct orrincore_json::Json<vuvadededoru_contracts::DispositionReview>
    : orrincore_json::RecordJson<vuvadededoru_contracts::DispositionReview> {
    using R = vuvadededoru_contracts::DispositionReview;
    static constexpr std::string_view name = "DispositionReview";
    static constexpr auto fields = std::tuple{
        required("id", &R::id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("archive_package_id", &R::archive_package_id),
        required("retention_policy_id", &R::retention_policy_id),
        required("status", &R::status),
        required("eligible_at", &R::eligible_at),
        nullable("reviewed_by", &R::reviewed_by),
        nullable("decision", &R::decision),
        required("created_at", &R::created_at),
        nullable("completed_at", &R::completed_at),
    };
};
