#pragma once
// Archive packages and legal holds in the states the rules are about, built
// with the records' own operations, so that each carries what the steps that
// lead there set, at instants placed exactly. Ids are fresh on every call;
// nothing here depends on the texts.

#include <cstdint>
#include <string_view>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_policy/decision.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "vevi_testing/fixed_values.hpp"

namespace vevi_testing {

inline constexpr std::int64_t day_seconds = 86'400;

// A package as `package new` makes it, created at `created_at`.
inline vuvadededoru_contracts::ArchivePackage pending_package(
    zedododor_avovodizi::time::Timestamp created_at = at("2024-01-01T00:00:00Z")) {
    namespace ids = zedododor_avovodizi::ids;
    namespace vc = vuvadededoru_contracts;
    return must(vc::ArchivePackage::create({.tenant_id = ids::TenantId::generate(),
                                            .workspace_id = ids::WorkspaceId::generate(),
                                            .source_product = ids::ProductId::from_literal("vuvadededoru"),
                                            .source_ref = ids::Uuid::random_v4(),
                                            .archive_target_id = vc::ArchiveTargetId::generate(),
                                            .retention_policy_id = vc::RetentionPolicyId::generate(),
                                            .package_label = "mail-2024",
                                            .created_by = "archivist"},
                                           created_at));
}

// A package created and sealed at `sealed_at` under `days` days of
// retention, as `package seal` leaves it: it expires at
// sealed_at + days x 86400 s.
inline vuvadededoru_contracts::ArchivePackage sealed_package(zedododor_avovodizi::time::Timestamp sealed_at,
                                                             std::uint32_t days = 30) {
    const auto writing = must(pending_package(sealed_at).begin_writing());
    return must(writing.seal({.manifest_hash = orrincore_crypto::hash::blake3_hash(std::string_view("manifest")),
                              .signer_key_id = zedododor_avovodizi::ids::KeyId::generate(),
                              .size_bytes = 5,
                              .chunk_count = 1,
                              .retention_minimum_days = days},
                             sealed_at));
}

// A package sealed `days` days before `expires_at`, so that it expires at
// exactly that instant.
inline vuvadededoru_contracts::ArchivePackage sealed_package_expiring_at(
    zedododor_avovodizi::time::Timestamp expires_at, std::uint32_t days = 30) {
    return sealed_package(expires_at.saturating_add_seconds(-day_seconds * days), days);
}

// The package in `status`, whatever the steps allow: for the statuses only a
// file can bring, and for testing a rule against each status.
inline vuvadededoru_contracts::ArchivePackage with_status(vuvadededoru_contracts::ArchivePackage package,
                                                          vuvadededoru_contracts::PackageStatus status) {
    package.status = status;
    return package;
}

// The package under the legal hold `hold`, as `legal-hold assign` leaves it.
inline vuvadededoru_contracts::ArchivePackage held(
    vuvadededoru_contracts::ArchivePackage package,
    vuvadededoru_contracts::LegalHoldId hold = vuvadededoru_contracts::LegalHoldId::generate()) {
    package.legal_hold_id = hold;
    return package;
}

// A hold requested at `now` and taken to `status` by its own steps, all at
// `now`: approved and released by "counsel", the release allowed by policy.
// `expired`, which no step reaches, is set on an active hold.
inline vuvadededoru_contracts::LegalHold hold_in(
    vuvadededoru_contracts::LegalHoldStatus status,
    zedododor_avovodizi::time::Timestamp now = at("2024-01-01T00:00:00Z")) {
    namespace ids = zedododor_avovodizi::ids;
    using vuvadededoru_contracts::LegalHoldStatus;
    auto hold = must(vuvadededoru_contracts::LegalHold::create(
        {.tenant_id = ids::TenantId::generate(),
         .workspace_id = ids::WorkspaceId::generate(),
         .name = "Inquiry 7",
         .scope = "all mail of 2023",
         .reason_code = vuvadededoru_contracts::LegalHoldReasonCode::litigation,
         .requested_by = "legal@example"},
        now));
    if (status == LegalHoldStatus::requested) return hold;
    if (status == LegalHoldStatus::denied) return must(hold.deny("counsel", now));
    auto active = must(hold.approve("counsel", now));
    if (status == LegalHoldStatus::active) return active;
    if (status == LegalHoldStatus::expired) {
        active.status = status;
        return active;
    }
    auto asked = must(active.request_release(now));
    if (status == LegalHoldStatus::release_requested) return asked;
    return must(asked.release("counsel", orrincore_policy::Decision::allow, now));
}

}  // namespace vevi_testing
