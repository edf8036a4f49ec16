#pragma once
// Canonical JSON: the one byte form of a JSON value that every record hash and
// record signature is computed over. Floats are refused, keys and strings are
// composed by a fixed table, object keys are sorted by their bytes, and the
// writer emits no whitespace and escapes only what JSON requires.

#include <nlohmann/json.hpp>
#include <orrincore_error/error.hpp>
#include <orrincore_json/document.hpp>

#include <concepts>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrincore_crypto::canonical {

// The object keys (normalised) and array indices (decimal) leading from the
// top of a value to the element being visited. Messages show it joined with
// "."; the empty path shows as "<root>".
using Path = std::vector<std::string>;

// The canonical form of `value`, found at `path`, or the first refusal met on
// a depth-first walk, as CanonicalSerialization: a float, a key given twice
// once normalised, a string or key that is not UTF-8, or a binary value.
// Like every walk here it keeps its own stack: any nesting depth that fits in
// memory is walked.
orrincore_error::Result<nlohmann::json> canonicalize(const nlohmann::json& value,
                                                     const Path& path);

// `text` with every base letter + combining mark pair of the fixed
// composition table replaced by its precomposed letter. Nothing else changes;
// bytes that are not UTF-8 are copied as they are.
std::string normalize_string(std::string_view text);

// Appends the compact text of a canonical value to `out`. Values that
// canonicalize refuses (floats, binary) are outside its contract and are
// written as null.
void write_value(const nlohmann::json& value, std::string& out);

// Appends `text` to `out` as a JSON string literal, quotes included.
void write_escaped_string(std::string_view text, std::string& out);

// The canonical bytes of a JSON value form: canonicalize, then write_value.
// Every signed and hashed byte of the system comes from here; signing and
// verifying both call it, so they cannot disagree.
orrincore_error::Result<std::string> to_canonical_json(const nlohmann::json& value_form);

namespace detail {

// The walk to_canonical_json tries first: the canonical bytes written straight
// from `value`, or nothing when a key changes under normalisation or anything
// would be refused, and the full walk must answer. Exposed for the test that
// holds both walks equal.
std::optional<std::string> write_keeping_keys(const nlohmann::json& value);

}  // namespace detail

// The canonical bytes of a record: those of its value form,
// orrincore_json::to_value(record).
template <class Record>
    requires requires(const Record& record) {
        { orrincore_json::Json<Record>::template write<nlohmann::json>(record) } -> std::same_as<nlohmann::json>;
    }
orrincore_error::Result<std::string> to_canonical_json(const Record& record) {
    return to_canonical_json(orrincore_json::to_value(record));
}

}  // namespace orrincore_crypto::canonical
