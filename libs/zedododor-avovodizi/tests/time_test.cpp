#include <zedododor_avovodizi/time.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

using orrincore_error::Validation;
using zedododor_avovodizi::time::Timestamp;

Timestamp read(std::string_view text) {
    const auto t = Timestamp::from_str(text);
    EXPECT_TRUE(t.has_value()) << text << ": " << t.error().message();
    return t.value_or(Timestamp::earliest());
}

struct GoodText {
    std::string text;
    std::string written;
};

class ReadingAccepts : public testing::TestWithParam<GoodText> {};

TEST_P(ReadingAccepts, AndWritesBackWhatReadsAgain) {
    const auto& [text, written] = GetParam();
    const Timestamp t = read(text);
    EXPECT_EQ(t.to_rfc3339(), written);
    EXPECT_EQ(read(written), t);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingAccepts,
    testing::Values(GoodText{"2026-03-01T12:00:00+02:00", "2026-03-01T10:00:00Z"},
                    GoodText{"2026-03-01T12:00:00-23:59", "2026-03-02T11:59:00Z"},
                    GoodText{"2026-03-01t12:00:00z", "2026-03-01T12:00:00Z"},
                    GoodText{"2026-03-01 12:00:00Z", "2026-03-01T12:00:00Z"},
                    GoodText{"2026-03-01x12:00:00Z", "2026-03-01T12:00:00Z"},  // any separator byte
                    GoodText{"2026-03-01T12:00:00.5Z", "2026-03-01T12:00:00.5Z"},
                    GoodText{"2026-03-01T12:00:00.12345Z", "2026-03-01T12:00:00.12345Z"},
                    GoodText{"2026-03-01T12:00:00.000000001Z", "2026-03-01T12:00:00.000000001Z"},
                    GoodText{"2026-03-01T12:00:00.000Z", "2026-03-01T12:00:00Z"},
                    // Digits after the ninth are dropped, never rounded.
                    GoodText{"2026-03-01T12:00:00.1234567891Z", "2026-03-01T12:00:00.123456789Z"},
                    GoodText{"2026-03-01T12:00:00.99999999999999Z", "2026-03-01T12:00:00.999999999Z"},
                    GoodText{"2024-02-29T00:00:00Z", "2024-02-29T00:00:00Z"},
                    GoodText{"0000-02-29T00:00:00Z", "0000-02-29T00:00:00Z"},
                    GoodText{"2000-02-29T00:00:00Z", "2000-02-29T00:00:00Z"},
                    GoodText{"1969-12-31T23:59:59.5Z", "1969-12-31T23:59:59.5Z"},
                    // A leap second is the last nanosecond of a UTC month; its fraction is replaced.
                    GoodText{"2016-12-31T23:59:60Z", "2016-12-31T23:59:59.999999999Z"},
                    GoodText{"2016-06-30T23:59:60.25Z", "2016-06-30T23:59:59.999999999Z"},
                    GoodText{"2017-01-01T00:59:60+01:00", "2016-12-31T23:59:59.999999999Z"},
                    // The ends of what can be read.
                    GoodText{"0000-01-01T00:00:00Z", "0000-01-01T00:00:00Z"},
                    GoodText{"0000-01-01T01:00:00+01:00", "0000-01-01T00:00:00Z"},
                    GoodText{"9999-12-31T23:59:60Z", "9999-12-31T23:59:59.999999999Z"},
                    GoodText{"9999-12-31T23:59:59.999999999Z", "9999-12-31T23:59:59.999999999Z"},
                    GoodText{"9999-12-31T23:59:59.999999999-00:00", "9999-12-31T23:59:59.999999999Z"}));

struct BadText {
    std::string text;
    std::string reason;
};

class ReadingRefuses : public testing::TestWithParam<BadText> {};

TEST_P(ReadingRefuses, WithTheFirstFailure) {
    const auto& [text, reason] = GetParam();
    const auto t = Timestamp::from_str(text);
    ASSERT_FALSE(t.has_value()) << t->to_rfc3339();
    ASSERT_TRUE(t.error().is<Validation>());
    EXPECT_EQ(t.error().message(), "validation failed: invalid RFC 3339 timestamp \"" + text + "\": " + reason);
}

std::string parse(std::string_view component) {
    return "the '" + std::string(component) + "' component could not be parsed";
}
std::string range(std::string_view component) { return std::string(component) + " was not in range"; }
const std::string kLiteral = "a character literal was not valid";
const std::string trailing_characters = "unexpected trailing characters; the end of input was expected";

INSTANTIATE_TEST_SUITE_P(
    Grammar, ReadingRefuses,
    testing::Values(BadText{"", parse("year")}, BadText{"-001-01-01T00:00:00Z", parse("year")},
                    BadText{"+2026-03-01T12:00:00Z", parse("year")}, BadText{"202-03-01T12:00:00Z", parse("year")},
                    BadText{"-62167221000", parse("year")},  // how a time before year 0 is written
                    BadText{"2026/03/01T12:00:00Z", kLiteral}, BadText{"2026-3-01T12:00:00Z", parse("month")},
                    BadText{"2026-00-01T12:00:00Z", parse("month")}, BadText{"2026-03-1T12:00:00Z", parse("day")},
                    BadText{"2026-03-01", parse("separator")}, BadText{"2026-03-01T", parse("hour")},
                    BadText{"2026-03-01T12-00:00Z", kLiteral}, BadText{"2026-03-01T12:0:00Z", parse("minute")},
                    BadText{"2026-03-01T12:00", kLiteral}, BadText{"2026-03-01T12:00:0Z", parse("second")},
                    BadText{"2026-03-01T12:00:00.Z", parse("subsecond")},
                    BadText{"2026-03-01T12:00:00", parse("offset hour")},
                    BadText{"2026-03-01T12:00:00 +01:00", parse("offset hour")},
                    BadText{"2026-03-01T12:00:00+1:00", parse("offset hour")},
                    BadText{"2026-03-01T12:00:00+24:00", parse("offset hour")},
                    BadText{"2026-03-01T12:00:00+0200", kLiteral},
                    BadText{"2026-03-01T12:00:00+02:", parse("offset minute")},
                    BadText{"2026-03-01T12:00:00+02:60", range("offset minute")},
                    BadText{"2026-03-01T12:00:00+02:60x", range("offset minute")},
                    BadText{"2026-03-01T12:00:00Zx", trailing_characters},
                    BadText{"2026-03-01T12:00:00+02:00 ", trailing_characters}));

INSTANTIATE_TEST_SUITE_P(
    Values, ReadingRefuses,
    testing::Values(
        // The grammar is read to its end before any value is checked.
        BadText{"2026-02-30T12:00:00", parse("offset hour")}, BadText{"2026-13-01T12:00:00Zx", trailing_characters},
        BadText{"2026-13-01T24:00:00Z", range("month")}, BadText{"2026-02-30T12:00:00Z", range("day")},
        BadText{"2023-02-29T00:00:00Z", range("day")}, BadText{"1900-02-29T00:00:00Z", range("day")},
        BadText{"2026-04-31T00:00:00Z", range("day")}, BadText{"2026-03-00T12:00:00Z", range("day")},
        BadText{"2026-03-01T24:00:00Z", range("hour")}, BadText{"2026-03-01T12:60:00Z", range("minute")},
        BadText{"2026-03-01T12:00:61Z", range("second")}, BadText{"2016-12-30T23:59:60Z", range("second")},
        BadText{"2016-12-31T23:58:60Z", range("second")},
        // The leap second is judged in UTC, after the offset.
        BadText{"2016-12-31T23:59:60+01:00", range("second")},
        // Outside what can be written and read back.
        BadText{"0000-01-01T00:30:00+01:00", "year was not in range"},
        BadText{"0000-01-01T00:59:59.999999999+01:00", "year was not in range"},
        BadText{"9999-12-31T23:30:00-01:00", "year was not in range"},
        BadText{"9999-12-31T23:59:60-00:01", range("second")}));

TEST(ReadingMessage, QuotesTheInput) {
    const auto t = Timestamp::from_str("say \"x\"\t\\");
    ASSERT_FALSE(t.has_value());
    EXPECT_EQ(t.error().message(),
              "validation failed: invalid RFC 3339 timestamp \"say \\\"x\\\"\\t\\\\\": " + parse("year"));
}

TEST(Writing, KeepsFlooredUnixSecondsBeforeYearZero) {
    struct Case {
        std::int64_t seconds;
        std::uint32_t nanos;
        std::string written;
    };
    for (const auto& [seconds, nanos, written] : {
             Case{0, 0, "1970-01-01T00:00:00Z"},
             Case{-1, 500'000'000, "1969-12-31T23:59:59.5Z"},
             Case{-62'167'219'200, 0, "0000-01-01T00:00:00Z"},
             Case{-62'167'221'000, 0, "-62167221000"},            // -0001-12-31T23:30:00Z
             Case{-62'167'219'201, 999'999'999, "-62167219201"},  // the nanoseconds dropped
             Case{Timestamp::earliest_unix_seconds, 0, "-377705116800"},
             Case{Timestamp::latest_unix_seconds, 999'999'999, "9999-12-31T23:59:59.999999999Z"},
         }) {
        const auto t = Timestamp::from_unix(seconds, nanos);
        ASSERT_TRUE(t.has_value()) << seconds;
        EXPECT_EQ(t->to_rfc3339(), written);
        EXPECT_EQ(t->to_rfc3339(), written);
    }
    EXPECT_EQ(read("1969-12-31T23:59:59.5Z").unix_seconds(), -1);
    EXPECT_EQ(read("1969-12-31T23:59:59.5Z").nanos(), 500'000'000u);
    EXPECT_EQ(read("1970-01-31T00:00:00Z").debug_form(), "Timestamp(1970-01-31T00:00:00Z)");
}

TEST(FromUnix, RefusesWhatNoTimestampHolds) {
    EXPECT_FALSE(Timestamp::from_unix(0, 1'000'000'000).has_value());
    EXPECT_FALSE(Timestamp::from_unix(Timestamp::earliest_unix_seconds - 1, 0).has_value());
    EXPECT_FALSE(Timestamp::from_unix(Timestamp::latest_unix_seconds + 1, 0).has_value());
    EXPECT_EQ(Timestamp::from_unix(Timestamp::earliest_unix_seconds, 0), Timestamp::earliest());
}

TEST(SaturatingAddSeconds, MovesOrClampsByTheSign) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        Timestamp start;
        std::int64_t seconds;
        Timestamp expected;
    };
    for (const auto& [start, seconds, expected] : {
             Case{read("2026-03-01T12:00:00.5Z"), 0, read("2026-03-01T12:00:00.5Z")},
             Case{read("2024-02-28T12:00:00.5Z"), 86'400, read("2024-02-29T12:00:00.5Z")},
             Case{read("2024-02-28T12:00:00Z"), 100'000LL * 86'400, read("2297-12-13T12:00:00Z")},
             Case{read("1970-01-01T00:00:00Z"), -1, read("1969-12-31T23:59:59Z")},
             Case{read("2026-03-01T12:00:00Z"), kMax, Timestamp::latest()},
             Case{read("2026-03-01T12:00:00Z"), kMin, Timestamp::earliest()},
             Case{read("9999-12-31T23:59:58Z"), 1, read("9999-12-31T23:59:59Z")},
             // Past the end the result is the latest instant, nanoseconds included.
             Case{read("9999-12-31T23:59:59Z"), 1, Timestamp::latest()},
             Case{Timestamp::latest(), 0, Timestamp::latest()},
             Case{Timestamp::earliest(), 0, Timestamp::earliest()},
             Case{Timestamp::earliest(), -1, Timestamp::earliest()},
             Case{Timestamp::earliest(), kMax, Timestamp::latest()},
             Case{Timestamp::latest(), kMin, Timestamp::earliest()},
             Case{read("0000-01-01T00:00:00.25Z"), -1, *Timestamp::from_unix(-62'167'219'201, 250'000'000)},
         }) {
        EXPECT_EQ(start.saturating_add_seconds(seconds), expected) << start.to_rfc3339() << " + " << seconds;
    }
}

TEST(Comparison, IsStrictAndCountsNanoseconds) {
    const Timestamp a = read("2026-03-01T12:00:00.000000001Z");
    const Timestamp b = read("2026-03-01T12:00:00.000000002Z");
    EXPECT_TRUE(a.is_before(b));
    EXPECT_FALSE(a.is_after(b));
    EXPECT_TRUE(b.is_after(a));
    EXPECT_FALSE(b.is_before(a));
    EXPECT_FALSE(a.is_before(a));
    EXPECT_FALSE(a.is_after(a));
}

TEST(Now, ReadsTheWallClock) {
    const Timestamp now = Timestamp::now();
    EXPECT_TRUE(now.is_after(read("2024-01-01T00:00:00Z")));
    EXPECT_LE(now.nanos(), Timestamp::max_nanos);
    EXPECT_FALSE(now.is_after(Timestamp::now()));
}

}  // namespace
