#include "orrincore_policy/condition.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace orrincore_policy::eval {

namespace {

struct Matcher {
    std::optional<std::string_view> value;

    bool operator()(const PolicyCondition::Equals& c) const { return value && *value == c.value; }
    bool operator()(const PolicyCondition::NotEquals& c) const { return value && *value != c.value; }
    bool operator()(const PolicyCondition::OneOf& c) const {
        return value && std::ranges::find(c.values, *value) != c.values.end();
    }
    bool operator()(const PolicyCondition::AtLeast& c) const {
        const auto n = number();
        return n && *n >= c.min;
    }
    bool operator()(const PolicyCondition::AtMost& c) const {
        const auto n = number();
        return n && *n <= c.max;
    }
    bool operator()(const PolicyCondition::InRange& c) const {
        const auto n = number();
        return n && c.min <= *n && *n <= c.max;
    }
    bool operator()(const PolicyCondition::Present&) const { return value.has_value(); }
    bool operator()(const PolicyCondition::Absent&) const { return !value.has_value(); }

    std::optional<std::int64_t> number() const { return value ? parse_canonical_i64(*value) : std::nullopt; }
};

}  // namespace

bool PolicyCondition::matches(std::optional<std::string_view> value) const {
    return std::visit(Matcher{value}, variant_);
}

std::optional<std::int64_t> parse_canonical_i64(std::string_view text) {
    // Hand-parsed on ASCII digits: std::from_chars would take "05" and stop
    // early at "5 ".
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
    if (i == text.size()) return std::nullopt;

    constexpr std::uint64_t max_magnitude = std::uint64_t{1} << 63;  // |INT64_MIN|
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (max_magnitude - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    if (!negative && magnitude > max_magnitude - 1) return std::nullopt;
    const std::int64_t number =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);

    // Only the canonical spelling: written back, it must give the same bytes.
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, number).ptr;
    if (std::string_view(digits, static_cast<std::size_t>(written - digits)) != text) return std::nullopt;
    return number;
}

}  // namespace orrincore_policy::eval
