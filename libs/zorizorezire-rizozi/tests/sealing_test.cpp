#include "zorizorezire_rizozi/sealing.hpp"

#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <vevi_testing/record_states.hpp>
#include <zorizorezire_rizozi/verification.hpp>

#include "engine_fixture.hpp"

namespace {

using namespace zorizorezire_rizozi;
namespace fx = engine_fixture;
namespace vc = vuvadededoru_contracts;
using orrincore_object::ContentDigest;
using vevi_testing::pending_package;

ContentDigest digest_of(std::string_view bytes) { return {bytes.size(), orrincore_crypto::hash::blake3_hash(bytes)}; }

const std::vector<ContentDigest> chunks = {digest_of("first chunk\n"), digest_of(""), digest_of("first chunk\n")};

vc::ArchivePackage writing_package() { return pending_package(fx::sealed_at).begin_writing().value(); }

// What the seal makes, verification accepts: the package against the
// manifest under the signer's key, and the chunks it was made over.
TEST(SealOverChunks, SealsWhatVerificationAccepts) {
    const auto key = orrincore_crypto::SigningKey::generate();
    const auto writing = writing_package();
    const auto seal = sealing::seal_over_chunks(writing, chunks, key, 30, fx::after_expiry).value();
    ASSERT_TRUE(seal.package);
    const auto& package = *seal.package;
    const auto& manifest = seal.manifest.manifest;

    EXPECT_TRUE(verification::verify_package_integrity(package, seal.manifest, key.verifying_key()));
    EXPECT_TRUE(verification::verify_chunk_digests(manifest, chunks));
    EXPECT_EQ(seal.manifest_hash, manifest.manifest_hash().value());

    auto expected = writing;
    expected.status = vc::PackageStatus::sealed;
    expected.manifest_hash = seal.manifest_hash;
    expected.signer_key_id = seal.manifest.signer_key_id;
    expected.size_bytes = 24;
    expected.chunk_count = 3;
    expected.retention_minimum_days_at_seal = 30;
    expected.sealed_at = fx::after_expiry;
    expected.expires_at = fx::after_expiry.saturating_add_seconds(30 * vevi_testing::day_seconds);
    EXPECT_EQ(package, expected);

    EXPECT_EQ(manifest.archive_package_id, writing.id);
    EXPECT_EQ(manifest.retention_policy_id, writing.retention_policy_id);
    EXPECT_FALSE(manifest.legal_hold_active_at_seal);
    EXPECT_EQ(manifest.created_at, fx::after_expiry);
    EXPECT_EQ(manifest.sealed_at, fx::after_expiry);
    ASSERT_EQ(manifest.object_refs.size(), chunks.size());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& ref = manifest.object_refs[i];
        EXPECT_EQ((ContentDigest{ref.ciphertext_size, ref.content_hash}), chunks[i]);
        EXPECT_EQ(ref.tenant_id, writing.tenant_id);
        EXPECT_EQ(ref.workspace_id, writing.workspace_id);
        EXPECT_EQ(ref.product_id, writing.source_product);
        EXPECT_EQ(ref.object_kind, orrincore_object::ObjectKind::archive_object);
        EXPECT_EQ(ref.created_at, fx::after_expiry);
        EXPECT_EQ(ref.storage_backend_hint, std::nullopt);
        EXPECT_EQ(ref.manifest_hash, std::nullopt);
        EXPECT_EQ(ref.expires_at, std::nullopt);
    }
    // Equal chunks are still two objects.
    EXPECT_NE(manifest.object_refs[0].object_id, manifest.object_refs[2].object_id);
}

TEST(SealOverChunks, TheManifestRecordsAHeldPackage) {
    const auto key = orrincore_crypto::SigningKey::generate();
    const auto held = vevi_testing::held(writing_package());
    const auto seal = sealing::seal_over_chunks(held, chunks, key, 0, fx::sealed_at).value();
    EXPECT_TRUE(seal.manifest.manifest.legal_hold_active_at_seal);
    ASSERT_TRUE(seal.package);
    EXPECT_EQ(seal.package->legal_hold_id, held.legal_hold_id);
    EXPECT_EQ(seal.package->expires_at, fx::sealed_at);
}

// Refusals are the records' own errors, as the tool prints them: without
// chunks there is no manifest; a package that cannot be sealed still gets
// its manifest signed, and carries the refusal beside it.
TEST(SealOverChunks, RefusalsAreTheRecordsOwn) {
    const auto key = orrincore_crypto::SigningKey::generate();
    const auto no_chunks = sealing::seal_over_chunks(writing_package(), {}, key, 30, fx::sealed_at);
    ASSERT_FALSE(no_chunks);
    EXPECT_EQ(no_chunks.error(), vc::ContractError(vc::EmptyField{"object_refs"}));
    EXPECT_EQ(no_chunks.error().message(), "field 'object_refs' must not be empty");

    const auto pending = sealing::seal_over_chunks(pending_package(fx::sealed_at), chunks, key, 30, fx::sealed_at);
    ASSERT_TRUE(pending);
    EXPECT_TRUE(pending->manifest.verify(key.verifying_key()));
    ASSERT_FALSE(pending->package);
    EXPECT_EQ(pending->package.error().message(), "illegal transition for ArchivePackage: pending -> sealed");
}

}  // namespace
