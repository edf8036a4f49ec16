#pragma once
// A value's JSON form handed to a writer piece by piece, straight from the
// value: records field by field from their field tables, lists element by
// element, options as null or their value, and the leaves by what they are.
// No value tree of the whole is built; only a leaf that no piece fits is
// handed over as a tree of its own. The record files, the `--json` output
// and the canonical bytes are all written this way.
//
// The writer (a sink) has these members:
//     static constexpr bool sorted_keys;   // members in byte order of their keys, else field order
//     template <class R> static constexpr bool takes_record;  // whether R is walked field by field
//     void begin_object();  void key(std::string_view);  void end_object();
//     void plain_key(std::string_view);    // a key of plain text (is_plain_text)
//     void begin_array();  void element(std::size_t index);  void end_array();
//     void null();  void boolean(bool);  void integer(I);   // I any integer type
//     void plain(std::string_view);        // a string of plain text (is_plain_text)
//     bool text(const std::string&);       // any other string
//     template <class Codec, class T> bool leaf(const T&);   // Codec::write of the value
// A member returning false ends the walk there, and the walk returns false.

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "orrincore_json/json.hpp"
#include "orrincore_json/record.hpp"

namespace orrincore_json {
namespace detail {

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
constexpr bool is_record = std::is_base_of_v<RecordJson<T>, Json<T>>;

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
constexpr auto fields_in_table_order() {
    std::array<std::size_t, field_count<R>()> order{};
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    return order;
}

template <class Sink, class R>
bool walk_record(const R& record, Sink& sink);

}  // namespace detail

// Hands `value`, in the JSON form `Codec` gives it, to `sink`.
template <class Codec, class T, class Sink>
bool walk_json(const T& value, Sink& sink) {
    if constexpr (!std::is_same_v<Codec, Json<T>>) {
        return sink.template leaf<Codec>(value);
    } else if constexpr (detail::is_record<T>) {
        if constexpr (Sink::template takes_record<T>) return detail::walk_record(value, sink);
        else return sink.template leaf<Codec>(value);
    } else if constexpr (detail::ListOf<T>::is_list) {
        using Element = typename detail::ListOf<T>::element;
        sink.begin_array();
        for (std::size_t i = 0; i < value.size(); ++i) {
            sink.element(i);
            if (!walk_json<Json<Element>>(value[i], sink)) return false;
        }
        sink.end_array();
        return true;
    } else if constexpr (detail::is_optional<T>::value) {
        if (!value) {
            sink.null();
            return true;
        }
        return walk_json<Json<typename T::value_type>>(*value, sink);
    } else if constexpr (std::is_same_v<T, bool>) {
        sink.boolean(value);
        return true;
    } else if constexpr (std::is_integral_v<T>) {
        sink.integer(value);
        return true;
    } else if constexpr (std::is_same_v<T, std::string>) {
        return sink.text(value);
    } else if constexpr (PlainTextJson<T>) {
        PlainBuffer buffer;
        sink.plain(Json<T>::plain_text(value, buffer));
        return true;
    } else {
        return sink.template leaf<Codec>(value);
    }
}

namespace detail {

// The members the record's value form holds (write_field decides which).
template <class Sink, class R>
bool walk_record(const R& record, Sink& sink) {
    static constexpr auto order = Sink::sorted_keys ? fields_in_key_order<R>() : fields_in_table_order<R>();
    static constexpr auto plain_keys = [] {
        constexpr auto keys = field_keys<R>();
        std::array<bool, keys.size()> plain{};
        for (std::size_t i = 0; i < keys.size(); ++i) plain[i] = is_plain_text(keys[i]);
        return plain;
    }();
    const auto member = [&]<std::size_t index>(const auto& field, std::integral_constant<std::size_t, index>) {
        using F = std::remove_cvref_t<decltype(field)>;
        using Codec = typename F::codec;
        const auto& value = record.*field.member;
        if constexpr (F::presence == Presence::omittable) {
            if (!value) return true;
        } else if constexpr (F::presence == Presence::omittable_empty) {
            if (value.empty()) return true;
        }
        if constexpr (plain_keys[index]) sink.plain_key(field.key);
        else sink.key(field.key);
        if constexpr (F::presence == Presence::nullable || F::presence == Presence::omittable) {
            if (!value) {
                sink.null();
                return true;
            }
            return walk_json<Codec>(*value, sink);
        } else {
            return walk_json<Codec>(value, sink);
        }
    };
    sink.begin_object();
    const bool walked = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return (member(std::get<order[I]>(Json<R>::fields), std::integral_constant<std::size_t, order[I]>{}) && ...);
    }
    (std::make_index_sequence<order.size()>{});
    if (!walked) return false;
    sink.end_object();
    return true;
}

}  // namespace detail
}  // namespace orrincore_json
