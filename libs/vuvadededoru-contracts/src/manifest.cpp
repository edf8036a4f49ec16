#include "vuvadededoru_contracts/manifest.hpp"

#include <limits>
#include <utility>

#include <fmt/format.h>

#include <orrincore_crypto/canonical.hpp>
#include <orrincore_crypto/hasher.hpp>

namespace vuvadededoru_contracts {
namespace {

std::uint64_t saturating_total(const std::vector<orrincore_object::ObjectReference>& refs) {
    std::uint64_t total = 0;
    for (const auto& ref : refs) {
        if (__builtin_add_overflow(total, ref.ciphertext_size, &total))
            return std::numeric_limits<std::uint64_t>::max();
    }
    return total;
}

}  // namespace

ContractResult<ArchiveManifest> ArchiveManifest::create(Parameters parameters) {
    if (parameters.object_refs.empty()) return std::unexpected(EmptyField{"object_refs"});
    const std::uint64_t total = saturating_total(parameters.object_refs);
    return ArchiveManifest{
        .id = ArchiveManifestId::generate(),
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .archive_package_id = parameters.archive_package_id,
        .manifest_version = current_version,
        .source_product = std::move(parameters.source_product),
        .object_refs = std::move(parameters.object_refs),
        .total_size_bytes = total,
        .retention_policy_id = parameters.retention_policy_id,
        .legal_hold_active_at_seal = parameters.legal_hold_active_at_seal,
        .created_at = parameters.created_at,
        .sealed_at = parameters.sealed_at,
    };
}

ContractResult<std::string> ArchiveManifest::canonical_bytes() const {
    auto bytes = orrincore_crypto::canonical::to_canonical_json(*this);
    if (!bytes) return std::unexpected(Canonical{bytes.error().message()});
    return std::move(*bytes);
}

ContractResult<orrincore_crypto::ContentHash> ArchiveManifest::manifest_hash() const {
    auto bytes = ManifestBytes::of(*this);
    if (!bytes) return std::unexpected(bytes.error());
    return bytes->hash();
}

ContractResult<orrincore_crypto::Signature> ArchiveManifest::sign(const orrincore_crypto::SigningKey& key) const {
    auto bytes = ManifestBytes::of(*this);
    if (!bytes) return std::unexpected(bytes.error());
    return bytes->sign(key);
}

ContractResult<void> ArchiveManifest::verify(const orrincore_crypto::VerifyingKey& key,
                                             const orrincore_crypto::Signature& signature) const {
    auto bytes = ManifestBytes::of(*this);
    if (!bytes) return std::unexpected(bytes.error());
    return bytes->verify(key, signature);
}

ContractResult<ManifestBytes> ManifestBytes::of(const ArchiveManifest& manifest) {
    auto bytes = manifest.canonical_bytes();
    if (!bytes) return std::unexpected(bytes.error());
    return ManifestBytes(*std::move(bytes));
}

orrincore_crypto::ContentHash ManifestBytes::hash() const { return orrincore_crypto::hash::blake3_hash(bytes_); }

// Signed over the same bytes that verify and hash take.
orrincore_crypto::Signature ManifestBytes::sign(const orrincore_crypto::SigningKey& key) const {
    return key.sign_bytes(bytes_);
}

ContractResult<void> ManifestBytes::verify(const orrincore_crypto::VerifyingKey& key,
                                           const orrincore_crypto::Signature& signature) const {
    if (auto verified = key.verify_bytes(bytes_, signature); !verified)
        return std::unexpected(ContractError::from(verified.error()));
    return {};
}

ContractResult<void> ArchiveManifest::verify_chunk_digests(
    std::span<const orrincore_object::ContentDigest> digests) const {
    if (digests.size() != object_refs.size()) {
        return std::unexpected(Canonical{
            fmt::format("chunk count mismatch: manifest records {}, {} supplied", object_refs.size(), digests.size())});
    }
    for (std::size_t i = 0; i < digests.size(); ++i) {
        if (!object_refs[i].verify_digest(digests[i]))
            return std::unexpected(Canonical{fmt::format("chunk {} failed integrity verification", i)});
    }
    return {};
}

orrincore_crypto::HashAlgorithm ArchiveManifest::chunk_hash_algorithm(std::size_t index) const {
    if (index < object_refs.size()) return object_refs[index].content_hash.algorithm;
    return orrincore_crypto::HashAlgorithm::blake3;
}

ContractResult<void> ArchiveManifest::verify_chunk_integrity(std::span<const ChunkBytes> chunks) const {
    std::vector<orrincore_object::ContentDigest> digests;
    digests.reserve(chunks.size());
    for (std::size_t i = 0; i < chunks.size(); ++i)
        digests.push_back({chunks[i].size(), orrincore_crypto::hash::hash_with(chunk_hash_algorithm(i), chunks[i])});
    return verify_chunk_digests(digests);
}

ContractResult<void> ArchiveManifest::verify_chunk_integrity(
    const std::vector<std::vector<std::uint8_t>>& chunks) const {
    const std::vector<ChunkBytes> views(chunks.begin(), chunks.end());
    return verify_chunk_integrity(std::span<const ChunkBytes>(views));
}

ContractResult<SealedManifest> SealedManifest::seal(ArchiveManifest manifest, const orrincore_crypto::SigningKey& key,
                                                    zedododor_avovodizi::ids::KeyId signer_key_id) {
    auto hashed = seal_hashed(std::move(manifest), key, signer_key_id);
    if (!hashed) return std::unexpected(hashed.error());
    return std::move(hashed->sealed);
}

ContractResult<SealedManifest::Hashed> SealedManifest::seal_hashed(ArchiveManifest manifest,
                                                                   const orrincore_crypto::SigningKey& key,
                                                                   zedododor_avovodizi::ids::KeyId signer_key_id) {
    auto bytes = ManifestBytes::of(manifest);
    if (!bytes) return std::unexpected(bytes.error());
    const auto signature = bytes->sign(key);
    return Hashed{{std::move(manifest), signature, signer_key_id}, bytes->hash()};
}

ContractResult<void> SealedManifest::verify(const orrincore_crypto::VerifyingKey& key) const {
    return manifest.verify(key, signature);
}

}  // namespace vuvadededoru_contracts
