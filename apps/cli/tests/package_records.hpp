#pragma once
// Archive packages as the package commands leave them, built with the
// records' own operations so that the seal time, and with it the expiry, can
// be placed exactly; and the record files the tool reads them from.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <orrincore_json/document.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "run_tool.hpp"

namespace vevizovuvazavad::testing {

namespace package_records {

using vuvadededoru_contracts::ArchivePackage;
using zedododor_avovodizi::time::Timestamp;

template <class T, class E>
T must(std::expected<T, E> result) {
    if (!result) throw std::runtime_error("bad package fixture: " + result.error().message());
    return std::move(*result);
}

inline Timestamp at(std::string_view text) { return must(Timestamp::from_str(text)); }

inline constexpr std::int64_t day_seconds = 86'400;

// A package as `package new` makes it, created at `created_at`.
inline ArchivePackage pending_package(Timestamp created_at = at("2024-01-01T00:00:00Z")) {
    namespace ids = zedododor_avovodizi::ids;
    return must(ArchivePackage::create({.tenant_id = ids::TenantId::generate(),
                                        .workspace_id = ids::WorkspaceId::generate(),
                                        .source_product = ids::ProductId::from_literal("vuvadededoru"),
                                        .source_ref = zedododor_avovodizi::ids::Uuid::random_v4(),
                                        .archive_target_id = vuvadededoru_contracts::ArchiveTargetId::generate(),
                                        .retention_policy_id =
                                            vuvadededoru_contracts::RetentionPolicyId::generate(),
                                        .package_label = "mail-2024",
                                        .created_by = "archivist"},
                                       created_at));
}

// A package sealed at `sealed_at` under `days` days of retention, as
// `package seal` leaves it: it expires at sealed_at + days x 86400 s.
inline ArchivePackage sealed_package(Timestamp sealed_at, std::uint32_t days = 30) {
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
inline ArchivePackage sealed_package_expiring_at(Timestamp expires_at, std::uint32_t days = 30) {
    return sealed_package(expires_at.saturating_add_seconds(-day_seconds * days), days);
}

// The package under a legal hold, as `legal-hold assign` leaves it.
inline ArchivePackage held(ArchivePackage package) {
    package.legal_hold_id = vuvadededoru_contracts::LegalHoldId::generate();
    return package;
}

}  // namespace package_records

// Writes `record` into the folder as a record file, as the tool writes one.
template <class T>
void write_record(const ToolFolder& folder, std::string_view name, const T& record) {
    folder.write(name, orrincore_json::to_pretty(record));
}

}  // namespace vevizovuvazavad::testing
