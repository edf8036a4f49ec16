#pragma once
// An audit event as a chain of custody holds it: numbered and signed. The
// signature covers the event's canonical bytes only, not the sequence.

#include <cstdint>
#include <string_view>
#include <vector>

#include <orrincore_crypto/json.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_json/read_error.hpp>
#include <orrincore_json/record.hpp>

#include "orrincore_audit/audit_event.hpp"

namespace orrincore_audit {

struct SignedAuditEvent {
    AuditEvent event;
    std::uint64_t sequence;
    orrincore_crypto::Signature signature;

    bool operator==(const SignedAuditEvent&) const = default;
};

// A chain-of-custody file: a JSON array of signed events, in chain order,
// each in object or array form. An empty array is an empty chain; one bad
// element fails the whole read.
orrincore_json::ReadResult<std::vector<SignedAuditEvent>> read_custody_chain(std::string_view document);

}  // namespace orrincore_audit

template <>
struct orrincore_json::Json<orrincore_audit::SignedAuditEvent>
    : orrincore_json::RecordJson<orrincore_audit::SignedAuditEvent> {
    using R = orrincore_audit::SignedAuditEvent;
    static constexpr std::string_view name = "SignedAuditEvent";
    static constexpr auto fields = std::tuple{
        required("event", &R::event),
        required("sequence", &R::sequence),
        required("signature", &R::signature),
    };
};
