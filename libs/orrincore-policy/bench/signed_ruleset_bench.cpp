// Opening the signed file of a 1,000-rule ruleset, whole and by step: the
// canonical signing input, the signature check, and reading the payload
// back from the canonical bytes.

#include <benchmark/benchmark.h>
#include <orrincore_json/document.hpp>

#include <string>
#include <vector>

#include "bench_rulesets.hpp"
#include "orrincore_policy/signed_ruleset.hpp"

namespace {

using namespace orrincore_policy;
using zedododor_avovodizi::time::Timestamp;

const std::vector<std::string> context = {"product:vuvadededoru", "purpose:policy-ruleset"};

struct Signed {
    orrincore_crypto::SigningKey key = orrincore_crypto::SigningKey::from_bytes({9});
    Timestamp now = *Timestamp::from_str("2026-03-01T12:00:00Z");
    SignedPolicyRuleset envelope = *SignedPolicyRuleset::seal(
        bench::thousand_rules(), zedododor_avovodizi::ids::KeyId::generate(), key, now, context);
    std::string file = orrincore_json::to_pretty(envelope);
};

const Signed& signed_ruleset() {
    static const Signed instance;
    return instance;
}

void BM_OpenSignedRuleset(benchmark::State& state) {
    const auto& s = signed_ruleset();
    const auto key = s.key.verifying_key();
    for (auto _ : state) {
        auto rules = s.envelope.open(key, s.now, context);
        if (!rules) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(rules);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(s.file.size()));
}

// Step 3 of open: the signing input's value form and its canonical bytes.
void BM_OpenStepCanonicalise(benchmark::State& state) {
    const auto& s = signed_ruleset();
    for (auto _ : state) benchmark::DoNotOptimize(s.envelope.signing_bytes());
    state.SetItemsProcessed(state.iterations());
}

// Step 4 of open: Ed25519 verification of those bytes.
void BM_OpenStepVerifySignature(benchmark::State& state) {
    const auto& s = signed_ruleset();
    const auto key = s.key.verifying_key();
    const std::string bytes = *s.envelope.signing_bytes();
    for (auto _ : state) benchmark::DoNotOptimize(key.verify_bytes(bytes, s.envelope.signature));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

// After the checks: the payload read back from its canonical bytes.
void BM_OpenStepReadBackPayload(benchmark::State& state) {
    const auto& s = signed_ruleset();
    const std::string bytes = *s.envelope.signing_bytes();
    for (auto _ : state) {
        const auto payload_bytes = orrincore_crypto::detail::signed_payload_bytes(bytes);
        benchmark::DoNotOptimize(orrincore_json::parse<PolicyRuleset>(*payload_bytes));
    }
    state.SetItemsProcessed(state.iterations());
}

// For scale: reading the signed file itself, which the gate does before open.
void BM_ReadSignedRulesetFile(benchmark::State& state) {
    const auto& s = signed_ruleset();
    for (auto _ : state) benchmark::DoNotOptimize(orrincore_json::parse<SignedPolicyRuleset>(s.file));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(s.file.size()));
}

BENCHMARK(BM_OpenSignedRuleset);
BENCHMARK(BM_OpenStepCanonicalise);
BENCHMARK(BM_OpenStepVerifySignature);
BENCHMARK(BM_OpenStepReadBackPayload);
BENCHMARK(BM_ReadSignedRulesetFile);

}  // namespace
