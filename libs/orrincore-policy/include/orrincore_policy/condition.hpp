#pragma once
// `PolicyCondition`: one test a rule places on one text value of an
// evaluation input (or on its absence). Texts compare as bytes: no trimming,
// no case folding, no Unicode normalisation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <orrincore_json/json.hpp>

namespace orrincore_policy::eval {

class PolicyCondition {
public:
    struct Equals {
        std::string value;
        bool operator==(const Equals&) const = default;
    };
    struct NotEquals {
        std::string value;
        bool operator==(const NotEquals&) const = default;
    };
    struct OneOf {
        std::vector<std::string> values;  // may be empty, may repeat
        bool operator==(const OneOf&) const = default;
    };
    struct AtLeast {
        std::int64_t min;
        bool operator==(const AtLeast&) const = default;
    };
    struct AtMost {
        std::int64_t max;
        bool operator==(const AtMost&) const = default;
    };
    struct InRange {
        std::int64_t min;
        std::int64_t max;
        bool operator==(const InRange&) const = default;
    };
    struct Present {
        bool operator==(const Present&) const = default;
    };
    struct Absent {
        bool operator==(const Absent&) const = default;
    };

    // In the order of the "op" names.
    using Variant = std::variant<Equals, NotEquals, OneOf, AtLeast, AtMost, InRange, Present, Absent>;

    template <class V>
        requires std::is_constructible_v<Variant, V&&>
    PolicyCondition(V&& v) : variant_(std::forward<V>(v)) {}  // NOLINT: implicit by design

    const Variant& variant() const { return variant_; }

    template <class V>
    const V* get_if() const { return std::get_if<V>(&variant_); }

    // Whether `value` (the input's text, or nothing when its key is missing)
    // satisfies the condition. NotEquals needs a present value, so it is not
    // the negation of Equals; a value that is not a canonical integer fails
    // every numeric test.
    bool matches(std::optional<std::string_view> value) const;

    bool operator==(const PolicyCondition&) const = default;

private:
    Variant variant_;
};

// The integer whose canonical decimal form is exactly `text` ("0", or an
// optional '-' and digits without a leading zero), within the i64 range;
// nothing for "+5", "05", "-0", " 5", "5.0" and the like.
std::optional<std::int64_t> parse_canonical_i64(std::string_view text);

}  // namespace orrincore_policy::eval

namespace orrincore_policy {
using eval::PolicyCondition;
}  // namespace orrincore_policy

// An object tagged by "op", the tag anywhere among the fields; keys that are
// not fields of the named variant are ignored. Also read from an array of
// the tag and then the fields in order. Written with "op" first.
template <>
struct orrincore_json::Json<orrincore_policy::eval::PolicyCondition> {
    using Condition = orrincore_policy::eval::PolicyCondition;

    static ReadResult<Condition> read(Reader& reader);

    template <class J>
    static J write(const Condition& condition) {
        J out = J::object();
        std::visit([&](const auto& test) { write_fields(test, out); }, condition.variant());
        return out;
    }

private:
    template <class J>
    static void write_fields(const Condition::Equals& c, J& out) {
        out["op"] = "equals";
        out["value"] = c.value;
    }
    template <class J>
    static void write_fields(const Condition::NotEquals& c, J& out) {
        out["op"] = "not_equals";
        out["value"] = c.value;
    }
    template <class J>
    static void write_fields(const Condition::OneOf& c, J& out) {
        out["op"] = "one_of";
        out["values"] = J::array();
        for (const auto& value : c.values) out["values"].push_back(value);
    }
    template <class J>
    static void write_fields(const Condition::AtLeast& c, J& out) {
        out["op"] = "at_least";
        out["min"] = c.min;
    }
    template <class J>
    static void write_fields(const Condition::AtMost& c, J& out) {
        out["op"] = "at_most";
        out["max"] = c.max;
    }
    template <class J>
    static void write_fields(const Condition::InRange& c, J& out) {
        out["op"] = "in_range";
        out["min"] = c.min;
        out["max"] = c.max;
    }
    template <class J>
    static void write_fields(const Condition::Present&, J& out) {
        out["op"] = "present";
    }
    template <class J>
    static void write_fields(const Condition::Absent&, J& out) {
        out["op"] = "absent";
    }
};
