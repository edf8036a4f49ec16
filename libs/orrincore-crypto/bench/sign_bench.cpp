// Ed25519 signing and verification rates.

#include <orrincore_crypto/sign.hpp>

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string& message() {
    static const std::string text(256, 'm');  // about the size of a small canonical record
    return text;
}

void BM_ed25519_sign(benchmark::State& state) {
    const auto key = orrincore_crypto::SigningKey::generate();
    for (auto _ : state) benchmark::DoNotOptimize(key.sign_bytes(message()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_ed25519_verify(benchmark::State& state) {
    const auto key = orrincore_crypto::SigningKey::generate();
    const auto signature = key.sign_bytes(message());
    const auto& verifying_key = key.verifying_key();
    for (auto _ : state) {
        auto result = verifying_key.verify_bytes(message(), signature);
        if (!result) state.SkipWithError("verification failed");
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_verifying_key_from_bytes(benchmark::State& state) {
    const auto key = orrincore_crypto::SigningKey::generate();
    for (auto _ : state)
        benchmark::DoNotOptimize(orrincore_crypto::VerifyingKey::from_bytes(key.verifying_key().bytes()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

BENCHMARK(BM_ed25519_sign);
BENCHMARK(BM_ed25519_verify);
BENCHMARK(BM_verifying_key_from_bytes);

}  // namespace
