// Reading RFC 3339 text. The whole grammar (offset and end of input included)
// is read before any value is range-checked, and the first failure decides.

#include "zedododor_avovodizi/time.hpp"

#include "civil.hpp"

#include <orrincore_error/text.hpp>

#include <fmt/format.h>

#include <expected>
#include <optional>

namespace zedododor_avovodizi::time {
namespace {

constexpr std::string_view bad_literal = "a character literal was not valid";
constexpr std::string_view trailing_characters = "unexpected trailing characters; the end of input was expected";
// Refusing instants outside what `to_rfc3339` writes as a date keeps every
// accepted text readable again after it is written.
constexpr std::string_view year_out_of_range = "year was not in range";
constexpr std::int64_t first_readable_second = civil::unix_seconds(date::year{0} / 1 / 1, 0);

std::unexpected<std::string> not_parsed(std::string_view component) {
    return std::unexpected(fmt::format("the '{}' component could not be parsed", component));
}

std::unexpected<std::string> not_in_range(std::string_view component) {
    return std::unexpected(fmt::format("{} was not in range", component));
}

std::unexpected<std::string> failure(std::string_view reason) { return std::unexpected(std::string(reason)); }

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ == text_.size(); }
    void skip() { ++pos_; }

    // Consumes `c` if it comes next.
    bool accept(char c) {
        if (at_end() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    // Consumes one ASCII digit if it comes next.
    std::optional<int> digit() {
        if (at_end() || text_[pos_] < '0' || text_[pos_] > '9') return std::nullopt;
        return text_[pos_++] - '0';
    }

    // Exactly `count` ASCII digits as a number.
    std::optional<int> number(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const auto d = digit();
            if (!d) return std::nullopt;
            value = value * 10 + *d;
        }
        return value;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// What the text says, before any value is checked.
struct Fields {
    int year, month, day, hour, minute, second;
    std::uint32_t nanos;
    std::int64_t offset_seconds;  // east of UTC
};

std::expected<Fields, std::string> read_fields(std::string_view text) {
    Cursor in(text);
    Fields f{};

    const auto year = in.number(4);
    if (!year) return not_parsed("year");
    if (!in.accept('-')) return failure(bad_literal);
    const auto month = in.number(2);
    if (!month || *month == 0) return not_parsed("month");
    if (!in.accept('-')) return failure(bad_literal);
    const auto day = in.number(2);
    if (!day) return not_parsed("day");
    if (in.at_end()) return not_parsed("separator");
    in.skip();  // any byte separates date and time
    const auto hour = in.number(2);
    if (!hour) return not_parsed("hour");
    if (!in.accept(':')) return failure(bad_literal);
    const auto minute = in.number(2);
    if (!minute) return not_parsed("minute");
    if (!in.accept(':')) return failure(bad_literal);
    const auto second = in.number(2);
    if (!second) return not_parsed("second");
    f = {*year, *month, *day, *hour, *minute, *second, 0, 0};

    if (in.accept('.')) {
        int digits = 0;
        while (const auto d = in.digit()) {
            if (digits < 9) f.nanos = f.nanos * 10 + static_cast<std::uint32_t>(*d);
            ++digits;  // digits past the ninth are dropped, not rounded
        }
        if (digits == 0) return not_parsed("subsecond");
        for (; digits < 9; ++digits) f.nanos *= 10;
    }

    if (!in.accept('Z') && !in.accept('z')) {
        int sign = 0;
        if (in.accept('+')) {
            sign = 1;
        } else if (in.accept('-')) {
            sign = -1;
        } else {
            return not_parsed("offset hour");
        }
        const auto offset_hour = in.number(2);
        if (!offset_hour || *offset_hour > 23) return not_parsed("offset hour");
        if (!in.accept(':')) return failure(bad_literal);
        const auto offset_minute = in.number(2);
        if (!offset_minute) return not_parsed("offset minute");
        if (*offset_minute > 59) return not_in_range("offset minute");
        f.offset_seconds = sign * (*offset_hour * 3600 + *offset_minute * 60);
    }
    if (!in.at_end()) return failure(trailing_characters);
    return f;
}

bool is_last_second_of_month(std::int64_t unix_seconds) {
    const auto [day, second_of_day] = civil::split(unix_seconds);
    return second_of_day == civil::seconds_per_day - 1 &&
           day.day() == date::year_month_day_last(day.year(), day.month() / date::last).day();
}

struct Instant {
    std::int64_t seconds;
    std::uint32_t nanos;
};

std::expected<Instant, std::string> to_utc(const Fields& f) {
    if (f.month > 12) return not_in_range("month");
    const date::year_month_day day{date::year{f.year}, date::month{static_cast<unsigned>(f.month)},
                                   date::day{static_cast<unsigned>(f.day)}};
    if (!day.ok()) return not_in_range("day");
    if (f.hour > 23) return not_in_range("hour");
    if (f.minute > 59) return not_in_range("minute");
    if (f.second > 60) return not_in_range("second");

    // A leap second is held as the last nanosecond before it.
    const bool leap_second = f.second == 60;
    const std::int64_t second_of_day = f.hour * 3600 + f.minute * 60 + (leap_second ? 59 : f.second);
    const std::uint32_t nanos = leap_second ? Timestamp::max_nanos : f.nanos;
    const std::int64_t seconds = civil::unix_seconds(day, second_of_day) - f.offset_seconds;

    if (leap_second && !is_last_second_of_month(seconds)) return not_in_range("second");
    if (seconds < first_readable_second || seconds > Timestamp::latest_unix_seconds) {
        return failure(year_out_of_range);
    }
    return Instant{seconds, nanos};
}

}  // namespace

orrincore_error::Result<Timestamp> Timestamp::from_str(std::string_view text) {
    const auto refused = [text](const std::string& reason) {
        return std::unexpected(orrincore_error::validation(
            fmt::format("invalid RFC 3339 timestamp {}: {}", orrincore_error::quoted_form(text), reason)));
    };
    const auto fields = read_fields(text);
    if (!fields) return refused(fields.error());
    const auto instant = to_utc(*fields);
    if (!instant) return refused(instant.error());
    return Timestamp(instant->seconds, instant->nanos);
}

}  // namespace zedododor_avovodizi::time
