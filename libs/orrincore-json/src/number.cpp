// Numbers: integers are kept exact while they fit in 64 bits; everything else
// becomes a double built from the decimal significand and a power of ten.

#include <array>
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

// 1e0 .. 1e308, each the correctly rounded double, as the compiler reads
// the literals.
constexpr std::array<double, 309> powers_of_ten = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
    1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19,
    1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26, 1e27, 1e28, 1e29,
    1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38, 1e39,
    1e40, 1e41, 1e42, 1e43, 1e44, 1e45, 1e46, 1e47, 1e48, 1e49,
    1e50, 1e51, 1e52, 1e53, 1e54, 1e55, 1e56, 1e57, 1e58, 1e59,
    1e60, 1e61, 1e62, 1e63, 1e64, 1e65, 1e66, 1e67, 1e68, 1e69,
    1e70, 1e71, 1e72, 1e73, 1e74, 1e75, 1e76, 1e77, 1e78, 1e79,
    1e80, 1e81, 1e82, 1e83, 1e84, 1e85, 1e86, 1e87, 1e88, 1e89,
    1e90, 1e91, 1e92, 1e93, 1e94, 1e95, 1e96, 1e97, 1e98, 1e99,
    1e100, 1e101, 1e102, 1e103, 1e104, 1e105, 1e106, 1e107, 1e108, 1e109,
    1e110, 1e111, 1e112, 1e113, 1e114, 1e115, 1e116, 1e117, 1e118, 1e119,
    1e120, 1e121, 1e122, 1e123, 1e124, 1e125, 1e126, 1e127, 1e128, 1e129,
    1e130, 1e131, 1e132, 1e133, 1e134, 1e135, 1e136, 1e137, 1e138, 1e139,
    1e140, 1e141, 1e142, 1e143, 1e144, 1e145, 1e146, 1e147, 1e148, 1e149,
    1e150, 1e151, 1e152, 1e153, 1e154, 1e155, 1e156, 1e157, 1e158, 1e159,
    1e160, 1e161, 1e162, 1e163, 1e164, 1e165, 1e166, 1e167, 1e168, 1e169,
    1e170, 1e171, 1e172, 1e173, 1e174, 1e175, 1e176, 1e177, 1e178, 1e179,
    1e180, 1e181, 1e182, 1e183, 1e184, 1e185, 1e186, 1e187, 1e188, 1e189,
    1e190, 1e191, 1e192, 1e193, 1e194, 1e195, 1e196, 1e197, 1e198, 1e199,
    1e200, 1e201, 1e202, 1e203, 1e204, 1e205, 1e206, 1e207, 1e208, 1e209,
    1e210, 1e211, 1e212, 1e213, 1e214, 1e215, 1e216, 1e217, 1e218, 1e219,
    1e220, 1e221, 1e222, 1e223, 1e224, 1e225, 1e226, 1e227, 1e228, 1e229,
    1e230, 1e231, 1e232, 1e233, 1e234, 1e235, 1e236, 1e237, 1e238, 1e239,
    1e240, 1e241, 1e242, 1e243, 1e244, 1e245, 1e246, 1e247, 1e248, 1e249,
    1e250, 1e251, 1e252, 1e253, 1e254, 1e255, 1e256, 1e257, 1e258, 1e259,
    1e260, 1e261, 1e262, 1e263, 1e264, 1e265, 1e266, 1e267, 1e268, 1e269,
    1e270, 1e271, 1e272, 1e273, 1e274, 1e275, 1e276, 1e277, 1e278, 1e279,
    1e280, 1e281, 1e282, 1e283, 1e284, 1e285, 1e286, 1e287, 1e288, 1e289,
    1e290, 1e291, 1e292, 1e293, 1e294, 1e295, 1e296, 1e297, 1e298, 1e299,
    1e300, 1e301, 1e302, 1e303, 1e304, 1e305, 1e306, 1e307, 1e308,
};

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
    if (index_ >= input_.size()) return std::unexpected(error_here(std::string(messages::eof_value)));
    char c = input_[index_++];
    if (c == '0') {
        if (auto next = peek_raw(); next && is_digit(*next))
            return std::unexpected(error_at_next(std::string(messages::invalid_number)));
        return parse_number_tail(positive, 0);
    }
    if (c < '1' || c > '9') return std::unexpected(error_here(std::string(messages::invalid_number)));
    std::uint64_t significand = static_cast<std::uint64_t>(c - '0');
    while (index_ < input_.size() && is_digit(input_[index_])) {
        unsigned digit = static_cast<unsigned>(input_[index_] - '0');
        if (overflows(significand, digit, UINT64_MAX)) {
            // Beyond 64 bits: the remaining integer digits only scale the value.
            int exponent = 0;
            while (index_ < input_.size() && is_digit(input_[index_])) {
                ++index_;
                ++exponent;
            }
            ReadResult<double> value;
            if (peek_raw() == '.') value = parse_decimal(positive, significand, exponent);
            else if (auto e = peek_raw(); e == 'e' || e == 'E') value = parse_exponent(positive, significand, exponent);
            else value = float_from_parts(positive, significand, exponent);
            if (!value) return std::unexpected(std::move(value).error());
            return Number{Number::Kind::floating_point, 0, 0, *value};
        }
        ++index_;
        significand = significand * 10 + digit;
    }
    return parse_number_tail(positive, significand);
}

ReadResult<Number> Reader::parse_number_tail(bool positive, std::uint64_t significand) {
    auto next = peek_raw();
    if (next == '.' || next == 'e' || next == 'E') {
        auto value = next == '.' ? parse_decimal(positive, significand, 0) : parse_exponent(positive, significand, 0);
        if (!value) return std::unexpected(std::move(value).error());
        return Number{Number::Kind::floating_point, 0, 0, *value};
    }
    if (positive) return Number{Number::Kind::unsigned_integer, significand, 0, 0};
    // -0 and magnitudes beyond 2^63 are floating point.
    constexpr std::uint64_t int64_min_magnitude = std::uint64_t{1} << 63;
    if (significand == 0 || significand > int64_min_magnitude)
        return Number{Number::Kind::floating_point, 0, 0, -static_cast<double>(significand)};
    std::int64_t negative = significand == int64_min_magnitude ? INT64_MIN : -static_cast<std::int64_t>(significand);
    return Number{Number::Kind::negative_integer, 0, negative, 0};
}

ReadResult<double> Reader::parse_decimal(bool positive, std::uint64_t significand, int exponent) {
    ++index_;  // '.'
    bool any_digit = false;
    while (index_ < input_.size() && is_digit(input_[index_])) {
        unsigned digit = static_cast<unsigned>(input_[index_] - '0');
        any_digit = true;
        if (overflows(significand, digit, UINT64_MAX)) {
            // Digits past the 64-bit significand no longer change the value.
            while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
            break;
        }
        ++index_;
        significand = significand * 10 + digit;
        --exponent;
    }
    if (!any_digit) {
        return std::unexpected(error_at_next(
            std::string(index_ < input_.size() ? messages::invalid_number : messages::eof_value)));
    }
    if (auto e = peek_raw(); e == 'e' || e == 'E') return parse_exponent(positive, significand, exponent);
    return float_from_parts(positive, significand, exponent);
}

ReadResult<double> Reader::parse_exponent(bool positive, std::uint64_t significand, int starting_exponent) {
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
            return parse_exponent_overflow(positive, significand == 0, positive_exponent);
        exponent = exponent * 10 + static_cast<int>(digit);
    }
    int final_exponent = positive_exponent ? saturating_add(starting_exponent, exponent)
                                           : saturating_add(starting_exponent, -exponent);
    return float_from_parts(positive, significand, final_exponent);
}

ReadResult<double> Reader::parse_exponent_overflow(bool positive, bool zero_significand, bool positive_exponent) {
    if (!zero_significand && positive_exponent)
        return std::unexpected(error_here(std::string(messages::number_out_of_range)));
    while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
    return positive ? 0.0 : -0.0;
}

ReadResult<double> Reader::float_from_parts(bool positive, std::uint64_t significand, int exponent) {
    double value = static_cast<double>(significand);
    long long power = exponent;
    for (;;) {
        long long magnitude = power < 0 ? -power : power;
        if (magnitude < static_cast<long long>(powers_of_ten.size())) {
            if (power >= 0) {
                value *= powers_of_ten[static_cast<std::size_t>(magnitude)];
                if (std::isinf(value)) return std::unexpected(error_here(std::string(messages::number_out_of_range)));
            } else {
                value /= powers_of_ten[static_cast<std::size_t>(magnitude)];
            }
            break;
        }
        if (value == 0) break;
        if (power >= 0) return std::unexpected(error_here(std::string(messages::number_out_of_range)));
        value /= 1e308;
        power += 308;
    }
    return positive ? value : -value;
}

}  // namespace orrincore_json
