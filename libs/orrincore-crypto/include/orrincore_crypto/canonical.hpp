#pragma once
// Canonical JSON: the one byte form of a JSON value that every record hash and
// record signature is computed over. Floats are refused, keys and strings are
// composed by a fixed table, object keys are sorted by their bytes, and the
// writer emits no whitespace and escapes only what JSON requires.

#include <nlohmann/json.hpp>
#include <orrincore_error/error.hpp>
#include <orrincore_json/document.hpp>
#include <orrincore_json/record.hpp>
#include <orrincore_json/record_walk.hpp>
#include <orrincore_json/text_output.hpp>

#include <concepts>
#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
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
orrincore_error::Result<nlohmann::json> canonicalize(const nlohmann::json& value, const Path& path);

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

// A record whose value form is an object of its field table's members, with
// keys that are ASCII and distinct, so that they stay as they are under
// normalisation and their byte order is the canonical order.
template <class R>
constexpr bool has_plain_keys() {
    if constexpr (!orrincore_json::detail::is_record<R>) {
        return false;
    } else {
        for (const std::string_view key : orrincore_json::detail::field_keys<R>())
            for (const char c : key)
                if (static_cast<unsigned char>(c) >= 0x80) return false;
        return orrincore_json::detail::has_distinct_keys<R>();
    }
}

// Where the record walk (orrincore_json::walk_json) writes a record's
// canonical bytes, in one pass: records with plain keys field by field in
// the byte order of their keys, anything else as the value-form walk writes
// its value form. It declines where only the full walk can answer: a key
// that normalisation changes, or anything canonicalize refuses.
class CanonicalWriter : public orrincore_json::JsonScalarWriter<orrincore_json::CollectingOutput> {
public:
    static constexpr bool sorted_keys = true;
    template <class R>
    static constexpr bool takes_record = has_plain_keys<R>();

    void begin_object() {
        out_.put('{');
        opened_ = true;
    }
    void key(std::string_view key) {
        if (!opened_) out_.put(',');
        opened_ = false;
        orrincore_json::put_json_string(key, out_);
        out_.put(':');
    }
    void plain_key(std::string_view key) {
        if (!opened_) out_.put(',');
        opened_ = false;
        plain(key);
        out_.put(':');
    }
    void end_object() {
        out_.put('}');
        opened_ = false;
    }
    void begin_array() { out_.put('['); }
    void element(std::size_t index) {
        if (index != 0) out_.put(',');
    }
    void end_array() { out_.put(']'); }

    bool text(const std::string& text);
    template <class Codec, class T>
    bool leaf(const T& value) {
        return value_form(Codec::template write<nlohmann::json>(value));
    }

private:
    bool value_form(const nlohmann::json& value);

    bool opened_ = false;  // nothing yet in the object just begun
};

// The canonical bytes of a record written straight from its fields, with no
// value tree of the whole (only of a leaf that no piece fits), or nothing
// where the full walk of the value form must answer.
template <class Record>
std::optional<std::string> write_record_parts(const Record& record) {
    CanonicalWriter writer;
    if (!orrincore_json::walk_json<orrincore_json::Json<Record>>(record, writer)) return std::nullopt;
    return writer.output().take();
}

}  // namespace detail

// The canonical bytes of a record: those of its value form,
// orrincore_json::to_value(record). A record with plain keys is written
// straight from its fields, sparing the value tree of the whole, which for
// a manifest of many references is several times the size of its bytes; the
// value-form walk answers anything else, refusals included.
template <class Record>
requires requires(const Record& record) {
    { orrincore_json::Json<Record>::template write<nlohmann::json>(record) } -> std::same_as<nlohmann::json>;
}
orrincore_error::Result<std::string> to_canonical_json(const Record& record) {
    if constexpr (detail::has_plain_keys<Record>()) {
        if (auto bytes = detail::write_record_parts(record)) return *std::move(bytes);
    }
    return to_canonical_json(orrincore_json::to_value(record));
}

}  // namespace orrincore_crypto::canonical
