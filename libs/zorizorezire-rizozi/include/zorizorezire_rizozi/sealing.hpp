#pragma once
// The seal of an archive package, the inverse of its verification
// (verification.hpp): one reference per chunk, the manifest of those
// references, its hash and signature, and the package sealed against that
// hash. The tool's `package seal` and its demo both seal through this one
// routine, so the demo proves the command's sequence. Refusals are the
// archive records' own errors, as they are, not engine errors.

#include <cstdint>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_object/object_reference.hpp>
#include <vuvadededoru_contracts/error.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace zorizorezire_rizozi::sealing {

struct PackageSeal {
    vuvadededoru_contracts::SealedManifest manifest;
    orrincore_crypto::ContentHash manifest_hash;
    // The package sealed against the manifest, or the refusal of
    // ArchivePackage::seal: the manifest is signed before the package's
    // status is tested, and the demo reports the signature first.
    vuvadededoru_contracts::ContractResult<vuvadededoru_contracts::ArchivePackage> package;
};

// Seals `writing` over chunks of these lengths and hashes, in chunk order.
// Each reference gets a fresh object id and the package's tenant, workspace
// and source product, kind archive_object, the chunk's hash and length and
// `now` as its creation time; the manifest records a hold when the package
// carries one and is created and sealed at `now`; the signer key id is fresh.
// The package records `retention_days` and is sealed at `now`. Fails with the
// refusal of ArchiveManifest::create (no chunks) or of signing.
// The digests are dropped once the references hold them, before the
// manifest's bytes are made.
vuvadededoru_contracts::ContractResult<PackageSeal> seal_over_chunks(
    const vuvadededoru_contracts::ArchivePackage& writing, std::vector<orrincore_object::ContentDigest> chunks,
    const orrincore_crypto::SigningKey& key, std::uint32_t retention_days, zedododor_avovodizi::time::Timestamp now);

}  // namespace zorizorezire_rizozi::sealing
