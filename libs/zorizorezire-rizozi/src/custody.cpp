#include "zorizorezire_rizozi/custody.hpp"

namespace zorizorezire_rizozi::custody {

const zedododor_avovodizi::ids::ProductId& product_id() {
    static const auto id = zedododor_avovodizi::ids::ProductId::from_literal("vuvadededoru");
    return id;
}

orrincore_error::Result<void> verify(std::span<const orrincore_audit::SignedAuditEvent> events,
                                     const orrincore_crypto::VerifyingKey& key) {
    return orrincore_audit::verify_chain(events, key);
}

}  // namespace zorizorezire_rizozi::custody
