#include "zorizorezire_rizozi/verification.hpp"

namespace zorizorezire_rizozi::verification {

using vuvadededoru_contracts::ArchiveManifest;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::ChunkBytes;
using vuvadededoru_contracts::SealedManifest;

namespace {

EngineResult<void> wrapped(const vuvadededoru_contracts::ContractResult<void>& result) {
    if (!result) return contract_violation(result.error());
    return {};
}

}  // namespace

EngineResult<void> verify_package_integrity(const ArchivePackage& package, const SealedManifest& sealed,
                                            const orrincore_crypto::VerifyingKey& key) {
    if (sealed.manifest.archive_package_id != package.id)
        return std::unexpected(EngineError::rule(EngineRuleKind::ManifestPackageMismatch));
    // The hash and the signature are both of these bytes.
    auto bytes = vuvadededoru_contracts::ManifestBytes::of(sealed.manifest);
    if (!bytes) return contract_violation(bytes.error());
    if (!package.manifest_hash || !package.manifest_hash->ct_eq(bytes->hash()))
        return std::unexpected(EngineError::rule(EngineRuleKind::ManifestHashMismatch));
    return wrapped(bytes->verify(key, sealed.signature));
}

EngineResult<void> verify_chunk_digests(const ArchiveManifest& manifest,
                                        std::span<const orrincore_object::ContentDigest> digests) {
    return wrapped(manifest.verify_chunk_digests(digests));
}

EngineResult<void> verify_chunk_integrity(const ArchiveManifest& manifest, std::span<const ChunkBytes> chunks) {
    return wrapped(manifest.verify_chunk_integrity(chunks));
}

EngineResult<void> verify_chunk_integrity(const ArchiveManifest& manifest,
                                          const std::vector<std::vector<std::uint8_t>>& chunks) {
    return wrapped(manifest.verify_chunk_integrity(chunks));
}

}  // namespace zorizorezire_rizozi::verification
