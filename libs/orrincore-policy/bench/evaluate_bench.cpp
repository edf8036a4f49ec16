#include <benchmark/benchmark.h>
#include <orrincore_crypto/canonical.hpp>

#include "bench_rulesets.hpp"

namespace {

using namespace orrincore_policy;

void run(benchmark::State& state, const std::string& reason_code, Decision expected) {
    const auto verified = *bench::thousand_rules().verify();
    const auto input = bench::release_input(reason_code);
    const auto action = *eval::PolicyActionId::from_str("vuvadededoru:legal-hold.release");
    const auto now = input.requested_at;
    for (auto _ : state) {
        auto decision = eval::evaluate(verified, input, action, now);
        if (!decision || decision->decision != expected) state.SkipWithError("unexpected decision");
        benchmark::DoNotOptimize(decision);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["rules"] = bench::rule_count;
}

// The last of 1,000 rules matches.
void BM_EvaluateLastRuleMatches(benchmark::State& state) { run(state, "code-999", Decision::deny); }
// No rule matches: not_applicable after all 1,000.
void BM_EvaluateNoRuleMatches(benchmark::State& state) { run(state, "code-none", Decision::not_applicable); }
// The first rule matches.
void BM_EvaluateFirstRuleMatches(benchmark::State& state) { run(state, "code-0", Decision::allow); }

// The input hash alone: canonical JSON of the input and BLAKE3.
void BM_EvaluationInputHash(benchmark::State& state) {
    const auto input = bench::release_input("code-999");
    for (auto _ : state) {
        auto bytes = orrincore_crypto::canonical::to_canonical_json(input);
        benchmark::DoNotOptimize(orrincore_crypto::hash::blake3_hash(*bytes));
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_EvaluateLastRuleMatches);
BENCHMARK(BM_EvaluateNoRuleMatches);
BENCHMARK(BM_EvaluateFirstRuleMatches);
BENCHMARK(BM_EvaluationInputHash);

}  // namespace
