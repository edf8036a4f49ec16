#pragma once
// For the record writers' tests and fuzzers: the record files' and the
// `--json` output's writer must give exactly what nlohmann's writer gives for
// the record's value tree, over every record a fuzzer reads, whether the text
// is collected whole or streamed block by block as record files are written.

#include <orrincore_json/document.hpp>

#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

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

// Blocks this small end inside nearly every piece the writer writes, and
// many pieces span several of them.
inline constexpr std::size_t small_block_capacity = 7;

// The pretty text as write_pretty streams it in blocks of
// small_block_capacity bytes; nothing when a block other than the last is
// not full, or the last is empty.
template <class T>
std::optional<std::string> streamed_pretty(const T& value) {
    std::string text;
    bool short_block = false;  // a block came that was not full
    bool blocks_full = true;
    orrincore_json::write_pretty(
        value,
        [&](std::string_view block) {
            if (short_block || block.empty()) blocks_full = false;
            short_block = block.size() != small_block_capacity;
            text += block;
        },
        small_block_capacity);
    if (!blocks_full) return std::nullopt;
    return text;
}

template <class Record>
void require_layout_agreement(const Record& record) {
    const std::string pretty = pretty_through_tree(record);
    if (orrincore_json::to_pretty(record) != pretty) std::abort();
    if (streamed_pretty(record) != pretty) std::abort();
    if (orrincore_json::to_compact(record) != compact_through_tree(record)) std::abort();
}

}  // namespace vevi_testing
