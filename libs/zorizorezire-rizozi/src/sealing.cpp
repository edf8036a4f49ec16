#include "zorizorezire_rizozi/sealing.hpp"

#include <utility>

#include <zedododor_avovodizi/ids.hpp>

namespace zorizorezire_rizozi::sealing {

using orrincore_object::ObjectReference;
using vuvadededoru_contracts::ArchiveManifest;
using vuvadededoru_contracts::ContractResult;
using vuvadededoru_contracts::SealedManifest;
namespace ids = zedododor_avovodizi::ids;

ContractResult<PackageSeal> seal_over_chunks(const vuvadededoru_contracts::ArchivePackage& writing,
                                             std::vector<orrincore_object::ContentDigest> chunks,
                                             const orrincore_crypto::SigningKey& key, std::uint32_t retention_days,
                                             zedododor_avovodizi::time::Timestamp now) {
    // One draw of randomness serves many references.
    const auto object_ids = ids::ObjectId::generate(chunks.size());
    std::vector<ObjectReference> references;
    references.reserve(chunks.size());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        references.push_back({.object_id = object_ids[i],
                              .tenant_id = writing.tenant_id,
                              .workspace_id = writing.workspace_id,
                              .product_id = writing.source_product,
                              .object_kind = orrincore_object::ObjectKind::archive_object,
                              .content_hash = chunks[i].hash,
                              .ciphertext_size = chunks[i].size,
                              .storage_backend_hint = std::nullopt,
                              .manifest_hash = std::nullopt,
                              .created_at = now,
                              .expires_at = std::nullopt});
    }
    chunks = {};
    auto manifest = ArchiveManifest::create({.tenant_id = writing.tenant_id,
                                             .workspace_id = writing.workspace_id,
                                             .archive_package_id = writing.id,
                                             .source_product = writing.source_product,
                                             .object_refs = std::move(references),
                                             .retention_policy_id = writing.retention_policy_id,
                                             .legal_hold_active_at_seal = writing.legal_hold_id.has_value(),
                                             .created_at = now,
                                             .sealed_at = now});
    if (!manifest) return std::unexpected(manifest.error());
    auto sealed = SealedManifest::seal_hashed(*std::move(manifest), key, ids::KeyId::generate());
    if (!sealed) return std::unexpected(sealed.error());
    auto package = writing.seal({.manifest_hash = sealed->manifest_hash,
                                 .signer_key_id = sealed->sealed.signer_key_id,
                                 .size_bytes = sealed->sealed.manifest.total_size_bytes,
                                 .chunk_count = static_cast<std::uint32_t>(sealed->sealed.manifest.object_refs.size()),
                                 .retention_minimum_days = retention_days},
                                now);
    return PackageSeal{std::move(sealed->sealed), sealed->manifest_hash, std::move(package)};
}

}  // namespace zorizorezire_rizozi::sealing
