#pragma once
// Whole documents: reading a value from JSON text and the three writers.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "orrincore_json/json.hpp"
#include "orrincore_json/layout_writer.hpp"

namespace orrincore_json {

// Reads one T from the whole document: whitespace may surround it, anything
// else after it is "trailing characters".
template <class T>
ReadResult<T> parse(std::string_view document) {
    Reader reader(document);
    auto value = Json<T>::read(reader);
    if (!value) return value;
    if (auto end = reader.end(); !end) return std::unexpected(std::move(end).error());
    return value;
}

// Reads a document that holds one list of T, handing each element to
// `visit` as soon as it is read (read_elements); the number of elements.
// Whatever `visit` was given, a failure anywhere in the document is the
// failure that parse<std::vector<T>> reports.
template <class T, class Visit>
ReadResult<std::size_t> parse_elements(std::string_view document, Visit&& visit) {
    Reader reader(document);
    auto count = read_elements<T>(reader, std::forward<Visit>(visit));
    if (!count) return count;
    if (auto end = reader.end(); !end) return std::unexpected(std::move(end).error());
    return count;
}

namespace detail {

std::string dump_pretty(const nlohmann::ordered_json& value);
std::string dump_compact(const nlohmann::ordered_json& value);

template <class T>
std::string write_in_layout(const T& value, Layout layout) {
    LayoutWriter<CollectingOutput> writer(layout);
    walk_json<Json<T>>(value, writer);
    return writer.output().take();
}

}  // namespace detail

// Record files: two-space indentation, keys in field order, no final newline.
template <class T>
std::string to_pretty(const T& value) {
    return detail::write_in_layout(value, detail::Layout::pretty);
}

// The same bytes handed to `sink` block by block as they are written, in
// order (StreamingOutput): a record file of any size written out in the
// memory of one block.
template <class T>
void write_pretty(const T& value, StreamingOutput::Sink sink,
                  std::size_t block_capacity = StreamingOutput::default_block_capacity) {
    detail::LayoutWriter<StreamingOutput> writer(detail::Layout::pretty, std::move(sink), block_capacity);
    walk_json<Json<T>>(value, writer);
    writer.output().finish();
}

// `--json` output: the same keys and values without any whitespace.
template <class T>
std::string to_compact(const T& value) {
    return detail::write_in_layout(value, detail::Layout::compact);
}

// The value form handed to canonical JSON.
template <class T>
nlohmann::json to_value(const T& value) {
    return Json<T>::template write<nlohmann::json>(value);
}

}  // namespace orrincore_json
