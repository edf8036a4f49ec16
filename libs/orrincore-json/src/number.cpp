// Numbers: integers are kept exact while they fit in 64 bits; everything else
// is read from its text by from_chars, the correctly rounded double.

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

#include <fmt/format.h>

#include "messages.hpp"
#include "orrincore_error/text.hpp"
#include "orrincore_json/reader.hpp"

namespace orrincore_json {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// significand * 10 + digit would not fit in `limit`.
constexpr bool overflows(std::uint64_t significand, unsigned digit, std::uint64_t limit) {
    return significand >= limit / 10 && (significand > limit / 10 || digit > limit % 10);
}

int saturating_add(int a, int b) {
    long long sum = static_cast<long long>(a) + b;
    if (sum > INT_MAX) return INT_MAX;
    if (sum < INT_MIN) return INT_MIN;
    return static_cast<int>(sum);
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
    std::uint64_t significand = static_cast<std::uint64_t>(c - '0');
    while (index_ < input_.size() && is_digit(input_[index_])) {
        unsigned digit = static_cast<unsigned>(input_[index_] - '0');
        if (overflows(significand, digit, UINT64_MAX)) {
            // Beyond 64 bits: the remaining integer digits only count toward the magnitude.
            int exponent = 0;
            while (index_ < input_.size() && is_digit(input_[index_])) {
                ++index_;
                ++exponent;
            }
            ReadResult<double> value;
            if (peek_raw() == '.') value = parse_decimal(start, significand, exponent);
            else if (auto e = peek_raw(); e == 'e' || e == 'E') value = parse_exponent(start, significand, exponent);
            else value = float_from_text(start, exponent);
            if (!value) return std::unexpected(std::move(value).error());
            return Number{Number::Kind::floating_point, 0, 0, *value};
        }
        ++index_;
        significand = significand * 10 + digit;
    }
    return parse_number_tail(start, significand);
}

ReadResult<Number> Reader::parse_number_tail(std::size_t start, std::uint64_t significand) {
    auto next = peek_raw();
    if (next == '.' || next == 'e' || next == 'E') {
        auto value = next == '.' ? parse_decimal(start, significand, 0) : parse_exponent(start, significand, 0);
        if (!value) return std::unexpected(std::move(value).error());
        return Number{Number::Kind::floating_point, 0, 0, *value};
    }
    if (input_[start] != '-') return Number{Number::Kind::unsigned_integer, significand, 0, 0};
    // -0 and magnitudes beyond 2^63 are floating point.
    constexpr std::uint64_t int64_min_magnitude = std::uint64_t{1} << 63;
    if (significand == 0 || significand > int64_min_magnitude)
        return Number{Number::Kind::floating_point, 0, 0, -static_cast<double>(significand)};
    std::int64_t negative = significand == int64_min_magnitude ? INT64_MIN : -static_cast<std::int64_t>(significand);
    return Number{Number::Kind::negative_integer, 0, negative, 0};
}

ReadResult<double> Reader::parse_decimal(std::size_t start, std::uint64_t significand, int exponent) {
    ++index_;  // '.'
    bool any_digit = false;
    while (index_ < input_.size() && is_digit(input_[index_])) {
        unsigned digit = static_cast<unsigned>(input_[index_] - '0');
        any_digit = true;
        if (overflows(significand, digit, UINT64_MAX)) {
            // Digits past the 64-bit significand no longer change the magnitude.
            while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
            break;
        }
        ++index_;
        significand = significand * 10 + digit;
        --exponent;
    }
    if (!any_digit) {
        return std::unexpected(
            error_at_next(std::string(index_ < input_.size() ? messages::invalid_number : messages::eof_value)));
    }
    if (auto e = peek_raw(); e == 'e' || e == 'E') return parse_exponent(start, significand, exponent);
    return float_from_text(start, exponent);
}

ReadResult<double> Reader::parse_exponent(std::size_t start, std::uint64_t significand, int starting_exponent) {
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
        if (overflows(static_cast<std::uint64_t>(exponent), digit, INT_MAX))
            return parse_exponent_overflow(start, significand == 0, positive_exponent);
        exponent = exponent * 10 + static_cast<int>(digit);
    }
    int final_exponent =
        positive_exponent ? saturating_add(starting_exponent, exponent) : saturating_add(starting_exponent, -exponent);
    return float_from_text(start, final_exponent);
}

ReadResult<double> Reader::parse_exponent_overflow(std::size_t start, bool zero_significand, bool positive_exponent) {
    if (!zero_significand && positive_exponent)
        return std::unexpected(error_here(std::string(messages::number_out_of_range)));
    while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
    return input_[start] == '-' ? -0.0 : 0.0;
}

ReadResult<double> Reader::float_from_text(std::size_t start, int exponent) {
    double value = 0;
    if (std::from_chars(input_.data() + start, input_.data() + index_, value).ec != std::errc::result_out_of_range)
        return value;
    // Too large or too small: a significand below 2^64 needs a power of ten
    // above 288 to pass the largest double, and one below -323 to fall under
    // the smallest subnormal, so the sign of `exponent` tells which.
    if (exponent >= 0) return std::unexpected(error_here(std::string(messages::number_out_of_range)));
    return input_[start] == '-' ? -0.0 : 0.0;
}

}  // namespace orrincore_json
