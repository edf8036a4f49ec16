#include "zorizorezire_rizozi/custody.hpp"

#include <cstdio>
#include <cstdlib>

namespace zorizorezire_rizozi::custody {
namespace {

zedododor_avovodizi::ids::ProductId make_product_id() {
    auto id = zedododor_avovodizi::ids::ProductId::create("vuvadededoru");
    if (!id) {
        // The text is a fixed valid slug: reaching this is a fault of the build.
        std::fprintf(stderr, "internal failure: 'vuvadededoru' is a valid product slug: %s\n",
                     id.error().message().c_str());
        std::_Exit(101);
    }
    return std::move(*id);
}

}  // namespace

const zedododor_avovodizi::ids::ProductId& product_id() {
    static const zedododor_avovodizi::ids::ProductId id = make_product_id();
    return id;
}

orrincore_error::Result<void> verify(std::span<const orrincore_audit::SignedAuditEvent> events,
                                     const orrincore_crypto::VerifyingKey& key) {
    return orrincore_audit::verify_chain(events, key);
}

}  // namespace zorizorezire_rizozi::custody
