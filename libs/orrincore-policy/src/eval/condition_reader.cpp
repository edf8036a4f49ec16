// Reading a condition takes two phases. The "op" tag may come after the
// fields, so the other entries of the object are first set aside with their
// JSON kind (and a number's kind) and read as the tagged variant's fields
// once the object has ended. Errors found in the set-aside entries are
// reported at the end of the condition's object.

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>

#include "orrincore_policy/condition.hpp"

namespace orrincore_json {

namespace {

using Condition = orrincore_policy::eval::PolicyCondition;

constexpr std::string_view condition_expectation = "internally tagged enum PolicyCondition";

constexpr std::array<std::string_view, 8> op_names = {
    "equals", "not_equals", "one_of", "at_least", "at_most", "in_range", "present", "absent",
};
constexpr std::array<std::string_view, 8> variant_names = {
    "Equals", "NotEquals", "OneOf", "AtLeast", "AtMost", "InRange", "Present", "Absent",
};

// The field slots of the variants, and their keys.
enum class Slot { value, values, min, max };
constexpr std::array<std::string_view, 4> slot_keys = {"value", "values", "min", "max"};

std::span<const Slot> slots_of(std::size_t op) {
    static constexpr Slot value[] = {Slot::value};
    static constexpr Slot values[] = {Slot::values};
    static constexpr Slot min[] = {Slot::min};
    static constexpr Slot max[] = {Slot::max};
    static constexpr Slot range[] = {Slot::min, Slot::max};
    switch (op) {
    case 0:
    case 1: return value;
    case 2: return values;
    case 3: return min;
    case 4: return max;
    case 5: return range;
    default: return {};
    }
}

std::optional<Slot> slot_named(std::string_view key) {
    for (std::size_t i = 0; i < slot_keys.size(); ++i)
        if (slot_keys[i] == key) return static_cast<Slot>(i);
    return std::nullopt;
}

// A value set aside, with what its field reader needs of it.
struct Raw {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    bool boolean = false;
    Number number;
    std::string text;
    std::vector<Raw> elements;

    std::string describe() const {
        switch (kind) {
        case Kind::null: return "null";
        case Kind::boolean: return boolean ? "boolean `true`" : "boolean `false`";
        case Kind::number: return number.describe();
        case Kind::string: return describe_string(text);
        case Kind::array: return "sequence";
        case Kind::object: return "map";
        }
        return {};
    }
};

template <class T>
std::unexpected<ReadError> failed(ReadResult<T>& result) {
    return std::unexpected(result.error());
}

// Reads one value of any kind through the reader's own primitives, so the
// nesting limit applies to set-aside values as to every value read.
ReadResult<Raw> set_aside(Reader& reader) {
    Raw raw;
    const auto next = reader.peek();
    if (!next) {
        auto error = reader.skip_value();  // the reader's end-of-input error
        return std::unexpected(error.error());
    }
    switch (*next) {
    case 'n': {
        auto null = reader.read_null_if_next();
        if (!null) return failed(null);
        raw.kind = Raw::Kind::null;
        return raw;
    }
    case 't':
    case 'f': {
        auto flag = reader.read_bool();
        if (!flag) return failed(flag);
        raw.kind = Raw::Kind::boolean;
        raw.boolean = *flag;
        return raw;
    }
    case '"': {
        auto text = reader.read_string();
        if (!text) return failed(text);
        raw.kind = Raw::Kind::string;
        raw.text = std::move(*text);
        return raw;
    }
    case '[': {
        auto cursor = reader.begin_array("");
        if (!cursor) return failed(cursor);
        raw.kind = Raw::Kind::array;
        for (;;) {
            auto more = reader.next_element(*cursor);
            if (!more) return failed(more);
            if (!*more) break;
            auto element = set_aside(reader);
            if (!element) return element;
            raw.elements.push_back(std::move(*element));
        }
        if (auto end = reader.end_array(); !end) return failed(end);
        return raw;
    }
    case '{': {
        // No field of a condition is an object: only its kind is kept.
        auto cursor = reader.begin_object("");
        if (!cursor) return failed(cursor);
        raw.kind = Raw::Kind::object;
        for (;;) {
            auto key = reader.next_key(*cursor);
            if (!key) return failed(key);
            if (!*key) break;
            if (auto colon = reader.read_colon(); !colon) return failed(colon);
            if (auto member = set_aside(reader); !member) return member;
        }
        if (auto end = reader.end_object(); !end) return failed(end);
        return raw;
    }
    default:
        if (*next == '-' || (*next >= '0' && *next <= '9')) {
            auto number = reader.read_number("");
            if (!number) return failed(number);
            raw.kind = Raw::Kind::number;
            raw.number = *number;
            return raw;
        }
        auto error = reader.skip_value();  // the reader's syntax error
        return std::unexpected(error.error());
    }
}

std::string invalid_type(const Raw& found, std::string_view expected) {
    return fmt::format("invalid type: {}, expected {}", found.describe(), expected);
}

// The fields read so far; a message on failure.
struct Fields {
    std::string value;
    std::vector<std::string> values;
    std::int64_t min = 0;
    std::int64_t max = 0;
};

std::optional<std::string> read_text(const Raw& raw, std::string& out) {
    if (raw.kind != Raw::Kind::string) return invalid_type(raw, "a string");
    out = raw.text;
    return std::nullopt;
}

std::optional<std::string> read_i64(const Raw& raw, std::int64_t& out) {
    if (raw.kind != Raw::Kind::number) return invalid_type(raw, "i64");
    switch (raw.number.kind) {
    case Number::Kind::unsigned_integer:
        if (raw.number.unsigned_value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return fmt::format("invalid value: {}, expected i64", raw.number.describe());
        out = static_cast<std::int64_t>(raw.number.unsigned_value);
        return std::nullopt;
    case Number::Kind::negative_integer:
        out = raw.number.negative_value;
        return std::nullopt;
    case Number::Kind::floating_point:
        break;
    }
    return invalid_type(raw, "i64");
}

std::optional<std::string> read_slot(Slot slot, const Raw& raw, Fields& fields) {
    switch (slot) {
    case Slot::value: return read_text(raw, fields.value);
    case Slot::values:
        if (raw.kind != Raw::Kind::array) return invalid_type(raw, "a sequence");
        fields.values.clear();
        fields.values.reserve(raw.elements.size());
        for (const Raw& element : raw.elements) {
            if (auto error = read_text(element, fields.values.emplace_back())) return error;
        }
        return std::nullopt;
    case Slot::min: return read_i64(raw, fields.min);
    case Slot::max: return read_i64(raw, fields.max);
    }
    return std::nullopt;
}

Condition build(std::size_t op, Fields&& fields) {
    switch (op) {
    case 0: return Condition::Equals{std::move(fields.value)};
    case 1: return Condition::NotEquals{std::move(fields.value)};
    case 2: return Condition::OneOf{std::move(fields.values)};
    case 3: return Condition::AtLeast{fields.min};
    case 4: return Condition::AtMost{fields.max};
    case 5: return Condition::InRange{fields.min, fields.max};
    case 6: return Condition::Present{};
    default: return Condition::Absent{};
    }
}

// The tag: one of the op names, as a JSON string.
ReadResult<std::size_t> read_tag(Reader& reader) {
    auto text = reader.read_string_view("variant identifier");
    if (!text) return failed(text);
    for (std::size_t i = 0; i < op_names.size(); ++i)
        if (op_names[i] == *text) return i;
    return std::unexpected(
        reader.custom_error(fmt::format("unknown variant `{}`, expected {}", *text, word_list(op_names))));
}

ReadResult<Condition> read_object(Reader& reader) {
    std::optional<std::size_t> op;
    std::vector<std::pair<std::string, Raw>> aside;
    Cursor cursor;
    for (;;) {
        auto key = reader.next_key(cursor);
        if (!key) return failed(key);
        if (!*key) break;
        if (**key == "op") {
            if (op) return std::unexpected(reader.fail_object("duplicate field `op`"));
            if (auto colon = reader.read_colon(); !colon) return failed(colon);
            auto tag = read_tag(reader);
            if (!tag) return failed(tag);
            op = *tag;
            continue;
        }
        // Keys that are no variant's field are still read in full, but not kept.
        const bool kept = slot_named(**key).has_value();
        std::string name = kept ? std::string(**key) : std::string();
        if (auto colon = reader.read_colon(); !colon) return failed(colon);
        auto value = set_aside(reader);
        if (!value) return failed(value);
        if (kept) aside.emplace_back(std::move(name), std::move(*value));
    }
    if (!op) return std::unexpected(reader.fail_object("missing field `op`"));

    const auto slots = slots_of(*op);
    std::array<bool, slot_keys.size()> seen{};
    Fields fields;
    for (const auto& [key, raw] : aside) {
        const Slot slot = *slot_named(key);
        if (std::find(slots.begin(), slots.end(), slot) == slots.end()) continue;
        auto& was_seen = seen[static_cast<std::size_t>(slot)];
        if (was_seen) return std::unexpected(reader.fail_object(fmt::format("duplicate field `{}`", key)));
        if (auto error = read_slot(slot, raw, fields)) return std::unexpected(reader.fail_object(std::move(*error)));
        was_seen = true;
    }
    for (const Slot slot : slots) {
        if (!seen[static_cast<std::size_t>(slot)])
            return std::unexpected(reader.fail_object(
                fmt::format("missing field `{}`", slot_keys[static_cast<std::size_t>(slot)])));
    }
    if (auto end = reader.end_object(); !end) return failed(end);
    return build(*op, std::move(fields));
}

std::string elements(std::size_t count) { return count == 1 ? "1 element" : fmt::format("{} elements", count); }

// The tag, then the variant's fields in order, without keys.
ReadResult<Condition> read_array(Reader& reader) {
    Cursor cursor;
    auto first = reader.next_element(cursor);
    if (!first) return failed(first);
    if (!*first) return std::unexpected(reader.fail_array("missing field `op`"));
    auto op = read_tag(reader);
    if (!op) return failed(op);

    std::vector<Raw> rest;
    for (;;) {
        auto more = reader.next_element(cursor);
        if (!more) return failed(more);
        if (!*more) break;
        auto value = set_aside(reader);
        if (!value) return failed(value);
        rest.push_back(std::move(*value));
    }

    const auto slots = slots_of(*op);
    Fields fields;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (i == rest.size())
            return std::unexpected(reader.fail_array(
                fmt::format("invalid length {}, expected struct variant PolicyCondition::{} with {}", i,
                            variant_names[*op], elements(slots.size()))));
        if (auto error = read_slot(slots[i], rest[i], fields))
            return std::unexpected(reader.fail_array(std::move(*error)));
    }
    if (rest.size() > slots.size())
        return std::unexpected(reader.fail_array(
            fmt::format("invalid length {}, expected {} in sequence", rest.size(), elements(slots.size()))));
    if (auto end = reader.end_array(); !end) return failed(end);
    return build(*op, std::move(fields));
}

}  // namespace

ReadResult<Condition> Json<Condition>::read(Reader& reader) {
    auto form = reader.begin_struct(condition_expectation);
    if (!form) return failed(form);
    return *form == StructForm::object ? read_object(reader) : read_array(reader);
}

}  // namespace orrincore_json
