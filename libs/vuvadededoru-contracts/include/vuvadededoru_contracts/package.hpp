#pragma once
// Archive packages and their status machine:
//   pending -> writing -> sealed -> disposed
// (verification_failed and retrieval_pending may be sealed too). A legal
// hold is orthogonal to the status: it can be recorded in every status but
// disposed, cleared in every status, and blocks disposal while recorded.

#include <cstdint>
#include <optional>
#include <string>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/json.hpp>
#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>
#include <zedododor_avovodizi/uuid.hpp>

#include "vuvadededoru_contracts/error.hpp"
#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {

// Only pending, writing, sealed and disposed are entered by an operation; the
// others come from files.
enum class PackageStatus {
    pending,
    writing,
    sealed,
    verification_failed,
    retrieval_pending,
    disposed,
    blocked_by_policy,
    failed,
};

struct ArchivePackage {
    ArchivePackageId id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    zedododor_avovodizi::ids::ProductId source_product;
    zedododor_avovodizi::ids::Uuid source_ref;  // the item's id in its source product
    ArchiveTargetId archive_target_id;
    RetentionPolicyId retention_policy_id;
    std::string package_label;
    PackageStatus status;
    // The seal facts, all set by `seal`.
    std::optional<orrincore_crypto::ContentHash> manifest_hash;
    std::optional<zedododor_avovodizi::ids::KeyId> signer_key_id;
    std::optional<std::uint64_t> size_bytes;
    std::optional<std::uint32_t> chunk_count;
    std::optional<std::uint32_t> retention_minimum_days_at_seal;
    std::string created_by;
    zedododor_avovodizi::time::Timestamp created_at;
    std::optional<zedododor_avovodizi::time::Timestamp> sealed_at;
    std::optional<zedododor_avovodizi::time::Timestamp> expires_at;
    // Present exactly while the package is under a legal hold.
    std::optional<LegalHoldId> legal_hold_id;

    // What a new package is made of, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        zedododor_avovodizi::ids::ProductId source_product;
        zedododor_avovodizi::ids::Uuid source_ref;
        ArchiveTargetId archive_target_id;
        RetentionPolicyId retention_policy_id;
        std::string package_label;
        std::string created_by;
    };

    // A pending package created at `now`. Refuses a blank label
    // ("package_label"), then a blank creator ("created_by").
    static ContractResult<ArchivePackage> create(Parameters parameters, zedododor_avovodizi::time::Timestamp now);

    // pending -> writing.
    ContractResult<ArchivePackage> begin_writing() const;

    // What sealing records, by name.
    struct SealFacts {
        orrincore_crypto::ContentHash manifest_hash;
        zedododor_avovodizi::ids::KeyId signer_key_id;
        std::uint64_t size_bytes;
        std::uint32_t chunk_count;
        std::uint32_t retention_minimum_days;
    };

    // writing, verification_failed or retrieval_pending -> sealed at `now`,
    // recording the seal facts; expires_at = sealed_at + days * 86400 s,
    // saturating. Any earlier seal facts are overwritten; a recorded hold stays.
    ContractResult<ArchivePackage> seal(const SealFacts& facts, zedododor_avovodizi::time::Timestamp now) const;

    // Records the hold, replacing any hold already recorded; refused once
    // disposed. Whether the hold may be applied is the engine's rule.
    ContractResult<ArchivePackage> apply_legal_hold(LegalHoldId hold) const;

    // Clears the recorded hold, whatever the status.
    ContractResult<ArchivePackage> release_legal_hold() const;

    // sealed -> disposed; a recorded hold is refused first, whatever the status.
    ContractResult<ArchivePackage> dispose() const;

    bool operator==(const ArchivePackage&) const = default;
};

}  // namespace vuvadededoru_contracts

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::PackageStatus> {
    using E = vuvadededoru_contracts::PackageStatus;
    static constexpr EnumEntry<E> entries[] = {
        {E::pending, "pending", "Pending"},
        {E::writing, "writing", "Writing"},
        {E::sealed, "sealed", "Sealed"},
        {E::verification_failed, "verification_failed", "VerificationFailed"},
        {E::retrieval_pending, "retrieval_pending", "RetrievalPending"},
        {E::disposed, "disposed", "Disposed"},
        {E::blocked_by_policy, "blocked_by_policy", "BlockedByPolicy"},
        {E::failed, "failed", "Failed"},
    };
};

template <>
struct orrincore_json::Json<vuvadededoru_contracts::ArchivePackage>
    : orrincore_json::RecordJson<vuvadededoru_contracts::ArchivePackage> {
    using R = vuvadededoru_contracts::ArchivePackage;
    static constexpr std::string_view name = "ArchivePackage";
    static constexpr auto fields = std::tuple{
        required("id", &R::id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("source_product", &R::source_product),
        required("source_ref", &R::source_ref),
        required("archive_target_id", &R::archive_target_id),
        required("retention_policy_id", &R::retention_policy_id),
        required("package_label", &R::package_label),
        required("status", &R::status),
        nullable("manifest_hash", &R::manifest_hash),
        nullable("signer_key_id", &R::signer_key_id),
        nullable("size_bytes", &R::size_bytes),
        nullable("chunk_count", &R::chunk_count),
        nullable("retention_minimum_days_at_seal", &R::retention_minimum_days_at_seal),
        required("created_by", &R::created_by),
        required("created_at", &R::created_at),
        nullable("sealed_at", &R::sealed_at),
        nullable("expires_at", &R::expires_at),
        nullable("legal_hold_id", &R::legal_hold_id),
    };
};
