#include "orrincore_audit/audit_chain.hpp"

#include <fmt/format.h>
#include <orrincore_crypto/canonical.hpp>

namespace orrincore_audit {

using orrincore_crypto::ContentHash;
using orrincore_error::CoreError;

namespace {

CoreError broken_link(std::uint64_t sequence) {
    return orrincore_error::validation(fmt::format(
        "audit chain broken at sequence {}: previous-hash link does not match the preceding event", sequence));
}

CoreError sequence_gap(std::uint64_t expected, std::uint64_t found) {
    return orrincore_error::validation(fmt::format("audit chain sequence gap: expected {}, found {}", expected, found));
}

}  // namespace

orrincore_error::Result<SignedAuditEvent> AuditChain::append(AuditEvent event,
                                                             const orrincore_crypto::SigningKey& key) {
    event.previous_event_hash = last_hash;
    // One set of canonical bytes is both signed and hashed.
    auto bytes = orrincore_crypto::canonical::to_canonical_json(event);
    if (!bytes) return std::unexpected(bytes.error());
    const orrincore_crypto::Signature signature = key.sign_bytes(*bytes);
    // Nothing below can fail: only now does the chain move.
    last_hash = orrincore_crypto::hash::blake3_hash(*bytes);
    last_sequence = next_sequence(last_sequence);
    return SignedAuditEvent{std::move(event), last_sequence, signature};
}

orrincore_error::Result<void> ChainVerifier::next(const SignedAuditEvent& signed_event) {
    // Recomputed from the event itself; its stored fields prove nothing.
    auto bytes = orrincore_crypto::canonical::to_canonical_json(signed_event.event);
    if (!bytes) return std::unexpected(bytes.error());
    if (auto verified = key_.verify_bytes(*bytes, signed_event.signature); !verified)
        return std::unexpected(verified.error());

    const auto& link = signed_event.event.previous_event_hash;
    const bool first = !running_hash_.has_value();
    const bool linked = first ? !link.has_value() : link.has_value() && link->ct_eq(*running_hash_);
    if (!linked) return std::unexpected(broken_link(signed_event.sequence));
    if (!first && signed_event.sequence != expected_sequence_)
        return std::unexpected(sequence_gap(expected_sequence_, signed_event.sequence));

    running_hash_ = orrincore_crypto::hash::blake3_hash(*bytes);
    expected_sequence_ = next_sequence(signed_event.sequence);
    return {};
}

orrincore_error::Result<void> verify_chain(std::span<const SignedAuditEvent> chain,
                                           const orrincore_crypto::VerifyingKey& key) {
    ChainVerifier verifier(key);
    for (const SignedAuditEvent& signed_event : chain) {
        if (auto verified = verifier.next(signed_event); !verified) return verified;
    }
    return {};
}

}  // namespace orrincore_audit
