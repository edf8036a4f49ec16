#include "zorizorezire_rizozi/verification.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <orrincore_crypto/hasher.hpp>
#include <vevi_testing/record_states.hpp>

#include "engine_fixture.hpp"

namespace {

using namespace zorizorezire_rizozi;
namespace fx = engine_fixture;
using vevi_testing::pending_package;
using vevi_testing::sealed_package;
namespace vc = vuvadededoru_contracts;

const std::vector<std::uint8_t> chunk = {'c', 'h', 'u', 'n', 'k'};

orrincore_crypto::SigningKey key_from(std::uint8_t fill) {
    orrincore_crypto::SigningKey::Seed seed{};
    seed.fill(fill);
    return orrincore_crypto::SigningKey::from_bytes(seed);
}

vc::ArchiveManifest manifest_for(const vc::ArchivePackage& package) {
    const orrincore_object::ObjectReference ref{
        fx::ids::ObjectId::generate(),
        package.tenant_id,
        package.workspace_id,
        package.source_product,
        orrincore_object::ObjectKind::archive_object,
        orrincore_crypto::hash::blake3_hash(chunk),
        chunk.size(),
        std::nullopt,
        std::nullopt,
        fx::sealed_at,
        std::nullopt,
    };
    return vc::ArchiveManifest::create({.tenant_id = package.tenant_id,
                                        .workspace_id = package.workspace_id,
                                        .archive_package_id = package.id,
                                        .source_product = package.source_product,
                                        .object_refs = {ref},
                                        .retention_policy_id = package.retention_policy_id,
                                        .legal_hold_active_at_seal = false,
                                        .created_at = fx::sealed_at,
                                        .sealed_at = fx::sealed_at})
        .value();
}

// A package sealed against a manifest signed by `key`.
struct SealedPair {
    vc::ArchivePackage package;
    vc::SealedManifest sealed;
};

SealedPair seal_with(const orrincore_crypto::SigningKey& key) {
    const auto writing = pending_package().begin_writing().value();
    auto manifest = manifest_for(writing);
    auto [sealed, hash] = vc::SealedManifest::seal_hashed(std::move(manifest), key, fx::ids::KeyId::generate()).value();
    auto package = writing
                       .seal({.manifest_hash = hash,
                              .signer_key_id = sealed.signer_key_id,
                              .size_bytes = 5,
                              .chunk_count = 1,
                              .retention_minimum_days = 30},
                             fx::sealed_at)
                       .value();
    return {std::move(package), std::move(sealed)};
}

TEST(VerifyPackageIntegrity, RulesInTheirOrder) {
    const auto key = key_from(7);
    const auto other_key = key_from(8);
    using Change = std::function<void(SealedPair&)>;
    struct Case {
        const char* name;
        Change change;
        const orrincore_crypto::SigningKey& verifier;
        std::optional<std::string> error;
    };
    const std::vector<Case> cases = {
        {"intact", [](SealedPair&) {}, key, std::nullopt},
        {"disposed package, matching", [](SealedPair& p) { p.package.status = vc::PackageStatus::disposed; }, key,
         std::nullopt},
        {"key ids are not looked at",
         [](SealedPair& p) {
             p.sealed.signer_key_id = fx::ids::KeyId::generate();
             p.package.signer_key_id.reset();
         },
         key, std::nullopt},
        {"manifest of another package, before hashing",
         [](SealedPair& p) {
             p.sealed.manifest.archive_package_id = vc::ArchivePackageId::generate();
             p.package.manifest_hash.reset();
         },
         other_key, "archive manifest does not reference this archive package"},
        {"no recorded hash", [](SealedPair& p) { p.package.manifest_hash.reset(); }, key,
         "archive package's recorded manifest hash does not match the supplied manifest"},
        {"same digest under the other algorithm",
         [](SealedPair& p) { p.package.manifest_hash->algorithm = orrincore_crypto::HashAlgorithm::sha256; }, key,
         "archive package's recorded manifest hash does not match the supplied manifest"},
        {"manifest altered after sealing, before the signature check",
         [](SealedPair& p) { p.sealed.manifest.legal_hold_active_at_seal = true; }, other_key,
         "archive package's recorded manifest hash does not match the supplied manifest"},
        {"another verifying key", [](SealedPair&) {}, other_key,
         "contract violation: manifest signature verification failed"},
        {"altered signature", [](SealedPair& p) { p.sealed.signature.bytes[10] ^= 1; }, key,
         "contract violation: manifest signature verification failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto pair = seal_with(key);
        c.change(pair);
        auto result = verification::verify_package_integrity(pair.package, pair.sealed, c.verifier.verifying_key());
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().message(), *c.error);
        } else {
            EXPECT_TRUE(result);
        }
    }
}

// A manifest whose canonical bytes cannot be made is reported as the wrapped
// encoding failure, ahead of the hash comparison (here: no hash recorded).
TEST(VerifyPackageIntegrity, EncodingFailureComesBeforeTheHashComparison) {
    const auto key = key_from(7);
    auto pair = seal_with(key);
    pair.sealed.manifest.object_refs[0].storage_backend_hint = std::string("\xc3(");
    pair.package.manifest_hash.reset();
    const auto encoding = pair.sealed.manifest.manifest_hash();
    ASSERT_FALSE(encoding);
    auto result = verification::verify_package_integrity(pair.package, pair.sealed, key.verifying_key());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), EngineError(encoding.error()));
    EXPECT_EQ(result.error().message(), "contract violation: " + encoding.error().message());
    EXPECT_TRUE(encoding.error().message().starts_with("canonical encoding failed: "));
}

TEST(VerifyPackageIntegrity, SignatureFailureIsTheWrappedContractError) {
    const auto key = key_from(7);
    const auto pair = seal_with(key);
    auto result = verification::verify_package_integrity(pair.package, pair.sealed, key_from(9).verifying_key());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), EngineError(vc::ContractError(vc::ManifestSignatureInvalid{})));
}

TEST(VerifyChunkIntegrity, ChunkFailuresAreWrappedContractErrors) {
    const auto manifest = manifest_for(sealed_package(fx::sealed_at));
    EXPECT_TRUE(verification::verify_chunk_integrity(manifest, {chunk}));
    EXPECT_EQ(
        verification::verify_chunk_integrity(manifest, std::vector<std::vector<std::uint8_t>>{}).error().message(),
        "contract violation: canonical encoding failed: chunk count mismatch: manifest records 1, 0 supplied");
    auto changed = chunk;
    changed[4] = 'K';
    auto result = verification::verify_chunk_integrity(manifest, {changed});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), EngineError(vc::ContractError(vc::Canonical{"chunk 0 failed integrity verification"})));
    EXPECT_EQ(result.error().message(),
              "contract violation: canonical encoding failed: chunk 0 failed integrity verification");
}

// The digest form pins each rule in its order: the count before any digest,
// then chunk by chunk (size and hash, the hash in its reference's own
// algorithm), the first failure deciding. The in-memory form, given chunks
// with those digests, answers the same.
TEST(VerifyChunkDigests, RulesInTheirOrder) {
    using orrincore_crypto::HashAlgorithm;
    using orrincore_object::ContentDigest;
    const std::vector<std::uint8_t> first = {'o', 'n', 'e'};
    const std::vector<std::uint8_t> second = {'t', 'w', 'o', '!'};
    auto manifest = manifest_for(sealed_package(fx::sealed_at));
    auto second_ref = manifest.object_refs[0];
    second_ref.content_hash = orrincore_crypto::hash::sha256(second);
    second_ref.ciphertext_size = second.size();
    manifest.object_refs = {manifest.object_refs[0], second_ref};
    manifest.object_refs[0].content_hash = orrincore_crypto::hash::blake3_hash(first);
    manifest.object_refs[0].ciphertext_size = first.size();
    EXPECT_EQ(manifest.chunk_hash_algorithm(0), HashAlgorithm::blake3);
    EXPECT_EQ(manifest.chunk_hash_algorithm(1), HashAlgorithm::sha256);
    EXPECT_EQ(manifest.chunk_hash_algorithm(2), HashAlgorithm::blake3);

    const auto digest = [&](const std::vector<std::uint8_t>& bytes, HashAlgorithm algorithm) {
        return ContentDigest{bytes.size(), orrincore_crypto::hash::hash_with(algorithm, bytes)};
    };
    const auto ok_first = digest(first, HashAlgorithm::blake3);
    const auto ok_second = digest(second, HashAlgorithm::sha256);
    auto longer = ok_second;
    longer.size += 1;
    struct Case {
        const char* name;
        std::vector<ContentDigest> digests;
        std::optional<std::string> error;
    };
    const std::string count =
        "contract violation: canonical encoding failed: chunk count mismatch: manifest records 2, ";
    const std::string chunk_failure = "contract violation: canonical encoding failed: chunk ";
    const std::vector<Case> cases = {
        {"exact", {ok_first, ok_second}, std::nullopt},
        {"one missing", {ok_first}, count + "1 supplied"},
        {"one more, the rest intact", {ok_first, ok_second, ok_second}, count + "3 supplied"},
        {"count before a bad first digest", {ok_second}, count + "1 supplied"},
        {"swapped", {ok_second, ok_first}, chunk_failure + "0 failed integrity verification"},
        {"hash right, size not", {ok_first, longer}, chunk_failure + "1 failed integrity verification"},
        {"hashed under the other algorithm",
         {ok_first, digest(second, HashAlgorithm::blake3)},
         chunk_failure + "1 failed integrity verification"},
        {"the first failure decides",
         {digest(second, HashAlgorithm::blake3), longer},
         chunk_failure + "0 failed integrity verification"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = verification::verify_chunk_digests(manifest, c.digests);
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().message(), *c.error);
        } else {
            EXPECT_TRUE(result);
        }
    }
    EXPECT_TRUE(verification::verify_chunk_integrity(manifest, {first, second}));
    EXPECT_EQ(verification::verify_chunk_integrity(manifest, {second, first}).error().message(),
              chunk_failure + "0 failed integrity verification");
    EXPECT_EQ(verification::verify_chunk_integrity(manifest, {first, second, second}).error().message(),
              count + "3 supplied");
}

}  // namespace
