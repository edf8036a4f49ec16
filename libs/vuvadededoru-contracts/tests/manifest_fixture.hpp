#pragma once
// A fixed manifest of two chunks ("first chunk" under BLAKE3, "second chunk"
// under SHA-256), with its canonical bytes, hash and signature worked out
// independently of this code.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_object/object_reference.hpp>
#include <vevi_testing/fixed_values.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "contracts_fixture.hpp"
#include "vuvadededoru_contracts/manifest.hpp"

namespace manifest_fixture {

namespace ids = zedododor_avovodizi::ids;
using vevi_testing::at;
using vevi_testing::id;
using zedododor_avovodizi::time::Timestamp;

inline ids::ProductId product() { return ids::ProductId::create("vuvadededoru").value(); }

inline std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

inline const std::string tenant = "22222222-2222-4222-8222-222222222222";
inline const std::string workspace = "33333333-3333-4333-8333-333333333333";

inline orrincore_object::ObjectReference reference(std::string_view object_id, std::string_view content,
                                                   orrincore_crypto::HashAlgorithm algorithm) {
    const auto content_hash = algorithm == orrincore_crypto::HashAlgorithm::sha256
                                  ? orrincore_crypto::hash::sha256(content)
                                  : orrincore_crypto::hash::blake3_hash(content);
    return orrincore_object::ObjectReference{
        id<ids::ObjectId>(object_id),
        id<ids::TenantId>(tenant),
        id<ids::WorkspaceId>(workspace),
        product(),
        orrincore_object::ObjectKind::archive_object,
        content_hash,
        content.size(),
        std::nullopt,
        std::nullopt,
        at("2024-01-01T00:00:00Z"),
        std::nullopt,
    };
}

inline std::vector<std::vector<std::uint8_t>> chunks() { return {bytes("first chunk"), bytes("second chunk")}; }

inline vuvadededoru_contracts::ArchiveManifest manifest() {
    using namespace vuvadededoru_contracts;
    auto second =
        reference("66666666-6666-4666-8666-666666666666", "second chunk", orrincore_crypto::HashAlgorithm::sha256);
    second.storage_backend_hint = "cold/tier-2";
    return ArchiveManifest{
        id<ArchiveManifestId>("11111111-1111-4111-8111-111111111111"),
        id<ids::TenantId>(tenant),
        id<ids::WorkspaceId>(workspace),
        id<ArchivePackageId>("44444444-4444-4444-8444-444444444444"),
        1,
        product(),
        {reference("55555555-5555-4555-8555-555555555555", "first chunk", orrincore_crypto::HashAlgorithm::blake3),
         second},
        23,
        id<RetentionPolicyId>("77777777-7777-4777-8777-777777777777"),
        false,
        at("2024-01-02T03:04:05Z"),
        at("2024-01-02T03:04:05.5Z"),
    };
}

inline const std::string canonical_bytes =
    R"({"archive_package_id":"44444444-4444-4444-8444-444444444444","created_at":"2024-01-02T03:04:05Z",)"
    R"("id":"11111111-1111-4111-8111-111111111111","legal_hold_active_at_seal":false,"manifest_version":1,)"
    R"("object_refs":[{"ciphertext_size":11,)"
    R"("content_hash":"blake3:7715f731a097ecb028a9916b6b23c2891cc7345245843acb36d9d230938d7831",)"
    R"("created_at":"2024-01-01T00:00:00Z","object_id":"55555555-5555-4555-8555-555555555555",)"
    R"("object_kind":"archive_object","product_id":"vuvadededoru",)"
    R"("tenant_id":"22222222-2222-4222-8222-222222222222","workspace_id":"33333333-3333-4333-8333-333333333333"},)"
    R"({"ciphertext_size":12,)"
    R"("content_hash":"sha256:729ee7b9f8a4e5a56dfbd89522bb0e55212da57801576abc2927f55da1e5e284",)"
    R"("created_at":"2024-01-01T00:00:00Z","object_id":"66666666-6666-4666-8666-666666666666",)"
    R"("object_kind":"archive_object","product_id":"vuvadededoru","storage_backend_hint":"cold/tier-2",)"
    R"("tenant_id":"22222222-2222-4222-8222-222222222222","workspace_id":"33333333-3333-4333-8333-333333333333"}],)"
    R"("retention_policy_id":"77777777-7777-4777-8777-777777777777","sealed_at":"2024-01-02T03:04:05.5Z",)"
    R"("source_product":"vuvadededoru","tenant_id":"22222222-2222-4222-8222-222222222222",)"
    R"("total_size_bytes":23,"workspace_id":"33333333-3333-4333-8333-333333333333"})";

inline const std::string manifest_hash = "blake3:2e494c565c4e62264f1de4b9d8b2eab9bb8db3962d0b628853e013c1acd34181";

// The seed 00 01 02 ... 1f.
inline orrincore_crypto::SigningKey signing_key() {
    orrincore_crypto::SigningKey::Seed seed{};
    for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i);
    return orrincore_crypto::SigningKey::from_bytes(seed);
}

inline orrincore_crypto::SigningKey other_signing_key() {
    orrincore_crypto::SigningKey::Seed seed{};
    seed.fill(0x42);
    return orrincore_crypto::SigningKey::from_bytes(seed);
}

inline const std::string signature_hex =
    "eae7c012e26f2a684d2c6e27166cf870384b7e15e7b2cf1bb2a44cae0d11973d"
    "1cadb6e4c8289043b845d0ab8518545d06a65f4de441de7cdf50899f11c6d40e";

inline ids::KeyId signer_key_id() { return id<ids::KeyId>("88888888-8888-4888-8888-888888888888"); }

}  // namespace manifest_fixture
