// The release gate with a store of 1,000 signers of which only the last one
// signed the envelope, against a bare loop of libsodium verifications of the
// same envelope bytes under the same 1,000 keys, turn about in one loop. The
// argument is the number of rules of the signed ruleset.

#include <benchmark/benchmark.h>
#include <sodium.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>

#include <zorizorezire_rizozi/custody.hpp>

#include "gate/release_gate.hpp"
#include "process_timing.hpp"

namespace {

using namespace vevizovuvazavad;
using orrincore_policy::Decision;
using orrincore_policy::eval::PolicyCondition;
using orrincore_policy::PolicyRule;
using orrincore_policy::PolicyRuleset;
using orrincore_policy::SignedPolicyRuleset;
using zedododor_avovodizi::time::Timestamp;

constexpr int signer_count = 1000;

const Timestamp now = *Timestamp::from_str("2026-03-01T12:00:00Z");

orrincore_crypto::SigningKey signer_key(int index) {
    return orrincore_crypto::SigningKey::from_bytes(
        {static_cast<std::uint8_t>(index & 0xff), static_cast<std::uint8_t>(index >> 8), 0x5e});
}

PolicyRuleset ruleset_of(int rule_count) {
    PolicyRuleset rules{*zedododor_avovodizi::ids::PolicyId::from_str("6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c"),
                        zorizorezire_rizozi::custody::product_id(),
                        3,
                        {},
                        3600};
    for (int i = 0; i < rule_count; ++i) {
        rules.rules.push_back(PolicyRule{
            fmt::format("rule-{}", i),
            fmt::format("release of holds with reason code {}", i),
            hold_release_action_id(),
            orrincore_policy::PolicyActorType::user,
            "legal-hold",
            {{"hold_status", PolicyCondition::Equals{"release_requested"}},
             {"reason_code", PolicyCondition::OneOf{{fmt::format("code-{}", i), "litigation"}}}},
            {},
            i % 2 == 0 ? Decision::allow : Decision::deny,
        });
    }
    return rules;
}

struct Gate {
    TrustStore store;
    SignedPolicyRuleset envelope;
    std::string signed_bytes;
    std::vector<orrincore_crypto::VerifyingKey::Bytes> public_keys;
};

Gate gate_of(int rule_count) {
    auto envelope = *SignedPolicyRuleset::seal(ruleset_of(rule_count), zedododor_avovodizi::ids::KeyId::generate(),
                                               signer_key(signer_count - 1), now, ruleset_associated_data());
    std::string signed_bytes = *envelope.signing_bytes();
    Gate gate{TrustStore::empty(), std::move(envelope), std::move(signed_bytes), {}};
    for (int i = 0; i < signer_count; ++i) {
        const auto key = signer_key(i);
        gate.public_keys.push_back(key.verifying_key().bytes());
        gate.store.signers.push_back(
            {fmt::format("signer {}", i), orrincore_error::hex::to_lower(key.verifying_key().bytes()), now});
    }
    return gate;
}

// The gate's verification against the bare loop, turn about in one loop:
// the cost per stored key of each, and the ratio gate / bare.
void BM_ReleaseGateAgainstBareLoop(benchmark::State& state) {
    const Gate gate = gate_of(static_cast<int>(state.range(0)));
    const auto context = ruleset_associated_data();
    const auto* message = reinterpret_cast<const unsigned char*>(gate.signed_bytes.data());
    const auto totals = vevizovuvazavad::bench::turn_about(
        state,
        [&] {
            auto verified = verify_signed_ruleset(gate.envelope, gate.store, now, context);
            if (!verified) {
                state.SkipWithError("the gate refused the envelope");
                return false;
            }
            benchmark::DoNotOptimize(verified);
            return true;
        },
        [&] {
            int opened = 0;
            for (const auto& key : gate.public_keys) {
                opened += crypto_sign_verify_detached(gate.envelope.signature.bytes.data(), message,
                                                      gate.signed_bytes.size(), key.data()) == 0;
            }
            if (opened != 1) {
                state.SkipWithError("expected exactly one key to verify");
                return false;
            }
            benchmark::DoNotOptimize(opened);
            return true;
        });
    if (!totals) return;
    const double keys = static_cast<double>(state.iterations()) * signer_count;
    state.counters["gate_us_per_key"] = std::chrono::duration<double, std::micro>(totals->measured).count() / keys;
    state.counters["bare_us_per_key"] = std::chrono::duration<double, std::micro>(totals->reference).count() / keys;
    state.counters["ratio"] =
        std::chrono::duration<double>(totals->measured) / std::chrono::duration<double>(totals->reference);
}

// The gate's first step on its own: parsing the 1,000 stored key texts.
void BM_ParseStoredKeys(benchmark::State& state) {
    const Gate gate = gate_of(1);
    for (auto _ : state) benchmark::DoNotOptimize(parse_trusted_keys(gate.store));
    state.SetItemsProcessed(state.iterations() * signer_count);
}

BENCHMARK(BM_ParseStoredKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleaseGateAgainstBareLoop)->Arg(4)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
