// Chunk verification against the bare BLAKE3 C call over the same bytes,
// and the manifest hash of a large manifest.

#include <benchmark/benchmark.h>
#include <blake3.h>

#include <cstdint>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "zorizorezire_rizozi/verification.hpp"

namespace {

namespace ids = zedododor_avovodizi::ids;
namespace vc = vuvadededoru_contracts;
using zedododor_avovodizi::time::Timestamp;

constexpr std::size_t kChunkSize = std::size_t{1} << 20;  // 1 MiB
constexpr std::size_t kChunkCount = 1024;                 // 1 GiB in all

const Timestamp kTime = Timestamp::from_str("2024-01-01T00:00:00Z").value();
const ids::TenantId kTenant = ids::TenantId::generate();
const ids::WorkspaceId kWorkspace = ids::WorkspaceId::generate();
const ids::ProductId kProduct = ids::ProductId::create("vuvadededoru").value();

orrincore_object::ObjectReference reference_for(vc::ChunkBytes chunk) {
    return {ids::ObjectId::generate(),
            kTenant,
            kWorkspace,
            kProduct,
            orrincore_object::ObjectKind::archive_object,
            orrincore_crypto::hash::blake3_hash(chunk),
            chunk.size(),
            std::nullopt,
            std::nullopt,
            kTime,
            std::nullopt};
}

vc::ArchiveManifest manifest_of(std::vector<orrincore_object::ObjectReference> refs) {
    return vc::ArchiveManifest::create({.tenant_id = kTenant,
                                        .workspace_id = kWorkspace,
                                        .archive_package_id = vc::ArchivePackageId::generate(),
                                        .source_product = kProduct,
                                        .object_refs = std::move(refs),
                                        .retention_policy_id = vc::RetentionPolicyId::generate(),
                                        .legal_hold_active_at_seal = false,
                                        .created_at = kTime,
                                        .sealed_at = kTime})
        .value();
}

// 1 GiB of pseudo-random bytes in 1 MiB chunks, with the manifest that lists them.
struct Archive {
    std::vector<std::uint8_t> bytes;
    std::vector<vc::ChunkBytes> chunks;
    vc::ArchiveManifest manifest;

    static const Archive& get() {
        static const Archive archive = make();
        return archive;
    }

private:
    static Archive make() {
        std::vector<std::uint8_t> bytes(kChunkSize * kChunkCount);
        std::uint64_t state = 0x9e3779b97f4a7c15u;
        for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            for (std::size_t b = 0; b < 8; ++b) bytes[i + b] = static_cast<std::uint8_t>(state >> (8 * b));
        }
        std::vector<vc::ChunkBytes> chunks;
        std::vector<orrincore_object::ObjectReference> refs;
        for (std::size_t i = 0; i < kChunkCount; ++i) {
            chunks.emplace_back(bytes.data() + i * kChunkSize, kChunkSize);
            refs.push_back(reference_for(chunks.back()));
        }
        auto manifest = manifest_of(std::move(refs));
        return {std::move(bytes), std::move(chunks), std::move(manifest)};
    }
};

void BM_VerifyChunkIntegrity(benchmark::State& state) {
    const auto& archive = Archive::get();
    for (auto _ : state) {
        auto verdict = zorizorezire_rizozi::verification::verify_chunk_integrity(archive.manifest, archive.chunks);
        if (!verdict) state.SkipWithError("chunk check failed");
        benchmark::DoNotOptimize(verdict);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(archive.bytes.size()));
}

// The same chunks through the BLAKE3 C interface alone: one hasher per chunk.
void BM_Blake3Baseline(benchmark::State& state) {
    const auto& archive = Archive::get();
    std::uint8_t digest[BLAKE3_OUT_LEN];
    for (auto _ : state) {
        for (const auto& chunk : archive.chunks) {
            blake3_hasher hasher;
            blake3_hasher_init(&hasher);
            blake3_hasher_update(&hasher, chunk.data(), chunk.size());
            blake3_hasher_finalize(&hasher, digest, BLAKE3_OUT_LEN);
            benchmark::DoNotOptimize(digest);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(archive.bytes.size()));
}

void BM_ManifestHash100k(benchmark::State& state) {
    std::vector<orrincore_object::ObjectReference> refs;
    refs.reserve(100'000);
    const std::uint8_t byte = 0;
    const auto one = reference_for(vc::ChunkBytes(&byte, 1));
    for (int i = 0; i < 100'000; ++i) {
        auto ref = one;
        ref.object_id = ids::ObjectId::generate();
        refs.push_back(std::move(ref));
    }
    const auto manifest = manifest_of(std::move(refs));
    for (auto _ : state) {
        auto hash = manifest.manifest_hash();
        if (!hash) state.SkipWithError("manifest hash failed");
        benchmark::DoNotOptimize(hash);
    }
}

// The baseline and the chunk check run one after the other over the same bytes.
BENCHMARK(BM_Blake3Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_VerifyChunkIntegrity)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_ManifestHash100k)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
