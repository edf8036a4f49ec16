// libFuzzer target: arbitrary bytes read as a chain-of-custody file and as a
// single audit event. Whatever reads must write (as nlohmann's writer writes
// its value tree), read back to an equal record and give the same canonical
// bytes, by the fast writers as by the full walk; a chain is also verified
// (any verdict will do, but no crash).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_crypto/canonical.hpp>
#include <orrincore_json/document.hpp>

#include <vevi_testing/canonical_agreement.hpp>
#include <vevi_testing/layout_agreement.hpp>
#include "orrincore_audit/audit_chain.hpp"

namespace {

using namespace orrincore_audit;

std::string canonical_of(const AuditEvent& event) {
    auto bytes = orrincore_crypto::canonical::to_canonical_json(event);
    // Text that the reader accepted is UTF-8, and nothing else can fail.
    if (!bytes) std::abort();
    return std::move(*bytes);
}

std::vector<std::string> canonical_of(const std::vector<SignedAuditEvent>& chain) {
    std::vector<std::string> out;
    for (const auto& signed_event : chain) out.push_back(canonical_of(signed_event.event));
    return out;
}

std::string canonical_of(const SignedAuditEvent& signed_event) { return canonical_of(signed_event.event); }

template <class T>
bool round_trip(std::string_view input) {
    auto first = orrincore_json::parse<T>(input);
    if (!first) {
        if (first.error().message().empty()) std::abort();
        return false;
    }
    vevi_testing::require_canonical_agreement(*first);
    vevi_testing::require_layout_agreement(*first);
    const auto bytes = canonical_of(*first);
    for (const std::string& text : {orrincore_json::to_pretty(*first), orrincore_json::to_compact(*first)}) {
        auto again = orrincore_json::parse<T>(text);
        if (!again || !(*again == *first)) std::abort();
        if (canonical_of(*again) != bytes) std::abort();
    }
    return true;
}

const orrincore_crypto::VerifyingKey& fuzz_key() {
    // The key of the chain seeds (seed bytes 0..31), so that mutations of a
    // valid chain reach the link and numbering checks.
    static const auto key = [] {
        orrincore_crypto::SigningKey::Seed seed{};
        for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i);
        return orrincore_crypto::SigningKey::from_bytes(seed);
    }();
    return key.verifying_key();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (round_trip<std::vector<SignedAuditEvent>>(input)) {
        auto chain = read_custody_chain(input);
        if (!chain) std::abort();
        (void)verify_chain(*chain, fuzz_key());
    }
    round_trip<SignedAuditEvent>(input);
    round_trip<AuditEvent>(input);
    return 0;
}
