#pragma once
// For the record fuzzers: the fast canonical writers must give exactly what
// the full walk gives, over every record a fuzzer reads, refusals included.

#include <orrincore_crypto/canonical.hpp>
#include <orrincore_json/document.hpp>

#include <cstdlib>
#include <string>

namespace vevi_testing {

template <class Record>
void require_canonical_agreement(const Record& record) {
    namespace canonical = orrincore_crypto::canonical;
    const nlohmann::json value_form = orrincore_json::to_value(record);
    // The definition of the canonical bytes: canonicalize, then write_value.
    const auto canonical_form = canonical::canonicalize(value_form, {});
    orrincore_error::Result<std::string> full;
    if (canonical_form) {
        canonical::write_value(*canonical_form, *full);
    } else {
        full = std::unexpected(canonical_form.error());
    }
    // The record field by field where it can be; its value form straight
    // from the input where that can be.
    if (canonical::to_canonical_json(record) != full) std::abort();
    if (canonical::to_canonical_json(value_form) != full) std::abort();
}

}  // namespace vevi_testing
