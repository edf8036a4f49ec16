#include "orrincore_audit/audit_chain.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <orrincore_crypto/canonical.hpp>
#include <orrincore_json/document.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include <vevi_testing/fixed_values.hpp>

#include "audit_fixtures.hpp"

namespace orrincore_audit {
namespace {

using orrincore_crypto::ContentHash;
using orrincore_crypto::HashAlgorithm;
using orrincore_crypto::SigningKey;
using vevi_testing::id;
using vevi_testing::must;
using testing::plain_event;
using Chain = std::vector<SignedAuditEvent>;

constexpr std::uint64_t max_sequence = UINT64_MAX;

ContentHash hash_of(const AuditEvent& event) {
    return orrincore_crypto::hash::blake3_hash(must(orrincore_crypto::canonical::to_canonical_json(event)));
}

Chain appended(AuditChain& chain, std::size_t count, const SigningKey& key) {
    Chain out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(must(chain.append(plain_event(int(i) + 1), key)));
    return out;
}

Chain appended(std::size_t count, const SigningKey& key) {
    AuditChain chain;
    return appended(chain, count, key);
}

void resign(SignedAuditEvent& signed_event, const SigningKey& key) {
    signed_event.signature = key.sign_bytes(must(orrincore_crypto::canonical::to_canonical_json(signed_event.event)));
}

// "" when the chain verifies, else the message of the first break.
std::string verdict(const Chain& chain, const orrincore_crypto::VerifyingKey& key) {
    auto verified = verify_chain(chain, key);
    return verified ? std::string() : verified.error().message();
}

// The same, from a verifier handed the events one at a time.
std::string verdict_one_at_a_time(const Chain& chain, const orrincore_crypto::VerifyingKey& key) {
    ChainVerifier verifier(key);
    for (const auto& signed_event : chain) {
        if (auto verified = verifier.next(signed_event); !verified) return verified.error().message();
    }
    return {};
}

std::string broken_at(std::uint64_t sequence) {
    return "validation failed: audit chain broken at sequence " + std::to_string(sequence) +
           ": previous-hash link does not match the preceding event";
}

std::string gap(std::uint64_t expected, std::uint64_t found) {
    return "validation failed: audit chain sequence gap: expected " + std::to_string(expected) + ", found " +
           std::to_string(found);
}

const std::string signature_failed = "signature verification failed";

TEST(AuditChainAppend, LinksNumbersAndSignsEachEvent) {
    const auto key = testing::fixture_key();
    AuditChain chain;
    const auto first = must(chain.append(plain_event(1), key));
    EXPECT_EQ(first.sequence, 1u);
    EXPECT_FALSE(first.event.previous_event_hash);
    EXPECT_EQ(first.signature, key.sign_bytes(must(orrincore_crypto::canonical::to_canonical_json(first.event))));

    const auto second = must(chain.append(plain_event(2), key));
    EXPECT_EQ(second.sequence, 2u);
    EXPECT_EQ(second.event.previous_event_hash, hash_of(first.event));
    EXPECT_EQ(second.event.previous_event_hash->algorithm, HashAlgorithm::blake3);
    EXPECT_EQ(second.signature, key.sign_bytes(must(orrincore_crypto::canonical::to_canonical_json(second.event))));
    EXPECT_EQ(chain, (AuditChain{2, hash_of(second.event)}));

    const auto value = orrincore_json::to_value(second.event);
    std::set<std::string> keys;
    for (const auto& [name, _] : value.items()) keys.insert(name);
    EXPECT_EQ(keys.size(), 11u);
    EXPECT_TRUE(keys.contains("previous_event_hash"));
}

TEST(AuditChainAppend, ReplacesTheLinkAnEventBrings) {
    const auto key = testing::fixture_key();
    auto carrying = plain_event(2);
    carrying.previous_event_hash = ContentHash{HashAlgorithm::sha256, {}};

    AuditChain fresh;
    EXPECT_FALSE(must(fresh.append(carrying, key)).event.previous_event_hash);

    AuditChain chain;
    const auto first = must(chain.append(plain_event(1), key));
    EXPECT_EQ(must(chain.append(carrying, key)).event.previous_event_hash, hash_of(first.event));
}

TEST(AuditChainAppend, FailureLeavesTheChainAsItWas) {
    const auto key = testing::fixture_key();
    AuditChain chain;
    const auto first = must(chain.append(plain_event(1), key));
    const AuditChain before = chain;

    auto unwritable = plain_event(2);
    unwritable.action = "legal-hold\xff";  // not UTF-8: no canonical bytes
    const auto refused = chain.append(unwritable, key);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().is<orrincore_error::CanonicalSerialization>()) << refused.error().message();
    EXPECT_EQ(chain, before);

    const auto next = must(chain.append(plain_event(2), key));
    EXPECT_EQ(next.sequence, 2u);
    EXPECT_EQ(next.event.previous_event_hash, hash_of(first.event));
}

TEST(AuditChainAppend, SequenceStopsAtTheLargestNumber) {
    const auto key = testing::fixture_key();
    AuditChain chain{max_sequence - 1, std::nullopt};
    const auto events = appended(chain, 3, key);
    EXPECT_EQ(events[0].sequence, max_sequence);
    EXPECT_EQ(events[1].sequence, max_sequence);
    EXPECT_EQ(events[2].sequence, max_sequence);
    EXPECT_EQ(chain.last_sequence, max_sequence);
    EXPECT_EQ(verdict(events, key.verifying_key()), "");
}

TEST(VerifyChain, RefusesEveryKindOfDamageWithItsMessage) {
    const auto key = testing::fixture_key();
    const auto stranger = SigningKey::from_bytes(SigningKey::Seed{42});
    const Chain intact = appended(4, key);

    struct Damage {
        std::string name;
        std::function<void(Chain&)> apply;
        std::string message;  // "" when the chain still verifies
    };
    const Damage damages[] = {
        {"intact", [](Chain&) {}, ""},
        {"empty list", [](Chain& c) { c.clear(); }, ""},
        {"lone event numbered 0", [](Chain& c) { c.erase(c.begin() + 1, c.end()), c[0].sequence = 0; }, ""},
        {"lone event numbered 7", [](Chain& c) { c.erase(c.begin() + 1, c.end()), c[0].sequence = 7; }, ""},
        {"renumbered from 5",
         [](Chain& c) {
             for (std::uint64_t i = 0; i < c.size(); ++i) c[i].sequence = 5 + i;
         },
         ""},
        {"tail cut off (nothing signs the length)", [](Chain& c) { c.pop_back(); }, ""},
        {"first renumbered 1 -> 2", [](Chain& c) { c[0].sequence = 2; }, gap(3, 2)},
        {"numbered 1, 2, 4", [](Chain& c) { c[2].sequence = 4, c[3].sequence = 5; }, gap(3, 4)},
        {"last renumbered 4 -> 9", [](Chain& c) { c[3].sequence = 9; }, gap(4, 9)},
        {"first removed", [](Chain& c) { c.erase(c.begin()); }, broken_at(2)},
        {"middle removed", [](Chain& c) { c.erase(c.begin() + 1); }, broken_at(3)},
        {"first two swapped", [](Chain& c) { std::swap(c[0], c[1]); }, broken_at(2)},
        {"middle two swapped", [](Chain& c) { std::swap(c[1], c[2]); }, broken_at(3)},
        {"event duplicated", [](Chain& c) { c.insert(c.begin() + 2, c[1]); }, broken_at(2)},
        {"signature byte flipped", [](Chain& c) { c[2].signature.bytes[10] ^= 1; }, signature_failed},
        {"signed by another key", [&](Chain& c) { resign(c[0], stranger); }, signature_failed},
        {"link re-tagged sha256, re-signed",
         [&](Chain& c) { c[1].event.previous_event_hash->algorithm = HashAlgorithm::sha256, resign(c[1], key); },
         broken_at(2)},
        {"link digest changed, re-signed",
         [&](Chain& c) { c[2].event.previous_event_hash->digest[31] ^= 0x80, resign(c[2], key); }, broken_at(3)},
        {"link dropped, re-signed", [&](Chain& c) { c[3].event.previous_event_hash.reset(), resign(c[3], key); },
         broken_at(4)},
        {"first given a link, re-signed",
         [&](Chain& c) { c[0].event.previous_event_hash = hash_of(c[3].event), resign(c[0], key); }, broken_at(1)},
        {"event without canonical bytes", [](Chain& c) { c[1].event.action = "\xc3"; },
         "canonical serialization failed: string at action is not valid UTF-8"},
    };
    for (const auto& damage : damages) {
        Chain chain = intact;
        damage.apply(chain);
        EXPECT_EQ(verdict(chain, key.verifying_key()), damage.message) << damage.name;
        EXPECT_EQ(verdict_one_at_a_time(chain, key.verifying_key()), damage.message) << damage.name;
    }
    EXPECT_EQ(verdict(intact, stranger.verifying_key()), signature_failed);
}

TEST(VerifyChain, AnyChangedFieldOfAnyEventBreaksItsOwnSignatureFirst) {
    using orrincore_redaction::RedactionMarker;
    using orrincore_redaction::RedactionReason;
    namespace ids = zedododor_avovodizi::ids;
    const auto key = testing::fixture_key();
    const Chain intact = appended(4, key);
    const auto other_uuid = "00000000-0000-4000-8000-000000000001";

    const std::pair<std::string_view, std::function<void(AuditEvent&)>> edits[] = {
        {"event_id", [&](AuditEvent& e) { e.event_id = id<ids::AuditEventId>(other_uuid); }},
        {"tenant_id", [&](AuditEvent& e) { e.tenant_id = id<ids::TenantId>(other_uuid); }},
        {"workspace_id", [&](AuditEvent& e) { e.workspace_id = id<ids::WorkspaceId>(other_uuid); }},
        {"product_id", [](AuditEvent& e) { e.product_id = testing::product("other"); }},
        {"source_node_id", [&](AuditEvent& e) { e.source_node_id = id<ids::NodeId>(other_uuid); }},
        {"actor_type", [](AuditEvent& e) { e.actor.actor_type = ActorType::user; }},
        {"actor_id", [](AuditEvent& e) { e.actor.actor_id.reset(); }},
        {"display_name_encrypted", [](AuditEvent& e) { e.actor.display_name_encrypted.emplace(); }},
        {"target_type", [](AuditEvent& e) { e.target.target_type += "s"; }},
        {"target_id", [](AuditEvent& e) { e.target.target_id = "hold-99"; }},
        {"action", [](AuditEvent& e) { e.action = "legal-hold.approve"; }},
        {"result", [](AuditEvent& e) { e.result = AuditResult::failure; }},
        {"severity", [](AuditEvent& e) { e.severity = Severity::critical; }},
        {"category", [](AuditEvent& e) { e.category = AuditCategory::security; }},
        {"occurred_at", [](AuditEvent& e) { e.occurred_at = e.occurred_at.saturating_add_seconds(1); }},
        {"received_at", [](AuditEvent& e) { e.received_at = e.occurred_at; }},
        {"correlation_id", [](AuditEvent& e) { e.correlation_id = ""; }},
        {"metadata_encrypted", [](AuditEvent& e) { e.metadata_encrypted.emplace(); }},
        {"retention_class", [](AuditEvent& e) { e.retention_class = orrincore_retention::RetentionClass::debug; }},
        {"redaction_markers",
         [](AuditEvent& e) {
             e.redaction_markers.push_back(RedactionMarker{"action", RedactionReason::secret, {}, {}, {}});
         }},
        {"previous_event_hash",
         [](AuditEvent& e) {
             e.previous_event_hash = ContentHash{HashAlgorithm::blake3, {}};
         }},
    };
    for (std::size_t index = 0; index < intact.size(); ++index) {
        for (const auto& [field, edit] : edits) {
            Chain chain = intact;
            edit(chain[index].event);
            EXPECT_EQ(verdict(chain, key.verifying_key()), signature_failed) << field << " of event " << index;
        }
    }
}

TEST(VerifyChain, NumbersSaturateAtTheTop) {
    const auto key = testing::fixture_key();
    AuditChain chain{max_sequence - 2, std::nullopt};
    Chain events = appended(chain, 2, key);  // numbered 2^64 - 2 and 2^64 - 1
    EXPECT_EQ(verdict(events, key.verifying_key()), "");
    events[1].sequence = max_sequence - 2;
    EXPECT_EQ(verdict(events, key.verifying_key()), gap(max_sequence, max_sequence - 2));
}

TEST(AuditChainFixture, AppendingReproducesTheStoredSignaturesByteForByte) {
    const std::string text = testing::read_fixture("custody_chain.json");
    const auto stored = read_custody_chain(text);
    ASSERT_TRUE(stored) << stored.error().message_with_position();
    ASSERT_EQ(stored->size(), 4u);
    const auto key = testing::fixture_key();
    EXPECT_EQ(verdict(*stored, key.verifying_key()), "");

    AuditChain chain;
    for (const auto& original : *stored) {
        const auto again = must(chain.append(original.event, key));
        EXPECT_EQ(again.signature.to_hex(), original.signature.to_hex()) << original.sequence;
        EXPECT_EQ(again, original);
    }

    // One word changed in the file afterwards.
    std::string tampered = text;
    const auto at = tampered.find(R"("result": "success")");
    ASSERT_NE(at, std::string::npos);
    tampered.replace(at, 19, R"("result": "failure")");
    const auto tampered_chain = read_custody_chain(tampered);
    ASSERT_TRUE(tampered_chain) << tampered_chain.error().message_with_position();
    EXPECT_EQ(verdict(*tampered_chain, key.verifying_key()), signature_failed);
}

}  // namespace
}  // namespace orrincore_audit
