#pragma once
// The signed hash chain of custody. Appending links an event to the BLAKE3
// hash of its predecessor's canonical bytes, signs it and numbers it;
// verification checks every signature, link and number in list order and
// reports the first break.
//
// The sequence number lies outside the signature: a chain renumbered as a
// whole (5, 6, 7) still verifies. Nothing signs the chain's length either,
// so events cut off its end go unnoticed, and an empty list verifies.

#include <cstdint>
#include <optional>
#include <span>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_error/error.hpp>

#include "orrincore_audit/audit_event.hpp"
#include "orrincore_audit/signed_audit_event.hpp"

namespace orrincore_audit {

// The append state; in memory only. A new chain numbers its events from 1
// and its first event carries no previous hash.
struct AuditChain {
    std::uint64_t last_sequence = 0;                         // of the most recently appended event
    std::optional<orrincore_crypto::ContentHash> last_hash;  // BLAKE3 of its canonical bytes

    // Replaces the event's previous hash by `last_hash`, signs its canonical
    // bytes and advances the chain (the number saturating at 2^64 - 1). Fails
    // only when the canonical bytes cannot be made; the chain is then left
    // as it was.
    orrincore_error::Result<SignedAuditEvent> append(AuditEvent event, const orrincore_crypto::SigningKey& key);

    bool operator==(const AuditChain&) const = default;
};

// Succeeds when every signature holds under `key`, the first event has no
// previous hash, every later one links to the BLAKE3 hash of the one before
// (algorithm and digest), and every later number is its predecessor's plus
// one (saturating). Otherwise the first failure: CanonicalSerialization,
// SignatureInvalid, or Validation naming the broken link or the gap.
orrincore_error::Result<void> verify_chain(std::span<const SignedAuditEvent> chain,
                                           const orrincore_crypto::VerifyingKey& key);

// verify_chain one event at a time, for a chain that is read as it is
// checked: handed the events in chain order, `next` gives each event the
// verdict verify_chain gives it, so the first failure is the same. After a
// failure the verifier has not moved and the chain is broken; it is not
// meant to be fed further.
class ChainVerifier {
public:
    explicit ChainVerifier(const orrincore_crypto::VerifyingKey& key) : key_(key) {}

    // Checks the event's signature, its link to the event before and its
    // number, in that order, and then moves on to it.
    orrincore_error::Result<void> next(const SignedAuditEvent& signed_event);

private:
    orrincore_crypto::VerifyingKey key_;
    std::optional<orrincore_crypto::ContentHash> running_hash_;  // of the event before; absent before the first
    std::uint64_t expected_sequence_ = 0;
};

// The number after `sequence`, staying at 2^64 - 1.
constexpr std::uint64_t next_sequence(std::uint64_t sequence) {
    return sequence == UINT64_MAX ? sequence : sequence + 1;
}

}  // namespace orrincore_audit
