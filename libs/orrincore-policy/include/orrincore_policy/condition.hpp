#pragma once
// `PolicyCondition`: one test a rule places on one text value of an
// evaluation input (or on its absence). Texts compare as bytes: no trimming,
// no case folding, no Unicode normalisation.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <orrincore_json/record.hpp>

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
    requires std::is_constructible_v<Variant, V&&> PolicyCondition(V&& v)
        : variant_(std::forward<V>(v)) {}  // NOLINT: implicit by design

    const Variant& variant() const { return variant_; }

    template <class V>
    const V* get_if() const {
        return std::get_if<V>(&variant_);
    }

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

// What each "op" is, in one table, in the order of PolicyCondition::Variant:
// its word, the variant's name in messages, and its operands in order (JSON
// key and member). Reading and writing are driven by this table; a condition
// is built by setting each operand of its variant's struct.
template <class V, class... Operands>
struct ConditionOperation {
    using variant_type = V;
    std::string_view word;
    std::string_view name;
    std::tuple<Operands...> operands;
};

template <class V, class... Operands>
constexpr ConditionOperation<V, Operands...> condition_operation(std::string_view word, std::string_view name,
                                                                 Operands... operands) {
    return {word, name, std::tuple<Operands...>{operands...}};
}

inline constexpr auto condition_operations = [] {
    using C = PolicyCondition;
    using orrincore_json::required;
    return std::tuple{
        condition_operation<C::Equals>("equals", "Equals", required("value", &C::Equals::value)),
        condition_operation<C::NotEquals>("not_equals", "NotEquals", required("value", &C::NotEquals::value)),
        condition_operation<C::OneOf>("one_of", "OneOf", required("values", &C::OneOf::values)),
        condition_operation<C::AtLeast>("at_least", "AtLeast", required("min", &C::AtLeast::min)),
        condition_operation<C::AtMost>("at_most", "AtMost", required("max", &C::AtMost::max)),
        condition_operation<C::InRange>("in_range", "InRange", required("min", &C::InRange::min),
                                        required("max", &C::InRange::max)),
        condition_operation<C::Present>("present", "Present"),
        condition_operation<C::Absent>("absent", "Absent"),
    };
}();

inline constexpr std::size_t condition_operation_count = std::tuple_size_v<decltype(condition_operations)>;

// The operation of variant alternative V.
template <class V>
constexpr const auto& condition_operation_of() {
    constexpr std::size_t index = [] {
        std::size_t found = 0;
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            ((std::is_same_v<std::variant_alternative_t<I, PolicyCondition::Variant>, V> ? (found = I) : 0), ...);
        }
        (std::make_index_sequence<std::variant_size_v<PolicyCondition::Variant>>{});
        return found;
    }();
    return std::get<index>(condition_operations);
}

static_assert(condition_operation_count == std::variant_size_v<PolicyCondition::Variant>);
static_assert(
    []<std::size_t... I>(std::index_sequence<I...>) {
        return (std::is_same_v<typename std::remove_cvref_t<decltype(std::get<I>(condition_operations))>::variant_type,
                               std::variant_alternative_t<I, PolicyCondition::Variant>> &&
                ...);
    }(std::make_index_sequence<condition_operation_count>{}),
    "one operation per variant, in variant order");

}  // namespace orrincore_policy::eval

// An object tagged by "op", the tag anywhere among the operands; keys that
// are not operands of the named operation are ignored. Also read from an
// array of the tag and then the operands in order. Written with "op" first.
template <>
struct orrincore_json::Json<orrincore_policy::eval::PolicyCondition> {
    using Condition = orrincore_policy::eval::PolicyCondition;

    static ReadResult<Condition> read(Reader& reader);

    template <class J>
    static J write(const Condition& condition) {
        J out = J::object();
        auto& object = out.template get_ref<typename J::object_t&>();
        std::visit(
            [&]<class V>(const V& test) {
                const auto& operation = orrincore_policy::eval::condition_operation_of<V>();
                object.emplace("op", J(std::string(operation.word)));
                std::apply(
                    [&]<class... Operand>(const Operand&... operand) {
                        (object.emplace(std::string(operand.key),
                                        Operand::codec::template write<J>(test.*operand.member)),
                         ...);
                    },
                    operation.operands);
            },
            condition.variant());
        return out;
    }
};
