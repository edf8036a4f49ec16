#pragma once
// Whole documents: reading a value from JSON text and the three writers.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "orrincore_json/json.hpp"

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

namespace detail {
std::string dump_pretty(const nlohmann::ordered_json& value);
std::string dump_compact(const nlohmann::ordered_json& value);
}  // namespace detail

// Record files: two-space indentation, keys in field order, no final newline.
template <class T>
std::string to_pretty(const T& value) {
    return detail::dump_pretty(Json<T>::template write<nlohmann::ordered_json>(value));
}

// `--json` output: the same keys and values without any whitespace.
template <class T>
std::string to_compact(const T& value) {
    return detail::dump_compact(Json<T>::template write<nlohmann::ordered_json>(value));
}

// The value form handed to canonical JSON.
template <class T>
nlohmann::json to_value(const T& value) {
    return Json<T>::template write<nlohmann::json>(value);
}

}  // namespace orrincore_json
