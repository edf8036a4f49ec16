// Numbers: integers are kept exact while they fit in 64 bits; everything else
// is read from its text by from_chars, the correctly rounded double. The
// scanner itself only checks the grammar and finds where the text ends.

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "messages.hpp"
#include "orrincore_error/text.hpp"
#include "orrincore_json/reader.hpp"

namespace orrincore_json {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// value * 10 + digit would not fit in `limit`.
constexpr bool overflows(std::uint64_t value, unsigned digit, std::uint64_t limit) {
    return value >= limit / 10 && (value > limit / 10 || digit > limit % 10);
}

// A number's digits before its exponent, without its sign: "-12.5e3" gives "12.5".
std::string_view digits_of(std::string_view number) {
    if (number.front() == '-') number.remove_prefix(1);
    return number.substr(0, number.find_first_of("eE"));
}

// Whether a number beyond double's range, `digits` (as digits_of gives them)
// times ten to the `exponent`, is too large rather than too small, that is
// at least 1: the place of its first nonzero digit tells, a count of digits.
bool too_large(std::string_view digits, int exponent) {
    const auto first = static_cast<long long>(std::min(digits.find_first_not_of("0."), digits.size()));
    const auto point = static_cast<long long>(std::min(digits.find('.'), digits.size()));
    // 1 for units, 2 for tens, 0 for tenths, -1 for hundredths, ...
    const long long place = first < point ? point - first : point - first + 1;
    return place + exponent > 0;
}

}  // namespace

std::string describe_float(double value) {
    if (value == 0) return std::signbit(value) ? "-0" : "0";
    // Shortest round-trip digits, then laid out in plain decimal.
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    std::string out;
    if (text.front() == '-') {
        out.push_back('-');
        text.remove_prefix(1);
    }
    auto e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.') digits.push_back(c);
    int exponent = 0;
    std::string_view exponent_text = text.substr(e + 1);
    if (exponent_text.front() == '+') exponent_text.remove_prefix(1);
    std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);
    const int integer_digits = exponent + 1;
    const int count = static_cast<int>(digits.size());
    if (integer_digits <= 0) {
        out.append("0.").append(static_cast<std::size_t>(-integer_digits), '0').append(digits);
    } else if (integer_digits < count) {
        out.append(digits, 0, static_cast<std::size_t>(integer_digits))
            .append(".")
            .append(digits, static_cast<std::size_t>(integer_digits));
    } else {
        out.append(digits).append(static_cast<std::size_t>(integer_digits - count), '0');
    }
    return out;
}

std::string describe_string(std::string_view text) { return "string " + orrincore_error::quoted_form(text); }

std::string Number::describe() const {
    switch (kind) {
    case Kind::unsigned_integer: return fmt::format("integer `{}`", unsigned_value);
    case Kind::negative_integer: return fmt::format("integer `{}`", negative_value);
    case Kind::floating_point: break;
    }
    return "floating point `" + describe_float(float_value) + "`";
}

ReadResult<Number> Reader::parse_number(bool positive) {
    // Floats are read back from the text, its sign (already consumed) included.
    const std::size_t start = positive ? index_ : index_ - 1;
    if (index_ >= input_.size()) return std::unexpected(error_here(std::string(messages::eof_value)));
    char c = input_[index_++];
    if (c == '0') {
        if (auto next = peek_raw(); next && is_digit(*next))
            return std::unexpected(error_at_next(std::string(messages::invalid_number)));
        return parse_number_tail(start, 0);
    }
    if (c < '1' || c > '9') return std::unexpected(error_here(std::string(messages::invalid_number)));
    std::uint64_t magnitude = static_cast<std::uint64_t>(c - '0');
    while (index_ < input_.size() && is_digit(input_[index_])) {
        unsigned digit = static_cast<unsigned>(input_[index_] - '0');
        if (overflows(magnitude, digit, UINT64_MAX)) {
            // Beyond 64 bits: floating point, whatever follows.
            while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
            return parse_float_tail(start);
        }
        ++index_;
        magnitude = magnitude * 10 + digit;
    }
    return parse_number_tail(start, magnitude);
}

ReadResult<Number> Reader::parse_number_tail(std::size_t start, std::uint64_t magnitude) {
    if (auto next = peek_raw(); next == '.' || next == 'e' || next == 'E') return parse_float_tail(start);
    if (input_[start] != '-') return Number{Number::Kind::unsigned_integer, magnitude, 0, 0};
    // -0 and magnitudes beyond 2^63 are floating point.
    constexpr std::uint64_t int64_min_magnitude = std::uint64_t{1} << 63;
    if (magnitude == 0 || magnitude > int64_min_magnitude)
        return Number{Number::Kind::floating_point, 0, 0, -static_cast<double>(magnitude)};
    std::int64_t negative = magnitude == int64_min_magnitude ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    return Number{Number::Kind::negative_integer, 0, negative, 0};
}

ReadResult<Number> Reader::parse_float_tail(std::size_t start) {
    if (peek_raw() == '.') {
        ++index_;
        const std::size_t fraction = index_;
        while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
        if (index_ == fraction) {
            // Cut short by the end of the input, here as after its sign or its
            // `e`, a number read for a field is "EOF while parsing a value",
            // and a skipped one (skip_number) an "invalid number":
            // deliberately, as in serde_json, whose messages ours are and
            // which checks a value it reads and one it ignores apart.
            return std::unexpected(
                error_at_next(std::string(index_ < input_.size() ? messages::invalid_number : messages::eof_value)));
        }
    }
    ReadResult<double> value;
    if (auto e = peek_raw(); e == 'e' || e == 'E') value = parse_exponent(start);
    else value = float_from_text(start, 0);
    if (!value) return std::unexpected(std::move(value).error());
    return Number{Number::Kind::floating_point, 0, 0, *value};
}

ReadResult<double> Reader::parse_exponent(std::size_t start) {
    ++index_;  // 'e' or 'E'
    bool positive_exponent = true;
    if (auto sign = peek_raw(); sign == '+' || sign == '-') {
        positive_exponent = *sign == '+';
        ++index_;
    }
    if (index_ >= input_.size()) return std::unexpected(error_here(std::string(messages::eof_value)));
    char first = input_[index_++];
    if (!is_digit(first)) return std::unexpected(error_here(std::string(messages::invalid_number)));
    int exponent = first - '0';
    while (index_ < input_.size() && is_digit(input_[index_])) {
        unsigned digit = static_cast<unsigned>(input_[index_] - '0');
        ++index_;
        if (overflows(static_cast<std::uint64_t>(exponent), digit, INT_MAX)) {
            // Past any int: out of range at this digit, unless the number is
            // 0 or, its exponent negative, as good as 0.
            const bool zero = digits_of(input_.substr(start)).find_first_not_of("0.") == std::string_view::npos;
            if (positive_exponent && !zero)
                return std::unexpected(error_here(std::string(messages::number_out_of_range)));
            while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
            return input_[start] == '-' ? -0.0 : 0.0;
        }
        exponent = exponent * 10 + static_cast<int>(digit);
    }
    return float_from_text(start, positive_exponent ? exponent : -exponent);
}

ReadResult<double> Reader::float_from_text(std::size_t start, int exponent) {
    const std::string_view text = input_.substr(start, index_ - start);
    double value = 0;
    const std::errc error = std::from_chars(text.data(), text.data() + text.size(), value).ec;
    if (error == std::errc{}) return value;
    // The text has passed JSON's grammar, which from_chars reads whole, so
    // only its range can fail: any other error is a fault of the scanner.
    if (error != std::errc::result_out_of_range) std::unreachable();
    if (too_large(digits_of(text), exponent))
        return std::unexpected(error_here(std::string(messages::number_out_of_range)));
    return input_[start] == '-' ? -0.0 : 0.0;
}

}  // namespace orrincore_json
