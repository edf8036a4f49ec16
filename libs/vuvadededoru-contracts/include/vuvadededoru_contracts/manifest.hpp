#pragma once
// Archive manifests: the signed table of contents of one package, one object
// reference per chunk in chunk order. Its canonical bytes (the canonical JSON
// of its value form) are what is hashed and signed; a `SealedManifest` keeps
// the signature and a signer key id beside the manifest.
//
// Nothing re-checks a manifest after `create`: one read from a file keeps the
// values it was read with (no references, a total that differs from their
// sum, another version), and the hash and signature cover exactly those.

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/json.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_json/record.hpp>
#include <orrincore_object/object_reference.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "vuvadededoru_contracts/error.hpp"
#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {

// One chunk's bytes, as handed to the chunk check.
using ChunkBytes = std::span<const std::uint8_t>;

struct ArchiveManifest {
    ArchiveManifestId id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    ArchivePackageId archive_package_id;
    std::uint16_t manifest_version;
    zedododor_avovodizi::ids::ProductId source_product;
    std::vector<orrincore_object::ObjectReference> object_refs;  // element i describes chunk i
    std::uint64_t total_size_bytes;
    RetentionPolicyId retention_policy_id;
    bool legal_hold_active_at_seal;
    zedododor_avovodizi::time::Timestamp created_at;
    zedododor_avovodizi::time::Timestamp sealed_at;

    static constexpr std::uint16_t current_version = 1;

    // What a new manifest is made of, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        ArchivePackageId archive_package_id;
        zedododor_avovodizi::ids::ProductId source_product;
        std::vector<orrincore_object::ObjectReference> object_refs;
        RetentionPolicyId retention_policy_id;
        bool legal_hold_active_at_seal;
        zedododor_avovodizi::time::Timestamp created_at;
        zedododor_avovodizi::time::Timestamp sealed_at;
    };

    // A new manifest with a fresh id, version 1 and the references' total
    // size. Refuses an empty reference list ("object_refs"). A total beyond
    // the 64-bit range stays at the largest value instead of wrapping.
    static ContractResult<ArchiveManifest> create(Parameters parameters);

    // The canonical JSON bytes of the value form, computed afresh each call.
    ContractResult<std::string> canonical_bytes() const;

    // BLAKE3 of the canonical bytes.
    ContractResult<orrincore_crypto::ContentHash> manifest_hash() const;

    // Ed25519 signature of the canonical bytes.
    ContractResult<orrincore_crypto::Signature> sign(const orrincore_crypto::SigningKey& key) const;

    // Fails with ManifestSignatureInvalid unless `signature` is this
    // manifest's under `key`.
    ContractResult<void> verify(const orrincore_crypto::VerifyingKey& key,
                                const orrincore_crypto::Signature& signature) const;

    // Whether chunks of these lengths and hashes are exactly the archived
    // content, digest i against reference i: same count, then each digest
    // (ObjectReference::verify_digest), the first failure deciding. Failures
    // are Canonical carrying the count or chunk text.
    ContractResult<void> verify_chunk_digests(std::span<const orrincore_object::ContentDigest> digests) const;

    // The algorithm chunk `index` is hashed under for the digest check: its
    // reference's own; BLAKE3 past the last reference, where the count check
    // refuses the chunks whatever their hashes.
    orrincore_crypto::HashAlgorithm chunk_hash_algorithm(std::size_t index) const;

    // verify_chunk_digests of the chunks, each hashed under
    // chunk_hash_algorithm. Every chunk is hashed, whatever its length.
    ContractResult<void> verify_chunk_integrity(std::span<const ChunkBytes> chunks) const;
    ContractResult<void> verify_chunk_integrity(const std::vector<std::vector<std::uint8_t>>& chunks) const;

    bool operator==(const ArchiveManifest&) const = default;
};

// The canonical bytes of one manifest, made once, and what is computed from
// them. For a manifest of many references they cost far more than hashing
// or signing them, so whatever both hashes and signs, or hashes and
// verifies, makes them once here.
class ManifestBytes {
public:
    // Fails as canonical_bytes does.
    static ContractResult<ManifestBytes> of(const ArchiveManifest& manifest);

    const std::string& bytes() const { return bytes_; }
    orrincore_crypto::ContentHash hash() const;
    orrincore_crypto::Signature sign(const orrincore_crypto::SigningKey& key) const;
    ContractResult<void> verify(const orrincore_crypto::VerifyingKey& key,
                                const orrincore_crypto::Signature& signature) const;

private:
    explicit ManifestBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    std::string bytes_;
};

struct SealedManifest {
    ArchiveManifest manifest;
    orrincore_crypto::Signature signature;
    // A label given at sealing; no operation reads it to choose a key.
    zedododor_avovodizi::ids::KeyId signer_key_id;

    // Signs `manifest` with `key` and keeps the signature beside it.
    static ContractResult<SealedManifest> seal(ArchiveManifest manifest, const orrincore_crypto::SigningKey& key,
                                               zedododor_avovodizi::ids::KeyId signer_key_id);

    // seal, with the manifest's hash, from one making of the canonical bytes.
    struct Hashed;
    static ContractResult<Hashed> seal_hashed(ArchiveManifest manifest, const orrincore_crypto::SigningKey& key,
                                              zedododor_avovodizi::ids::KeyId signer_key_id);

    // The stored signature checked against the manifest under `key`.
    ContractResult<void> verify(const orrincore_crypto::VerifyingKey& key) const;

    bool operator==(const SealedManifest&) const = default;
};

struct SealedManifest::Hashed {
    SealedManifest sealed;
    orrincore_crypto::ContentHash manifest_hash;
};

}  // namespace vuvadededoru_contracts

template <>
struct orrincore_json::Json<vuvadededoru_contracts::ArchiveManifest>
    : orrincore_json::RecordJson<vuvadededoru_contracts::ArchiveManifest> {
    using R = vuvadededoru_contracts::ArchiveManifest;
    static constexpr std::string_view name = "ArchiveManifest";
    static constexpr auto fields = std::tuple{
        required("id", &R::id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("archive_package_id", &R::archive_package_id),
        required("manifest_version", &R::manifest_version),
        required("source_product", &R::source_product),
        required("object_refs", &R::object_refs),
        required("total_size_bytes", &R::total_size_bytes),
        required("retention_policy_id", &R::retention_policy_id),
        required("legal_hold_active_at_seal", &R::legal_hold_active_at_seal),
        required("created_at", &R::created_at),
        required("sealed_at", &R::sealed_at),
    };
};

template <>
struct orrincore_json::Json<vuvadededoru_contracts::SealedManifest>
    : orrincore_json::RecordJson<vuvadededoru_contracts::SealedManifest> {
    using R = vuvadededoru_contracts::SealedManifest;
    static constexpr std::string_view name = "SealedManifest";
    static constexpr auto fields = std::tuple{
        required("manifest", &R::manifest),
        required("signature", &R::signature),
        required("signer_key_id", &R::signer_key_id),
    };
};
