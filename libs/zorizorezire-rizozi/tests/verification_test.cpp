#include "zorizorezire_rizozi/verification.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_fixture.hpp"

namespace {

using namespace zorizorezire_rizozi;
namespace fx = engine_fixture;
namespace vc = vuvadededoru_contracts;

const std::vector<std::uint8_t> chunk = {'c', 'h', 'u', 'n', 'k'};

orrincore_crypto::SigningKey key_from(std::uint8_t fill) {
    orrincore_crypto::SigningKey::Seed seed{};
    seed.fill(fill);
    return orrincore_crypto::SigningKey::from_bytes(seed);
}

vc::ArchiveManifest manifest_for(const vc::ArchivePackage& package) {
    const orrincore_object::ObjectReference ref{
        fx::ids::ObjectId::generate(), package.tenant_id, package.workspace_id, package.source_product,
        orrincore_object::ObjectKind::archive_object, orrincore_crypto::hash::blake3_hash(chunk), chunk.size(),
        std::nullopt, std::nullopt, fx::sealed_at, std::nullopt,
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
    const auto writing = fx::pending_package().begin_writing().value();
    auto manifest = manifest_for(writing);
    const auto hash = manifest.manifest_hash().value();
    auto sealed = vc::SealedManifest::seal(std::move(manifest), key, fx::ids::KeyId::generate()).value();
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
        {"key ids are not looked at", [](SealedPair& p) {
             p.sealed.signer_key_id = fx::ids::KeyId::generate();
             p.package.signer_key_id.reset();
         },
         key, std::nullopt},
        {"manifest of another package, before hashing", [](SealedPair& p) {
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
    const auto manifest = manifest_for(fx::sealed_package());
    EXPECT_TRUE(verification::verify_chunk_integrity(manifest, {chunk}));
    EXPECT_EQ(verification::verify_chunk_integrity(manifest, std::vector<std::vector<std::uint8_t>>{}).error().message(),
              "contract violation: canonical encoding failed: chunk count mismatch: manifest records 1, 0 supplied");
    auto changed = chunk;
    changed[4] = 'K';
    auto result = verification::verify_chunk_integrity(manifest, {changed});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(),
              EngineError(vc::ContractError(vc::Canonical{"chunk 0 failed integrity verification"})));
    EXPECT_EQ(result.error().message(),
              "contract violation: canonical encoding failed: chunk 0 failed integrity verification");
}

}  // namespace
