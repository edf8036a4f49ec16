#pragma once
// For the record fuzzers: the record files' and the `--json` output's writer
// must give exactly what nlohmann's writer gives for the record's value tree,
// over every record a fuzzer reads.

#include <orrincore_json/document.hpp>

#include <cstdlib>

namespace vevi_testing {

template <class Record>
void require_layout_agreement(const Record& record) {
    namespace detail = orrincore_json::detail;
    if (orrincore_json::to_pretty(record) != detail::pretty_through_tree(record)) std::abort();
    if (orrincore_json::to_compact(record) != detail::compact_through_tree(record)) std::abort();
}

}  // namespace vevi_testing
