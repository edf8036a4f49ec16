#pragma once
// Records: the JSON form of a struct from its field table.
//
//     #include "orrincore_json/document.hpp"   // parse, to_pretty, to_compact, to_value
//     #include "orrincore_json/enumeration.hpp"
//     #include "orrincore_json/record.hpp"
//
//     struct Marker {
//         std::string field_path;
//         Reason reason;                         // an enumeration with an EnumTable
//         std::optional<Timestamp> applied_at;   // Timestamp has its own Json<Timestamp>
//         std::vector<std::string> tags;
//     };
//
//     template <>
//     struct orrincore_json::Json<Marker> : orrincore_json::RecordJson<Marker> {
//         static constexpr std::string_view name = "Marker";
//         static constexpr auto fields = std::tuple{
//             required("field_path", &Marker::field_path),
//             required("reason", &Marker::reason),
//             omittable("applied_at", &Marker::applied_at),
//             omittable_empty("tags", &Marker::tags),
//         };
//     };
//
//     auto marker = orrincore_json::parse<Marker>(text);      // ReadResult<Marker>
//     if (!marker) report(marker.error().message_with_position());  // "... at line 1 column 7"
//     std::string file = orrincore_json::to_pretty(*marker);
//     nlohmann::json value = orrincore_json::to_value(*marker);
//
// The record's members are its fields, declared in field-table order: the
// reader builds it as R{field values...} once every field is read, so a
// record needs no default constructor. Field kinds, by how a missing value
// reads and how an absent or empty one is written:
//
//   required(key, &R::m)         missing fails: "missing field `key`" in the
//                                object form, "invalid length" in the array form.
//   nullable(key, &R::opt)       std::optional; null or a missing key reads as
//                                absent, but the array form needs its element;
//                                absent is written as null.
//   omittable(key, &R::opt)      std::optional; null or missing reads as absent,
//                                also past the end of the array form; absent
//                                leaves the key out.
//   defaulted(key, &R::m[, v])   missing reads as v (default: an empty value),
//                                in both forms; always written.
//   omittable_empty(key, &R::m)  list or map; missing reads as empty, in both
//                                forms; left out when empty.
//
// A field whose JSON form is not Json<M> takes a codec with the same two
// static functions as a Json specialisation: required<HexCodec>("key", &R::m)
// (for nullable and omittable, the codec is that of the value inside).
//
// Reading (object form): keys in any order; keys that are not fields are
// skipped with their value; a field key given twice fails at its second
// occurrence ("duplicate field `key`"); missing fields are checked in field
// order after the closing brace. Array form: the field values in field order;
// elements beyond the fields are "trailing characters" (or "trailing comma").
// Anything else: "invalid type: {found}, expected struct {name}".

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "orrincore_json/field_messages.hpp"
#include "orrincore_json/json.hpp"

namespace orrincore_json {

enum class Presence { required, nullable, omittable, defaulted, omittable_empty };

namespace detail {

template <class T>
struct is_optional : std::false_type {};
template <class T>
struct is_optional<std::optional<T>> : std::true_type {
    using value_type = T;
};

struct NoDefault {};

}  // namespace detail

template <class Record, class Member, Presence P, class Codec, class Default = detail::NoDefault>
struct Field {
    using record_type = Record;
    using member_type = Member;
    using codec = Codec;
    static constexpr Presence presence = P;

    std::string_view key;
    Member Record::*member;
    Default default_value{};

    // A field that a reader may leave out of the array form.
    static constexpr bool has_array_default =
        P == Presence::omittable || P == Presence::defaulted || P == Presence::omittable_empty;
};

namespace detail {

template <class Codec, class M>
using codec_or_json = std::conditional_t<std::is_void_v<Codec>, Json<M>, Codec>;

// Codec of std::optional<V> from the codec of V.
template <class Inner>
struct OptionalCodec {
    template <class V>
    static ReadResult<std::optional<V>> read_as(Reader& reader) {
        auto null = reader.read_null_if_next();
        if (!null) return std::unexpected(std::move(null).error());
        if (*null) return std::optional<V>{};
        auto value = Inner::read(reader);
        if (!value) return std::unexpected(std::move(value).error());
        return std::optional<V>{std::move(*value)};
    }
};

}  // namespace detail

template <class Codec = void, class R, class M>
constexpr auto required(std::string_view key, M R::*member) {
    return Field<R, M, Presence::required, detail::codec_or_json<Codec, M>>{key, member};
}

template <class Codec = void, class R, class M>
constexpr auto nullable(std::string_view key, M R::*member) {
    static_assert(detail::is_optional<M>::value, "nullable fields are std::optional");
    using V = typename detail::is_optional<M>::value_type;
    return Field<R, M, Presence::nullable, detail::codec_or_json<Codec, V>>{key, member};
}

template <class Codec = void, class R, class M>
constexpr auto omittable(std::string_view key, M R::*member) {
    static_assert(detail::is_optional<M>::value, "omittable fields are std::optional");
    using V = typename detail::is_optional<M>::value_type;
    return Field<R, M, Presence::omittable, detail::codec_or_json<Codec, V>>{key, member};
}

template <class Codec = void, class R, class M>
constexpr auto defaulted(std::string_view key, M R::*member) {
    return Field<R, M, Presence::defaulted, detail::codec_or_json<Codec, M>>{key, member};
}

template <class Codec = void, class R, class M, class D>
constexpr auto defaulted(std::string_view key, M R::*member, D default_value) {
    return Field<R, M, Presence::defaulted, detail::codec_or_json<Codec, M>, D>{key, member, default_value};
}

template <class Codec = void, class R, class M>
constexpr auto omittable_empty(std::string_view key, M R::*member) {
    return Field<R, M, Presence::omittable_empty, detail::codec_or_json<Codec, M>>{key, member};
}

namespace detail {

// Fields are read into a slot each and the record is built from the slots at
// the end, so records need no default constructor.
template <class F>
using Slot = std::optional<typename F::member_type>;

template <class F>
ReadResult<void> read_field(const F&, Reader& reader, Slot<F>& slot) {
    using M = typename F::member_type;
    using Codec = typename F::codec;
    if constexpr (F::presence == Presence::nullable || F::presence == Presence::omittable) {
        using V = typename is_optional<M>::value_type;
        auto value = OptionalCodec<Codec>::template read_as<V>(reader);
        if (!value) return std::unexpected(std::move(value).error());
        slot.emplace(std::move(*value));
    } else {
        auto value = Codec::read(reader);
        if (!value) return std::unexpected(std::move(value).error());
        slot.emplace(std::move(*value));
    }
    return {};
}

// The value of a field that did not occur (only for fields that have one).
template <class F>
void set_missing(const F& field, Slot<F>& slot) {
    using M = typename F::member_type;
    if constexpr (std::is_same_v<decltype(field.default_value), NoDefault>) {
        slot.emplace();
    } else {
        slot.emplace(M(field.default_value));
    }
}

template <class J, class F>
void write_field(const F& field, const typename F::record_type& in, J& out) {
    using Codec = typename F::codec;
    const auto& value = in.*field.member;
    auto& object = out.template get_ref<typename J::object_t&>();
    if constexpr (F::presence == Presence::nullable) {
        object.emplace(std::string(field.key), value ? Codec::template write<J>(*value) : J(nullptr));
    } else if constexpr (F::presence == Presence::omittable) {
        if (value) object.emplace(std::string(field.key), Codec::template write<J>(*value));
    } else if constexpr (F::presence == Presence::omittable_empty) {
        if (!value.empty()) object.emplace(std::string(field.key), Codec::template write<J>(value));
    } else {
        object.emplace(std::string(field.key), Codec::template write<J>(value));
    }
}

// Helpers over Json<R>::fields, instantiated only inside function bodies
// (Json<R> is still incomplete while its base RecordJson<R> is).
template <class R>
constexpr std::size_t field_count() {
    return std::tuple_size_v<std::remove_cvref_t<decltype(Json<R>::fields)>>;
}

template <class R>
constexpr auto field_keys() {
    return std::apply([](const auto&... field) { return std::array<std::string_view, sizeof...(field)>{field.key...}; },
                      Json<R>::fields);
}

// No two fields of R share a key: the reader finds a field by its key, and
// the writers write every field.
template <class R>
constexpr bool has_distinct_keys() {
    constexpr auto keys = field_keys<R>();
    for (std::size_t i = 0; i < keys.size(); ++i)
        for (std::size_t j = i + 1; j < keys.size(); ++j)
            if (keys[i] == keys[j]) return false;
    return true;
}

// One slot per field of R, in field order.
template <class R>
auto make_slots() {
    return std::apply([](const auto&... field) { return std::tuple<Slot<std::remove_cvref_t<decltype(field)>>...>{}; },
                      Json<R>::fields);
}

template <class R, class Slots, std::size_t... I>
ReadResult<void> read_field_at(std::size_t index, Reader& reader, Slots& slots, std::index_sequence<I...>) {
    ReadResult<void> result;
    ((I == index ? (void)(result = read_field(std::get<I>(Json<R>::fields), reader, std::get<I>(slots))) : (void)0),
     ...);
    return result;
}

// The record from its filled slots: its members in field order.
template <class R, class Slots, std::size_t... I>
R build(Slots& slots, std::index_sequence<I...>) {
    return R{std::move(*std::get<I>(slots))...};
}

}  // namespace detail

// Base of Json<R> for a record R; Json<R> provides `name` and `fields`.
template <class R>
struct RecordJson {
    static ReadResult<R> read(Reader& reader) {
        static const std::string expectation = struct_expectation(Json<R>::name);
        auto form = reader.begin_struct(expectation);
        if (!form) return std::unexpected(std::move(form).error());
        return *form == StructForm::object ? read_object(reader) : read_array(reader);
    }

    template <class J>
    static J write(const R& value) {
        J out = J::object();
        std::apply([&](const auto&... field) { (detail::write_field<J>(field, value, out), ...); }, Json<R>::fields);
        return out;
    }

private:
    static ReadResult<R> read_object(Reader& reader);
    static ReadResult<R> read_array(Reader& reader);

    static const std::string& length_expectation() {
        static const std::string text = struct_length_expectation(Json<R>::name, detail::field_count<R>());
        return text;
    }
};

template <class R>
ReadResult<R> RecordJson<R>::read_object(Reader& reader) {
    static_assert(detail::has_distinct_keys<R>(), "two fields of the record share a key");
    constexpr std::size_t count = detail::field_count<R>();
    static constexpr auto keys = detail::field_keys<R>();
    auto slots = detail::make_slots<R>();
    std::array<bool, count> seen{};
    Cursor cursor;
    // Keys mostly come in field order, as the writers write them: the field
    // after the last one read is tried first.
    std::size_t expected = 0;
    for (;;) {
        auto key = reader.next_key(cursor);
        if (!key) return std::unexpected(std::move(key).error());
        if (!*key) break;
        std::size_t index = expected;
        if (index >= count || keys[index] != **key) {
            index = 0;
            while (index < count && keys[index] != **key) ++index;
        }
        if (index == count) {
            if (auto colon = reader.read_colon(); !colon) return std::unexpected(std::move(colon).error());
            if (auto skipped = reader.skip_value(); !skipped) return std::unexpected(std::move(skipped).error());
            continue;
        }
        if (seen[index]) return std::unexpected(reader.fail_object(duplicate_field_message(keys[index])));
        if (auto colon = reader.read_colon(); !colon) return std::unexpected(std::move(colon).error());
        if (auto value = detail::read_field_at<R>(index, reader, slots, std::make_index_sequence<count>{}); !value)
            return std::unexpected(std::move(value).error());
        seen[index] = true;
        expected = index + 1;
    }
    // Missing fields, in field order: the first required one fails.
    std::optional<std::string_view> missing;
    std::size_t index = 0;
    auto settle = [&](const auto& field, auto& slot) {
        using F = std::remove_cvref_t<decltype(field)>;
        if (!seen[index] && !missing) {
            if constexpr (F::presence == Presence::required) missing = field.key;
            else detail::set_missing(field, slot);
        }
        ++index;
    };
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (settle(std::get<I>(Json<R>::fields), std::get<I>(slots)), ...);
    }
    (std::make_index_sequence<count>{});
    if (missing) return std::unexpected(reader.fail_object(missing_field_message(*missing)));
    if (auto end = reader.end_object(); !end) return std::unexpected(std::move(end).error());
    return detail::build<R>(slots, std::make_index_sequence<count>{});
}

template <class R>
ReadResult<R> RecordJson<R>::read_array(Reader& reader) {
    constexpr std::size_t count = detail::field_count<R>();
    auto slots = detail::make_slots<R>();
    Cursor cursor;
    std::optional<ReadError> failure;
    std::size_t index = 0;
    auto take = [&](const auto& field, auto& slot) {
        using F = std::remove_cvref_t<decltype(field)>;
        if (failure) return;
        auto more = reader.next_element(cursor);
        if (!more) {
            failure = std::move(more).error();
        } else if (!*more) {
            // Past the end: only fields with a default may be left out.
            if constexpr (F::has_array_default) detail::set_missing(field, slot);
            else failure = reader.fail_array(invalid_length_message(index, length_expectation()));
        } else if (auto value = detail::read_field(field, reader, slot); !value) {
            failure = std::move(value).error();
        }
        ++index;
    };
    [&]<std::size_t... I>(std::index_sequence<I...>) { (take(std::get<I>(Json<R>::fields), std::get<I>(slots)), ...); }
    (std::make_index_sequence<count>{});
    if (failure) return std::unexpected(std::move(*failure));
    if (auto end = reader.end_array(); !end) return std::unexpected(std::move(end).error());
    return detail::build<R>(slots, std::make_index_sequence<count>{});
}

}  // namespace orrincore_json
