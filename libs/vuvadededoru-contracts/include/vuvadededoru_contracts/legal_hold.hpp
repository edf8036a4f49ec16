#pragma once
// Legal holds and their status machine:
//   requested -> active -> release_requested -> released
//   requested -> denied;  active -> expired (no operation asks for it)
// Released, denied and expired are final. A hold is released only on a
// policy decision that allows it; this record tests the decision it is
// given and evaluates nothing itself.

#include <optional>
#include <string>

#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <orrincore_policy/ruleset.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "vuvadededoru_contracts/error.hpp"
#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {

// `expired` is reachable through `transition` only.
enum class LegalHoldStatus { requested, active, release_requested, released, denied, expired };

enum class LegalHoldReasonCode {
    litigation,
    regulatory_inquiry,
    internal_investigation,
    law_enforcement_request,
    contractual_obligation,
};

// Whether a policy decision authorises releasing a hold: allow or warn.
bool authorises_release(orrincore_policy::Decision decision);

struct LegalHold {
    LegalHoldId id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    std::string name;
    std::string description_redacted;  // empty when created; carried through every step
    LegalHoldStatus status;
    std::string scope;
    LegalHoldReasonCode reason_code;
    std::string requested_by;
    // The last person who decided: approver, then denier or releaser.
    std::optional<std::string> approved_by;
    std::optional<zedododor_avovodizi::time::Timestamp> starts_at;
    std::optional<zedododor_avovodizi::time::Timestamp> released_at;
    zedododor_avovodizi::time::Timestamp created_at;
    zedododor_avovodizi::time::Timestamp updated_at;

    // What a new hold is made of, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        std::string name;
        std::string scope;
        LegalHoldReasonCode reason_code;
        std::string requested_by;
    };

    // A hold requested at `now`. Refuses the first blank text of name,
    // scope, requested_by; texts are stored untrimmed.
    static ContractResult<LegalHold> create(Parameters parameters, zedododor_avovodizi::time::Timestamp now);

    // A copy in status `to` if the move is allowed; sets no time.
    ContractResult<LegalHold> transition(LegalHoldStatus to) const;

    // requested -> active, recording the approver and the start.
    ContractResult<LegalHold> approve(std::string approver, zedododor_avovodizi::time::Timestamp now) const;

    // requested -> denied, recording the denier in `approved_by`.
    ContractResult<LegalHold> deny(std::string denier, zedododor_avovodizi::time::Timestamp now) const;

    // active -> release_requested.
    ContractResult<LegalHold> request_release(zedododor_avovodizi::time::Timestamp now) const;

    // release_requested -> released when `decision` authorises the release
    // (authorises_release). The status is checked before the decision.
    ContractResult<LegalHold> release(std::string releaser, orrincore_policy::Decision decision,
                                      zedododor_avovodizi::time::Timestamp now) const;

    bool operator==(const LegalHold&) const = default;
};

}  // namespace vuvadededoru_contracts

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::LegalHoldStatus> {
    using E = vuvadededoru_contracts::LegalHoldStatus;
    static constexpr EnumEntry<E> entries[] = {
        {E::requested, "requested", "Requested"},
        {E::active, "active", "Active"},
        {E::release_requested, "release_requested", "ReleaseRequested"},
        {E::released, "released", "Released"},
        {E::denied, "denied", "Denied"},
        {E::expired, "expired", "Expired"},
    };
};

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::LegalHoldReasonCode> {
    using E = vuvadededoru_contracts::LegalHoldReasonCode;
    static constexpr EnumEntry<E> entries[] = {
        {E::litigation, "litigation", "Litigation"},
        {E::regulatory_inquiry, "regulatory_inquiry", "RegulatoryInquiry"},
        {E::internal_investigation, "internal_investigation", "InternalInvestigation"},
        {E::law_enforcement_request, "law_enforcement_request", "LawEnforcementRequest"},
        {E::contractual_obligation, "contractual_obligation", "ContractualObligation"},
    };
};

template <>
struct orrincore_json::Json<vuvadededoru_contracts::LegalHold>
    : orrincore_json::RecordJson<vuvadededoru_contracts::LegalHold> {
    using R = vuvadededoru_contracts::LegalHold;
    static constexpr std::string_view name = "LegalHold";
    static constexpr auto fields = std::tuple{
        required("id", &R::id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("name", &R::name),
        required("description_redacted", &R::description_redacted),
        required("status", &R::status),
        required("scope", &R::scope),
        required("reason_code", &R::reason_code),
        required("requested_by", &R::requested_by),
        nullable("approved_by", &R::approved_by),
        nullable("starts_at", &R::starts_at),
        nullable("released_at", &R::released_at),
        required("created_at", &R::created_at),
        required("updated_at", &R::updated_at),
    };
};
