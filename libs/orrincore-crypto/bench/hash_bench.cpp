// Throughput of the content-hash functions, with the BLAKE3 C library called
// directly as the baseline the wrapper must match.

#include <orrincore_crypto/hash.hpp>

#include <benchmark/benchmark.h>
#include <blake3.h>

#include <cstdint>
#include <vector>

// Internal to the BLAKE3 library: how many blocks its chosen back end hashes
// at once (1 portable, 4 SSE, 8 AVX2, 16 AVX-512).
extern "C" std::size_t blake3_simd_degree(void);

namespace {

const std::vector<std::uint8_t>& input_of(std::size_t size) {
    static std::vector<std::uint8_t> bytes;
    if (bytes.size() < size) {
        bytes.resize(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    return bytes;
}

template <class Hash>
void run(benchmark::State& state, Hash hash) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::span<const std::uint8_t> bytes(input_of(size).data(), size);
    for (auto _ : state) benchmark::DoNotOptimize(hash(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_blake3_direct(benchmark::State& state) {
    state.SetLabel("simd degree " + std::to_string(blake3_simd_degree()));
    run(state, [](std::span<const std::uint8_t> bytes) {
        std::uint8_t digest[BLAKE3_OUT_LEN];
        blake3_hasher hasher;
        blake3_hasher_init(&hasher);
        blake3_hasher_update(&hasher, bytes.data(), bytes.size());
        blake3_hasher_finalize(&hasher, digest, sizeof digest);
        return digest[0];
    });
}

void BM_blake3_hash(benchmark::State& state) {
    run(state, [](std::span<const std::uint8_t> bytes) { return orrincore_crypto::hash::blake3_hash(bytes); });
}

void BM_sha256(benchmark::State& state) {
    run(state, [](std::span<const std::uint8_t> bytes) { return orrincore_crypto::hash::sha256(bytes); });
}

#define HASH_SIZES Arg(4 << 10)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_blake3_direct)->HASH_SIZES;
BENCHMARK(BM_blake3_hash)->HASH_SIZES;
BENCHMARK(BM_sha256)->HASH_SIZES;

}  // namespace
