#pragma once
// Unix seconds to and from the proleptic Gregorian calendar, through the date
// library's civil conversions only.

#include <date/date.h>

#include <chrono>
#include <cstdint>

namespace zedododor_avovodizi::time::civil {

constexpr std::int64_t seconds_per_day = 86'400;

struct DayAndSecond {
    date::year_month_day day;
    std::int64_t second_of_day;  // 0..86399, also before 1970
};

constexpr DayAndSecond split(std::int64_t unix_seconds) {
    const date::sys_seconds instant{std::chrono::seconds{unix_seconds}};
    const auto day = date::floor<date::days>(instant);
    return {date::year_month_day{day}, (instant - day).count()};
}

constexpr std::int64_t unix_seconds(const date::year_month_day& day, std::int64_t second_of_day) {
    return date::sys_days{day}.time_since_epoch().count() * seconds_per_day + second_of_day;
}

}  // namespace zedododor_avovodizi::time::civil
