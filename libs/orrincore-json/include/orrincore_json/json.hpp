#pragma once
// The customisation point of record JSON, and its forms for the built-in
// types.
//
// A type T has a JSON form when Json<T> is specialised with
//     static ReadResult<T> read(Reader&);
//     template <class J> static J write(const T&);
// J is nlohmann::ordered_json for the text writers (keys in field order) or
// nlohmann::json for the value form handed to canonical JSON. Writing never
// fails. Records get theirs from a field table (record.hpp), enumerations
// from a word table (enumeration.hpp).
//
// A type whose JSON form is a string of plain text (see is_plain_text) may
// also give that text straight away, so that the writers write it between
// quotes without building a value first:
//     static std::string_view plain_text(const T&, PlainBuffer&);
// The text is either written into the buffer or kept by the value itself; it
// must be the string that write<J> holds.

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "orrincore_json/reader.hpp"

namespace orrincore_json {

template <class T>
struct Json;

// Printable ASCII without the quote and the backslash: text that JSON writes
// unescaped and canonical JSON leaves as it is.
constexpr bool is_plain_text(std::string_view text) {
    for (const char c : text)
        if (c < 0x20 || c > 0x7e || c == '"' || c == '\\') return false;
    return true;
}

// Room for the longest plain text a type writes (a signature's 128 digits).
using PlainBuffer = std::array<char, 128>;

template <class T>
concept PlainTextJson = requires(const T& value, PlainBuffer& buffer) {
    { Json<T>::plain_text(value, buffer) } -> std::same_as<std::string_view>;
};

template <>
struct Json<std::string> {
    static ReadResult<std::string> read(Reader& reader) { return reader.read_string("a string"); }
    template <class J>
    static J write(const std::string& value) {
        return J(value);
    }
};

// A text type read from a JSON string: `parse` turns the text into
// std::expected<T, E>, and a refusal becomes a reading error placed after
// the string whose message is `message(error)`.
template <class T, class Parse, class Message>
ReadResult<T> read_parsed_string(Reader& reader, std::string_view expected, Parse parse, Message message) {
    auto text = reader.read_string_view(expected);
    if (!text) return std::unexpected(text.error());
    auto value = parse(*text);
    if (!value) return std::unexpected(reader.custom_error(message(value.error())));
    return T(*std::move(value));
}

// The same for types whose parser fails with a CoreError-like error: its
// message() is the reading error's message.
template <class T, class Parse>
ReadResult<T> read_parsed_string(Reader& reader, Parse parse) {
    return read_parsed_string<T>(reader, "a string", parse, [](const auto& error) { return error.message(); });
}

template <>
struct Json<bool> {
    static ReadResult<bool> read(Reader& reader) { return reader.read_bool("a boolean"); }
    template <class J>
    static J write(bool value) {
        return J(value);
    }
};

// Integers: the range is checked here; a fraction, an exponent, -0 or an
// integer beyond 64 bits is a floating-point value and refused as a type.
template <class T>
struct IntegerJson {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);

    static constexpr std::string_view expected() {
        if constexpr (std::is_unsigned_v<T>) {
            if constexpr (sizeof(T) == 1) return "u8";
            else if constexpr (sizeof(T) == 2) return "u16";
            else if constexpr (sizeof(T) == 4) return "u32";
            else return "u64";
        } else {
            if constexpr (sizeof(T) == 1) return "i8";
            else if constexpr (sizeof(T) == 2) return "i16";
            else if constexpr (sizeof(T) == 4) return "i32";
            else return "i64";
        }
    }

    static ReadResult<T> read(Reader& reader) {
        auto number = reader.read_number(expected());
        if (!number) return std::unexpected(std::move(number).error());
        switch (number->kind) {
        case Number::Kind::unsigned_integer:
            if (number->unsigned_value > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
                return std::unexpected(reader.invalid_value(number->describe(), expected()));
            return static_cast<T>(number->unsigned_value);
        case Number::Kind::negative_integer:
            if constexpr (std::is_signed_v<T>) {
                if (number->negative_value >= static_cast<std::int64_t>(std::numeric_limits<T>::min()))
                    return static_cast<T>(number->negative_value);
            }
            return std::unexpected(reader.invalid_value(number->describe(), expected()));
        case Number::Kind::floating_point: break;
        }
        return std::unexpected(reader.invalid_type(*number, expected()));
    }

    template <class J>
    static J write(T value) {
        return J(value);
    }
};

template <>
struct Json<std::uint8_t> : IntegerJson<std::uint8_t> {};
template <>
struct Json<std::uint16_t> : IntegerJson<std::uint16_t> {};
template <>
struct Json<std::uint32_t> : IntegerJson<std::uint32_t> {};
template <>
struct Json<std::uint64_t> : IntegerJson<std::uint64_t> {};
template <>
struct Json<std::int8_t> : IntegerJson<std::int8_t> {};
template <>
struct Json<std::int16_t> : IntegerJson<std::int16_t> {};
template <>
struct Json<std::int32_t> : IntegerJson<std::int32_t> {};
template <>
struct Json<std::int64_t> : IntegerJson<std::int64_t> {};

// The elements of a list, each read as a T and handed to `visit` (as an
// rvalue) as soon as it is read, in list order; the number of elements.
// The errors are those of reading a std::vector<T>: a long list can be
// consumed one element at a time with the same outcome as reading it whole.
template <class T, class Visit>
ReadResult<std::size_t> read_elements(Reader& reader, Visit&& visit) {
    auto cursor = reader.begin_array("a sequence");
    if (!cursor) return std::unexpected(std::move(cursor).error());
    std::size_t count = 0;
    for (;;) {
        auto more = reader.next_element(*cursor);
        if (!more) return std::unexpected(std::move(more).error());
        if (!*more) break;
        auto element = Json<T>::read(reader);
        if (!element) return std::unexpected(std::move(element).error());
        visit(std::move(*element));
        ++count;
    }
    if (auto end = reader.end_array(); !end) return std::unexpected(std::move(end).error());
    return count;
}

// A list is an array, elements in list order. A byte string
// (std::vector<std::uint8_t>) is an array of integers 0..=255.
template <class T>
struct Json<std::vector<T>> {
    static ReadResult<std::vector<T>> read(Reader& reader) {
        std::vector<T> out;
        // A long list of records (a manifest's references) would otherwise
        // hold half as much again as it needs, and its old copy, while it
        // grows; counting first costs a scan of the text. Never more capacity
        // than the text itself takes: a list of empty objects must fail as
        // a record read, not ask for many times the file's size.
        if constexpr (sizeof(T) > sizeof(std::string)) {
            const auto extent = reader.skim_array();
            if (extent.elements <= extent.bytes / sizeof(T)) out.reserve(extent.elements);
        }
        auto read = read_elements<T>(reader, [&out](T&& element) { out.push_back(std::move(element)); });
        if (!read) return std::unexpected(std::move(read).error());
        return out;
    }

    template <class J>
    static J write(const std::vector<T>& values) {
        J out = J::array();
        out.template get_ref<typename J::array_t&>().reserve(values.size());
        for (const auto& value : values) out.push_back(Json<T>::template write<J>(value));
        return out;
    }
};

// Absent is null (records choose per field between null and a left-out key).
template <class T>
struct Json<std::optional<T>> {
    static ReadResult<std::optional<T>> read(Reader& reader) {
        auto null = reader.read_null_if_next();
        if (!null) return std::unexpected(std::move(null).error());
        if (*null) return std::optional<T>{};
        auto value = Json<T>::read(reader);
        if (!value) return std::unexpected(std::move(value).error());
        return std::optional<T>{std::move(*value)};
    }

    template <class J>
    static J write(const std::optional<T>& value) {
        return value ? Json<T>::template write<J>(*value) : J(nullptr);
    }
};

// A map keyed by user text (such as a rule's facts): an object whose keys
// come out in ascending byte order. A key given twice keeps its last value;
// every value is still read in full.
template <class T>
struct Json<std::map<std::string, T>> {
    static ReadResult<std::map<std::string, T>> read(Reader& reader) {
        auto cursor = reader.begin_object("a map");
        if (!cursor) return std::unexpected(std::move(cursor).error());
        std::map<std::string, T> out;
        for (;;) {
            auto key = reader.next_key(*cursor);
            if (!key) return std::unexpected(std::move(key).error());
            if (!*key) break;
            std::string name(**key);
            if (auto colon = reader.read_colon(); !colon) return std::unexpected(std::move(colon).error());
            auto value = Json<T>::read(reader);
            if (!value) return std::unexpected(std::move(value).error());
            out.insert_or_assign(std::move(name), std::move(*value));
        }
        if (auto end = reader.end_object(); !end) return std::unexpected(std::move(end).error());
        return out;
    }

    template <class J>
    static J write(const std::map<std::string, T>& values) {
        J out = J::object();
        for (const auto& [key, value] : values) out[key] = Json<T>::template write<J>(value);
        return out;
    }
};

}  // namespace orrincore_json
