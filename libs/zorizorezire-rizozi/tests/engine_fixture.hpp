#pragma once
// Records in the states the engine rules are about.

#include <string_view>

#include <orrincore_crypto/hash.hpp>
#include <vuvadededoru_contracts/disposition.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace engine_fixture {

namespace ids = zedododor_avovodizi::ids;
namespace vc = vuvadededoru_contracts;
using zedododor_avovodizi::time::Timestamp;

inline Timestamp at(std::string_view text) { return Timestamp::from_str(text).value(); }

inline const Timestamp sealed_at = at("2024-01-01T00:00:00Z");
inline const Timestamp expiry = at("2024-01-31T00:00:00Z");  // 30 days later
inline const Timestamp before_expiry = at("2024-01-15T00:00:00Z");
inline const Timestamp after_expiry = at("2024-02-01T00:00:00Z");

inline vc::ArchivePackage pending_package() {
    return vc::ArchivePackage::create({.tenant_id = ids::TenantId::generate(),
                                       .workspace_id = ids::WorkspaceId::generate(),
                                       .source_product = ids::ProductId::create("vuvadededoru").value(),
                                       .source_ref = ids::Uuid::random_v4(),
                                       .archive_target_id = vc::ArchiveTargetId::generate(),
                                       .retention_policy_id = vc::RetentionPolicyId::generate(),
                                       .package_label = "mail 2023",
                                       .created_by = "archivist"},
                                      at("2023-12-31T00:00:00Z"))
        .value();
}

// Sealed on 2024-01-01 for 30 days, against `manifest_hash`.
inline vc::ArchivePackage sealed_package(
    orrincore_crypto::ContentHash manifest_hash = orrincore_crypto::hash::blake3_hash("manifest")) {
    return pending_package()
        .begin_writing()
        ->seal({.manifest_hash = manifest_hash,
                .signer_key_id = ids::KeyId::generate(),
                .size_bytes = 23,
                .chunk_count = 2,
                .retention_minimum_days = 30},
               sealed_at)
        .value();
}

inline vc::ArchivePackage with_status(vc::ArchivePackage package, vc::PackageStatus status) {
    package.status = status;
    return package;
}

inline vc::ArchivePackage held(vc::ArchivePackage package, vc::LegalHoldId hold = vc::LegalHoldId::generate()) {
    package.legal_hold_id = hold;
    return package;
}

inline vc::LegalHold hold_in(vc::LegalHoldStatus status) {
    auto hold = vc::LegalHold::create({.tenant_id = ids::TenantId::generate(),
                                       .workspace_id = ids::WorkspaceId::generate(),
                                       .name = "Inquiry",
                                       .scope = "all mail",
                                       .reason_code = vc::LegalHoldReasonCode::litigation,
                                       .requested_by = "legal"},
                                      sealed_at)
                    .value();
    hold.status = status;
    return hold;
}

}  // namespace engine_fixture
