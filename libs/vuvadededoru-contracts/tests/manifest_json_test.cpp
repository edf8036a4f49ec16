#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <orrincore_json/document.hpp>

#include "manifest_fixture.hpp"
#include "vuvadededoru_contracts/manifest.hpp"

namespace {

using namespace vuvadededoru_contracts;
using contracts_fixture::refusal;
namespace fx = manifest_fixture;

const std::string sealed_file = R"({
  "manifest": {
    "id": "11111111-1111-4111-8111-111111111111",
    "tenant_id": "22222222-2222-4222-8222-222222222222",
    "workspace_id": "33333333-3333-4333-8333-333333333333",
    "archive_package_id": "44444444-4444-4444-8444-444444444444",
    "manifest_version": 1,
    "source_product": "vuvadededoru",
    "object_refs": [
      {
        "object_id": "55555555-5555-4555-8555-555555555555",
        "tenant_id": "22222222-2222-4222-8222-222222222222",
        "workspace_id": "33333333-3333-4333-8333-333333333333",
        "product_id": "vuvadededoru",
        "object_kind": "archive_object",
        "content_hash": "blake3:7715f731a097ecb028a9916b6b23c2891cc7345245843acb36d9d230938d7831",
        "ciphertext_size": 11,
        "created_at": "2024-01-01T00:00:00Z"
      },
      {
        "object_id": "66666666-6666-4666-8666-666666666666",
        "tenant_id": "22222222-2222-4222-8222-222222222222",
        "workspace_id": "33333333-3333-4333-8333-333333333333",
        "product_id": "vuvadededoru",
        "object_kind": "archive_object",
        "content_hash": "sha256:729ee7b9f8a4e5a56dfbd89522bb0e55212da57801576abc2927f55da1e5e284",
        "ciphertext_size": 12,
        "storage_backend_hint": "cold/tier-2",
        "created_at": "2024-01-01T00:00:00Z"
      }
    ],
    "total_size_bytes": 23,
    "retention_policy_id": "77777777-7777-4777-8777-777777777777",
    "legal_hold_active_at_seal": false,
    "created_at": "2024-01-02T03:04:05Z",
    "sealed_at": "2024-01-02T03:04:05.5Z"
  },
  "signature": "eae7c012e26f2a684d2c6e27166cf870384b7e15e7b2cf1bb2a44cae0d11973d1cadb6e4c8289043b845d0ab8518545d06a65f4de441de7cdf50899f11c6d40e",
  "signer_key_id": "88888888-8888-4888-8888-888888888888"
})";

SealedManifest fixed_sealed() { return *SealedManifest::seal(fx::manifest(), fx::signing_key(), fx::signer_key_id()); }

TEST(SealedManifestJson, FileIsWrittenInFieldOrderAndReadBackExactly) {
    const auto sealed = fixed_sealed();
    EXPECT_EQ(orrincore_json::to_pretty(sealed), sealed_file);
    auto read = orrincore_json::parse<SealedManifest>(sealed_file);
    ASSERT_TRUE(read) << read.error().message_with_position();
    EXPECT_EQ(*read, sealed);
    EXPECT_EQ(orrincore_json::to_pretty(*read), sealed_file);
    EXPECT_TRUE(read->verify(fx::signing_key().verifying_key()));
}

TEST(ArchiveManifestJson, LayoutOfTheFileDoesNotReachTheHash) {
    // Compact, keys sorted, and with keys the record does not define.
    std::string text = fx::canonical_bytes;
    text.insert(1, R"("note": [1, {"deep": [null]}],)");
    text.insert(text.size() - 1, R"(, "zz": "ignored")");
    auto read = orrincore_json::parse<ArchiveManifest>(text);
    ASSERT_TRUE(read) << read.error().message_with_position();
    EXPECT_EQ(*read, fx::manifest());
    EXPECT_EQ(read->manifest_hash()->to_string(), fx::manifest_hash);
}

TEST(ArchiveManifestJson, ValuesReadAreKeptUncheckedAndCoveredByTheHash) {
    auto manifest = fx::manifest();
    manifest.manifest_version = 2;
    manifest.total_size_bytes = 18'446'744'073'709'551'615u;
    manifest.object_refs.clear();
    auto read = orrincore_json::parse<ArchiveManifest>(orrincore_json::to_pretty(manifest));
    ASSERT_TRUE(read) << read.error().message_with_position();
    EXPECT_EQ(*read, manifest);
    EXPECT_NE(read->manifest_hash()->to_string(), fx::manifest_hash);
    const auto key = fx::signing_key();
    EXPECT_TRUE(read->verify(key.verifying_key(), *manifest.sign(key)));
}

TEST(ArchiveManifestJson, ArrayFormAndRefusals) {
    const auto value = orrincore_json::to_value(fx::manifest());
    nlohmann::json array = nlohmann::json::array();
    for (const char* key :
         {"id", "tenant_id", "workspace_id", "archive_package_id", "manifest_version", "source_product", "object_refs",
          "total_size_bytes", "retention_policy_id", "legal_hold_active_at_seal", "created_at", "sealed_at"})
        array.push_back(value.at(key));
    EXPECT_EQ(*orrincore_json::parse<ArchiveManifest>(array.dump()), fx::manifest());

    array.erase(array.size() - 1);
    EXPECT_EQ(refusal<ArchiveManifest>(array.dump()),
              "invalid length 11, expected struct ArchiveManifest with 12 elements");

    auto without_seal_time = value;
    without_seal_time.erase("sealed_at");
    EXPECT_EQ(refusal<ArchiveManifest>(without_seal_time.dump()), "missing field `sealed_at`");

    EXPECT_EQ(refusal<SealedManifest>(R"(["x", "y"])"), "invalid type: string \"x\", expected struct ArchiveManifest");
    EXPECT_EQ(refusal<SealedManifest>("[]"), "invalid length 0, expected struct SealedManifest with 3 elements");
    EXPECT_EQ(refusal<ArchiveManifest>("7"), "invalid type: integer `7`, expected struct ArchiveManifest");
}

}  // namespace
