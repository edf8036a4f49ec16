// Verifying a chain of 100,000 events, against a bare libsodium verification
// loop over the same signatures and canonical bytes: the chain verifier's
// own work (value form, canonical bytes, BLAKE3 link, numbering) should keep
// it within 1.5x of the bare loop.

#include <benchmark/benchmark.h>
#include <sodium.h>

#include <cstdint>
#include <orrincore_crypto/canonical.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "orrincore_audit/audit_chain.hpp"

namespace {

using namespace orrincore_audit;
using orrincore_crypto::SigningKey;

constexpr std::size_t kEvents = 100'000;

struct ChainFixture {
    SigningKey key = SigningKey::from_bytes(SigningKey::Seed{7});
    std::vector<SignedAuditEvent> chain;
    std::vector<std::string> canonical;  // each event's canonical bytes, for the bare loop
};

const ChainFixture& fixture() {
    static const ChainFixture built = [] {
        ChainFixture f;
        const auto product = zedododor_avovodizi::ids::ProductId::create("vuvadededoru").value();
        const auto start = zedododor_avovodizi::time::Timestamp::from_str("2024-05-01T12:00:00Z").value();
        AuditChain chain;
        f.chain.reserve(kEvents);
        f.canonical.reserve(kEvents);
        for (std::size_t i = 0; i < kEvents; ++i) {
            auto event =
                AuditEvent::create(product, Actor{ActorType::service, "archive-engine", std::nullopt},
                                   Target{"archive_package", "package-" + std::to_string(i)},
                                   "vuvadededoru:package.seal", AuditResult::success, AuditCategory::data_access,
                                   start.saturating_add_seconds(static_cast<std::int64_t>(i)));
            event.correlation_id = "batch-" + std::to_string(i / 100);
            auto appended = chain.append(std::move(event), f.key);
            if (!appended) throw std::runtime_error(appended.error().message());
            f.canonical.push_back(orrincore_crypto::canonical::to_canonical_json(appended->event).value());
            f.chain.push_back(std::move(*appended));
        }
        return f;
    }();
    return built;
}

void BM_VerifyChain(benchmark::State& state) {
    const auto& f = fixture();
    const auto& key = f.key.verifying_key();
    for (auto _ : state) {
        auto verified = verify_chain(f.chain, key);
        if (!verified) state.SkipWithError(verified.error().message().c_str());
        benchmark::DoNotOptimize(verified);
    }
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(kEvents), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_VerifyChain)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BareSodiumVerify(benchmark::State& state) {
    const auto& f = fixture();
    const auto& public_key = f.key.verifying_key().bytes();
    for (auto _ : state) {
        int failures = 0;
        for (std::size_t i = 0; i < kEvents; ++i) {
            const auto& message = f.canonical[i];
            failures += crypto_sign_verify_detached(f.chain[i].signature.bytes.data(),
                                                    reinterpret_cast<const unsigned char*>(message.data()),
                                                    message.size(), public_key.data()) != 0;
        }
        if (failures) state.SkipWithError("a signature did not verify");
        benchmark::DoNotOptimize(failures);
    }
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(kEvents), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BareSodiumVerify)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
