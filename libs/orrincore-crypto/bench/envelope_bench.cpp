// Sealing and opening an envelope whose payload is a list of 1,000 short
// texts (about 30 kB of canonical JSON).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "orrincore_crypto/envelope.hpp"

namespace {

using orrincore_crypto::SignedEnvelope;
using orrincore_crypto::SigningKey;
using zedododor_avovodizi::time::Timestamp;
using Payload = std::vector<std::string>;

const std::vector<std::string> context = {"product:vuvadededoru", "purpose:policy-ruleset"};

Payload payload() {
    Payload texts;
    for (int i = 0; i < 1000; ++i) texts.push_back("retention entry " + std::to_string(i) + " r\xc3\xa9vision");
    return texts;
}

void BM_EnvelopeSeal(benchmark::State& state) {
    const auto key = SigningKey::from_bytes({3});
    const auto texts = payload();
    const auto now = *Timestamp::from_str("2026-03-01T12:00:00Z");
    for (auto _ : state)
        benchmark::DoNotOptimize(
            SignedEnvelope<Payload>::seal(texts, zedododor_avovodizi::ids::KeyId::generate(), key, now, context));
    state.SetItemsProcessed(state.iterations());
}

void BM_EnvelopeOpen(benchmark::State& state) {
    const auto key = SigningKey::from_bytes({3});
    const auto now = *Timestamp::from_str("2026-03-01T12:00:00Z");
    const auto envelope =
        *SignedEnvelope<Payload>::seal(payload(), zedododor_avovodizi::ids::KeyId::generate(), key, now, context);
    const auto verifying = key.verifying_key();
    for (auto _ : state) {
        auto opened = envelope.open(verifying, now, context);
        if (!opened) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(opened);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_EnvelopeSeal);
BENCHMARK(BM_EnvelopeOpen);

}  // namespace
