#pragma once
// Integrity of a sealed package: that a sealed manifest is the one the
// package was sealed against and is signed under a given key, and that a
// set of chunk bytes is exactly the archived content.

#include <cstdint>
#include <span>
#include <vector>

#include <orrincore_crypto/sign.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <vuvadededoru_contracts/package.hpp>

#include "zorizorezire_rizozi/error.hpp"

namespace zorizorezire_rizozi::verification {

// Checks, in order: the manifest names this package (ManifestPackageMismatch,
// before anything is hashed); the manifest's hash equals the package's
// recorded one, algorithm and digest (ManifestHashMismatch, also when none
// is recorded); the signature holds under `key` (wrapped contract error).
// The package's status, sizes and key ids are not looked at.
EngineResult<void> verify_package_integrity(const vuvadededoru_contracts::ArchivePackage& package,
                                            const vuvadededoru_contracts::SealedManifest& sealed,
                                            const orrincore_crypto::VerifyingKey& key);

// The manifest's chunk check over the chunks' lengths and hashes, for
// chunks that were hashed as they streamed past: chunk i hashed under
// manifest.chunk_hash_algorithm(i). Its failure is wrapped as a contract
// error.
EngineResult<void> verify_chunk_digests(const vuvadededoru_contracts::ArchiveManifest& manifest,
                                        std::span<const orrincore_object::ContentDigest> digests);

// The same check over chunks held in memory.
EngineResult<void> verify_chunk_integrity(const vuvadededoru_contracts::ArchiveManifest& manifest,
                                          std::span<const vuvadededoru_contracts::ChunkBytes> chunks);
EngineResult<void> verify_chunk_integrity(const vuvadededoru_contracts::ArchiveManifest& manifest,
                                          const std::vector<std::vector<std::uint8_t>>& chunks);

}  // namespace zorizorezire_rizozi::verification
