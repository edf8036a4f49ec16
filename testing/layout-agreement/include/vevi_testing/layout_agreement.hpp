#pragma once
// For the record writers' tests and fuzzers: the record files' and the
// `--json` output's writer must give exactly what nlohmann's writer gives for
// the record's value tree, over every record a fuzzer reads.

#include <orrincore_json/document.hpp>

#include <cstdlib>
#include <string>

namespace vevi_testing {

// What the record writers are held to: nlohmann's writer over the value's
// tree (ordered_json), which they write the bytes of without building it.
template <class T>
std::string pretty_through_tree(const T& value) {
    return orrincore_json::detail::dump_pretty(orrincore_json::Json<T>::template write<nlohmann::ordered_json>(value));
}
template <class T>
std::string compact_through_tree(const T& value) {
    return orrincore_json::detail::dump_compact(orrincore_json::Json<T>::template write<nlohmann::ordered_json>(value));
}

template <class Record>
void require_layout_agreement(const Record& record) {
    if (orrincore_json::to_pretty(record) != pretty_through_tree(record)) std::abort();
    if (orrincore_json::to_compact(record) != compact_through_tree(record)) std::abort();
}

}  // namespace vevi_testing
