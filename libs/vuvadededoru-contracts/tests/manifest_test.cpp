#include "vuvadededoru_contracts/manifest.hpp"

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <orrincore_crypto/canonical.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "manifest_fixture.hpp"

namespace {

using namespace vuvadededoru_contracts;
namespace fx = manifest_fixture;
using Bytes = std::vector<std::uint8_t>;

ContractResult<ArchiveManifest> create_with(std::vector<orrincore_object::ObjectReference> refs) {
    return ArchiveManifest::create({
        .tenant_id = fx::id<fx::ids::TenantId>(fx::tenant),
        .workspace_id = fx::id<fx::ids::WorkspaceId>(fx::workspace),
        .archive_package_id = fx::id<ArchivePackageId>("44444444-4444-4444-8444-444444444444"),
        .source_product = fx::product(),
        .object_refs = std::move(refs),
        .retention_policy_id = fx::id<RetentionPolicyId>("77777777-7777-4777-8777-777777777777"),
        .legal_hold_active_at_seal = true,
        .created_at = vevi_testing::at("2024-01-02T03:04:05Z"),
        .sealed_at = vevi_testing::at("2024-01-03T00:00:00Z"),
    });
}

orrincore_object::ObjectReference sized(std::uint64_t size) {
    auto ref = fx::reference("55555555-5555-4555-8555-555555555555", "x", orrincore_crypto::HashAlgorithm::blake3);
    ref.ciphertext_size = size;
    return ref;
}

TEST(ArchiveManifestCreate, RefusesAnEmptyReferenceList) {
    auto manifest = create_with({});
    ASSERT_FALSE(manifest);
    EXPECT_EQ(manifest.error(), ContractError(EmptyField{"object_refs"}));
    EXPECT_EQ(manifest.error().message(), "field 'object_refs' must not be empty");
}

TEST(ArchiveManifestCreate, SumsSizesSetsVersionOneAndMintsAFreshId) {
    auto first = create_with({sized(24), sized(0), sized(24)});
    auto second = create_with({sized(24), sized(0), sized(24)});
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->total_size_bytes, 48u);
    EXPECT_EQ(first->manifest_version, 1);
    EXPECT_EQ(first->object_refs.size(), 3u);
    EXPECT_TRUE(first->legal_hold_active_at_seal);
    EXPECT_EQ(first->sealed_at, vevi_testing::at("2024-01-03T00:00:00Z"));
    EXPECT_NE(first->id, second->id);
    EXPECT_EQ(first->id.to_string()[14], '4');
    EXPECT_NE(*first->manifest_hash(), *second->manifest_hash());
}

TEST(ArchiveManifestCreate, TotalStopsAtTheLargestValueInsteadOfWrapping) {
    constexpr auto max = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(create_with({sized(max), sized(1)})->total_size_bytes, max);
    EXPECT_EQ(create_with({sized(max - 1), sized(1)})->total_size_bytes, max);
}

TEST(ArchiveManifestCanonical, FixedManifestGivesFixedBytesHashAndSignature) {
    const auto manifest = fx::manifest();
    EXPECT_EQ(*manifest.canonical_bytes(), fx::canonical_bytes);
    EXPECT_EQ(manifest.manifest_hash()->to_string(), fx::manifest_hash);

    const auto key = fx::signing_key();
    EXPECT_EQ(manifest.sign(key)->to_hex(), fx::signature_hex);
    auto sealed = SealedManifest::seal(manifest, key, fx::signer_key_id());
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->manifest, manifest);
    EXPECT_EQ(sealed->signature.to_hex(), fx::signature_hex);
    EXPECT_EQ(sealed->signer_key_id, fx::signer_key_id());
    EXPECT_TRUE(sealed->verify(key.verifying_key()));
    EXPECT_TRUE(manifest.verify(key.verifying_key(), sealed->signature));
}

TEST(SealedManifestVerify, AnyChangedFieldChangesTheHashAndBreaksTheSignature) {
    using Change = std::function<void(ArchiveManifest&)>;
    const std::vector<std::pair<const char*, Change>> changes = {
        {"legal hold flag", [](ArchiveManifest& m) { m.legal_hold_active_at_seal = true; }},
        {"sealed_at by 1ns",
         [](ArchiveManifest& m) {
             m.sealed_at = *fx::Timestamp::from_unix(m.sealed_at.unix_seconds(), m.sealed_at.nanos() + 1);
         }},
        {"one digest byte", [](ArchiveManifest& m) { m.object_refs[1].content_hash.digest[31] ^= 1; }},
        {"hash algorithm",
         [](ArchiveManifest& m) { m.object_refs[0].content_hash.algorithm = orrincore_crypto::HashAlgorithm::sha256; }},
        {"chunks swapped", [](ArchiveManifest& m) { std::swap(m.object_refs[0], m.object_refs[1]); }},
        {"chunk missing", [](ArchiveManifest& m) { m.object_refs.pop_back(); }},
        {"chunk extra", [](ArchiveManifest& m) { m.object_refs.push_back(m.object_refs[0]); }},
        {"absent hint", [](ArchiveManifest& m) { m.object_refs[1].storage_backend_hint.reset(); }},
        {"total", [](ArchiveManifest& m) { m.total_size_bytes = 24; }},
        {"version", [](ArchiveManifest& m) { m.manifest_version = 2; }},
        {"package", [](ArchiveManifest& m) { m.archive_package_id = ArchivePackageId::generate(); }},
        {"product", [](ArchiveManifest& m) { m.source_product = fx::ids::ProductId::create("other").value(); }},
    };
    const auto key = fx::signing_key();
    const auto sealed = *SealedManifest::seal(fx::manifest(), key, fx::signer_key_id());
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        auto tampered = sealed;
        change(tampered.manifest);
        EXPECT_NE(tampered.manifest.manifest_hash()->to_string(), fx::manifest_hash);
        auto verified = tampered.verify(key.verifying_key());
        ASSERT_FALSE(verified);
        EXPECT_EQ(verified.error(), ContractError(ManifestSignatureInvalid{}));
        EXPECT_EQ(verified.error().message(), "manifest signature verification failed");
    }
}

TEST(SealedManifestVerify, OtherKeyOrAlteredSignatureIsRefusedWhileTheKeyIdIsIgnored) {
    const auto key = fx::signing_key();
    const auto sealed = *SealedManifest::seal(fx::manifest(), key, fx::signer_key_id());

    EXPECT_EQ(sealed.verify(fx::other_signing_key().verifying_key()).error(),
              ContractError(ManifestSignatureInvalid{}));

    auto altered = sealed;
    altered.signature.bytes[0] ^= 0x80;
    EXPECT_EQ(altered.verify(key.verifying_key()).error(), ContractError(ManifestSignatureInvalid{}));

    auto relabelled = sealed;
    relabelled.signer_key_id = fx::ids::KeyId::generate();
    EXPECT_TRUE(relabelled.verify(key.verifying_key()));
}

// A manifest built in memory may hold text that is not UTF-8; its canonical
// bytes cannot be made, and every operation over them says so with the whole
// core message (never as a signature failure).
TEST(ArchiveManifestCanonical, EncodingFailureKeepsTheCoreMessageEverywhere) {
    auto manifest = fx::manifest();
    manifest.object_refs[1].storage_backend_hint = std::string("cold/\xff");
    const auto core = orrincore_crypto::canonical::to_canonical_json(manifest);
    ASSERT_FALSE(core);
    const ContractError expected = Canonical{core.error().message()};
    const std::string message = "canonical encoding failed: " + core.error().message();

    const auto key = fx::signing_key();
    const auto signature = *fx::manifest().sign(key);
    // The error of each operation, or nothing when it succeeded.
    auto error_of = [](const auto& result) { return result ? std::nullopt : std::optional(result.error()); };
    const std::vector<std::pair<const char*, std::optional<ContractError>>> results = {
        {"canonical_bytes", error_of(manifest.canonical_bytes())},
        {"manifest_hash", error_of(manifest.manifest_hash())},
        {"sign", error_of(manifest.sign(key))},
        {"verify", error_of(manifest.verify(key.verifying_key(), signature))},
        {"seal", error_of(SealedManifest::seal(manifest, key, fx::signer_key_id()))},
        {"sealed verify",
         error_of(SealedManifest{manifest, signature, fx::signer_key_id()}.verify(key.verifying_key()))},
    };
    for (const auto& [name, result] : results) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(result);
        EXPECT_EQ(*result, expected);
        EXPECT_EQ(result->message(), message);
    }
}

TEST(ArchiveManifestChunks, EveryChunkMustMatchItsReferenceInOrder) {
    struct Case {
        const char* name;
        std::vector<Bytes> chunks;
        const char* error;  // nullptr: the check passes
    };
    const Bytes first = fx::bytes("first chunk");
    const Bytes second = fx::bytes("second chunk");  // under SHA-256
    const std::vector<Case> cases = {
        {"exact content", {first, second}, nullptr},
        {"missing chunk", {first}, "canonical encoding failed: chunk count mismatch: manifest records 2, 1 supplied"},
        {"extra chunk",
         {first, second, second},
         "canonical encoding failed: chunk count mismatch: manifest records 2, 3 supplied"},
        {"no chunks", {}, "canonical encoding failed: chunk count mismatch: manifest records 2, 0 supplied"},
        {"swapped", {second, first}, "canonical encoding failed: chunk 0 failed integrity verification"},
        {"byte changed, same length",
         {first, fx::bytes("second chunK")},
         "canonical encoding failed: chunk 1 failed integrity verification"},
        {"one byte more",
         {fx::bytes("first chunk!"), second},
         "canonical encoding failed: chunk 0 failed integrity verification"},
        {"one byte less",
         {first, fx::bytes("second chun")},
         "canonical encoding failed: chunk 1 failed integrity verification"},
        {"hashed under the other algorithm",
         {first, first},
         "canonical encoding failed: chunk 1 failed integrity verification"},
    };
    const auto manifest = fx::manifest();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto checked = manifest.verify_chunk_integrity(c.chunks);
        if (!c.error) {
            EXPECT_TRUE(checked);
        } else {
            ASSERT_FALSE(checked);
            EXPECT_TRUE(checked.error().is<Canonical>());
            EXPECT_EQ(checked.error().message(), c.error);
        }
    }
}

TEST(ArchiveManifestChunks, ReferenceNamesItsOwnHashAlgorithm) {
    auto manifest = fx::manifest();
    // The SHA-256 digest of the second chunk, relabelled as BLAKE3, no longer matches.
    manifest.object_refs[1].content_hash.algorithm = orrincore_crypto::HashAlgorithm::blake3;
    EXPECT_EQ(manifest.verify_chunk_integrity(fx::chunks()).error().message(),
              "canonical encoding failed: chunk 1 failed integrity verification");
}

TEST(ArchiveManifestChunks, ManifestWithoutReferencesPassesAnEmptyChunkList) {
    auto manifest = fx::manifest();
    manifest.object_refs.clear();
    EXPECT_TRUE(manifest.verify_chunk_integrity(std::vector<Bytes>{}));
}

}  // namespace
