#include "zedododor_avovodizi/time.hpp"

#include "civil.hpp"

#include <fmt/format.h>

#include <chrono>

namespace zedododor_avovodizi::time {

static_assert(Timestamp::kEarliestUnixSeconds ==
              civil::unix_seconds(date::year{-9999} / 1 / 1, 0));
static_assert(Timestamp::kLatestUnixSeconds ==
              civil::unix_seconds(date::year{9999} / 12 / 31, civil::kSecondsPerDay - 1));

Timestamp Timestamp::now() {
    // The clock counts 64-bit nanoseconds, which stay well inside the range.
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since_epoch);
    const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - seconds);
    return Timestamp(seconds.count(), static_cast<std::uint32_t>(nanos.count()));
}

std::string Timestamp::to_rfc3339() const {
    const auto [day, second_of_day] = civil::split(seconds_);
    const int year = static_cast<int>(day.year());
    if (year < 0) {
        return fmt::format("{}", seconds_);
    }
    std::string text = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", year,
                                   static_cast<unsigned>(day.month()),
                                   static_cast<unsigned>(day.day()), second_of_day / 3600,
                                   second_of_day / 60 % 60, second_of_day % 60);
    if (nanos_ != 0) {
        std::string fraction = fmt::format("{:09}", nanos_);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        text += '.';
        text += fraction;
    }
    text += 'Z';
    return text;
}

std::string Timestamp::debug_form() const { return fmt::format("Timestamp({})", to_rfc3339()); }

Timestamp Timestamp::saturating_add_seconds(std::int64_t seconds) const {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(seconds_, seconds, &sum) || sum < kEarliestUnixSeconds ||
        sum > kLatestUnixSeconds) {
        return seconds < 0 ? earliest() : latest();
    }
    return Timestamp(sum, nanos_);
}

}  // namespace zedododor_avovodizi::time
