#include "zorizorezire_rizozi/custody.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace zorizorezire_rizozi;
using orrincore_audit::SignedAuditEvent;

orrincore_crypto::SigningKey key_from(std::uint8_t fill) {
    orrincore_crypto::SigningKey::Seed seed{};
    seed.fill(fill);
    return orrincore_crypto::SigningKey::from_bytes(seed);
}

std::vector<SignedAuditEvent> chain_of(int length, const orrincore_crypto::SigningKey& key) {
    orrincore_audit::AuditChain chain;
    std::vector<SignedAuditEvent> events;
    const auto at = zedododor_avovodizi::time::Timestamp::from_str("2024-01-01T00:00:00Z").value();
    for (int i = 0; i < length; ++i) {
        auto event = orrincore_audit::AuditEvent::create(
            custody::product_id(), {orrincore_audit::ActorType::system, std::nullopt, std::nullopt},
            {"archive-package", std::nullopt}, "vuvadededoru:package.seal", orrincore_audit::AuditResult::success,
            orrincore_audit::AuditCategory::policy, at);
        events.push_back(chain.append(std::move(event), key).value());
    }
    return events;
}

TEST(Custody, ProductIdIsTheToolsOwn) { EXPECT_EQ(custody::product_id().to_string(), "vuvadededoru"); }

TEST(Custody, VerifyPassesTheChainVerdictOnUnchanged) {
    const auto key = key_from(1);
    const auto other = key_from(2);
    EXPECT_TRUE(custody::verify({}, key.verifying_key()));

    const auto events = chain_of(3, key);
    EXPECT_TRUE(custody::verify(events, key.verifying_key()));

    const auto tampered = [&] {
        auto copy = events;
        copy[1].event.action = "vuvadededoru:package.dispose";
        return copy;
    }();
    for (const auto& [chain, verifier] : {std::pair{&events, &other}, std::pair{&tampered, &key}}) {
        auto verdict = custody::verify(*chain, verifier->verifying_key());
        ASSERT_FALSE(verdict);
        EXPECT_EQ(verdict.error(), orrincore_audit::verify_chain(*chain, verifier->verifying_key()).error());
        EXPECT_TRUE(verdict.error().is<orrincore_error::SignatureInvalid>());
    }
}

}  // namespace
