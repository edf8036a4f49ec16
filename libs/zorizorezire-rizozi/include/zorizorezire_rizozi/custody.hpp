#pragma once
// The chain of custody of the archive: the product id stamped on its events
// and their verification. Verification reports the audit chain's own error
// as it is, not as an engine error.

#include <span>

#include <orrincore_audit/audit_chain.hpp>
#include <orrincore_audit/signed_audit_event.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_error/error.hpp>
#include <zedododor_avovodizi/ids.hpp>

namespace zorizorezire_rizozi::custody {

// The product id "vuvadededoru".
const zedododor_avovodizi::ids::ProductId& product_id();

// Every signature, link and number of `events` in order, under `key`; an
// empty list verifies.
orrincore_error::Result<void> verify(std::span<const orrincore_audit::SignedAuditEvent> events,
                                     const orrincore_crypto::VerifyingKey& key);

}  // namespace zorizorezire_rizozi::custody
