#pragma once
// Canonical JSON: the one byte form of a JSON value that every record hash and
// record signature is computed over. Floats are refused, keys and strings are
// composed by a fixed table, object keys are sorted by their bytes, and the
// writer emits no whitespace and escapes only what JSON requires.

#include <nlohmann/json.hpp>
#include <orrincore_error/error.hpp>
#include <orrincore_json/document.hpp>
#include <orrincore_json/record.hpp>

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
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

// The record walk of to_canonical_json(record): templates over a record's
// field table, instantiated where the record is written. The rest of the
// writers is internal.

// Where the record walk puts a record's canonical bytes: punctuation, keys
// and leaves, each leaf a small value form written as the value-form walk
// writes a whole one.
class PartSink {
public:
    virtual void put(std::string_view punctuation) = 0;
    // A key and its colon. `key` is ASCII, which normalisation keeps.
    virtual void key(std::string_view key) = 0;
    // False where only the full walk can answer: a key that normalisation
    // changes, or anything canonicalize refuses.
    virtual bool leaf(const nlohmann::json& value) = 0;

protected:
    ~PartSink() = default;
};

// The bytes `walk` puts into a sink: it walks once into a sink that sums an
// upper bound of them (composing only shortens a text), so that the output
// is sized once, then into one that writes them. Nothing where it declines.
std::optional<std::string> write_parts(const std::function<bool(PartSink&)>& walk);

template <class T>
struct ListOf {
    static constexpr bool is_list = false;
};
template <class E>
struct ListOf<std::vector<E>> {
    static constexpr bool is_list = true;
    using element = E;
};

template <class T>
struct OptionOf {
    static constexpr bool is_option = false;
};
template <class E>
struct OptionOf<std::optional<E>> {
    static constexpr bool is_option = true;
    using element = E;
};

template <class R>
constexpr auto field_keys() {
    return std::apply([](const auto&... field) { return std::array<std::string_view, sizeof...(field)>{field.key...}; },
                      orrincore_json::Json<R>::fields);
}

// A record whose value form is an object of its field table's members, with
// keys that are ASCII and distinct, so that they stay as they are under
// normalisation and their byte order is the canonical order.
template <class R>
constexpr bool has_plain_keys() {
    if constexpr (!std::is_base_of_v<orrincore_json::RecordJson<R>, orrincore_json::Json<R>>) {
        return false;
    } else {
        constexpr auto keys = field_keys<R>();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            for (const char c : keys[i])
                if (static_cast<unsigned char>(c) >= 0x80) return false;
            for (std::size_t j = 0; j < i; ++j)
                if (keys[i] == keys[j]) return false;
        }
        return true;
    }
}

// The field indices of R in the byte order of their keys.
template <class R>
constexpr auto fields_in_key_order() {
    constexpr auto keys = field_keys<R>();
    std::array<std::size_t, keys.size()> order{};
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    return order;
}

template <class R>
bool write_record_fields(const R& record, PartSink& sink);

// The canonical bytes of `value` in the form `Codec` gives it: records with
// plain keys field by field, lists element by element and options as null or
// their value, each as their generic JSON forms write them; anything else as
// a leaf.
template <class Codec, class T>
bool write_part(const T& value, PartSink& sink) {
    if constexpr (!std::is_same_v<Codec, orrincore_json::Json<T>>) {
        return sink.leaf(Codec::template write<nlohmann::json>(value));
    } else if constexpr (has_plain_keys<T>()) {
        return write_record_fields(value, sink);
    } else if constexpr (ListOf<T>::is_list) {
        using Element = typename ListOf<T>::element;
        sink.put("[");
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (i != 0) sink.put(",");
            if (!write_part<orrincore_json::Json<Element>>(value[i], sink)) return false;
        }
        sink.put("]");
        return true;
    } else if constexpr (OptionOf<T>::is_option) {
        if (!value) {
            sink.put("null");
            return true;
        }
        return write_part<orrincore_json::Json<typename OptionOf<T>::element>>(*value, sink);
    } else {
        return sink.leaf(Codec::template write<nlohmann::json>(value));
    }
}

// The members the record's value form holds (orrincore_json::write_field
// decides which), in the byte order of their keys.
template <class R>
bool write_record_fields(const R& record, PartSink& sink) {
    using orrincore_json::Presence;
    static constexpr auto order = fields_in_key_order<R>();
    bool first = true;
    const auto member = [&](const auto& field) {
        using F = std::remove_cvref_t<decltype(field)>;
        using Codec = typename F::codec;
        const auto& value = record.*field.member;
        if constexpr (F::presence == Presence::omittable) {
            if (!value) return true;
        } else if constexpr (F::presence == Presence::omittable_empty) {
            if (value.empty()) return true;
        }
        if (!first) sink.put(",");
        first = false;
        sink.key(field.key);
        if constexpr (F::presence == Presence::nullable || F::presence == Presence::omittable) {
            if (!value) {
                sink.put("null");
                return true;
            }
            return write_part<Codec>(*value, sink);
        } else {
            return write_part<Codec>(value, sink);
        }
    };
    sink.put("{");
    const bool written = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return (member(std::get<order[I]>(orrincore_json::Json<R>::fields)) && ...);
    }(std::make_index_sequence<order.size()>{});
    if (!written) return false;
    sink.put("}");
    return true;
}

// The canonical bytes of a record written straight from its fields, with no
// value tree of the whole (only of each leaf), or nothing where the full
// walk of the value form must answer.
template <class Record>
std::optional<std::string> write_record_parts(const Record& record) {
    return write_parts(
        [&record](PartSink& sink) { return write_part<orrincore_json::Json<Record>>(record, sink); });
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
