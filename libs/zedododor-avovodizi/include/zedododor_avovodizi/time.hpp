#pragma once
// `Timestamp`: an instant in UTC with nanosecond precision, from
// -9999-01-01T00:00:00Z to 9999-12-31T23:59:59.999999999Z. Held as whole
// Unix seconds (floored) plus 0..999999999 nanoseconds, because a 64-bit
// nanosecond count cannot reach either end of that range.

#include <orrincore_error/error.hpp>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zedododor_avovodizi::time {

class Timestamp {
public:
    static constexpr std::int64_t earliest_unix_seconds = -377'705'116'800;  // -9999-01-01T00:00:00Z
    static constexpr std::int64_t latest_unix_seconds = 253'402'300'799;     // 9999-12-31T23:59:59Z
    static constexpr std::uint32_t max_nanos = 999'999'999;

    static constexpr Timestamp earliest() { return Timestamp(earliest_unix_seconds, 0); }
    static constexpr Timestamp latest() { return Timestamp(latest_unix_seconds, max_nanos); }

    // The wall clock, with the nanoseconds it reports.
    static Timestamp now();

    // Nothing when the nanoseconds exceed 999999999 or the instant lies
    // outside the range.
    static constexpr std::optional<Timestamp> from_unix(std::int64_t seconds, std::uint32_t nanos) {
        if (nanos > max_nanos || seconds < earliest_unix_seconds || seconds > latest_unix_seconds) {
            return std::nullopt;
        }
        return Timestamp(seconds, nanos);
    }

    // RFC 3339 with any single byte as the date-time separator, "Z", "z" or a
    // numeric offset; a fraction cut (not rounded) to nanoseconds; second 60
    // only as the last second of a UTC month. Instants before
    // 0000-01-01T00:00:00Z or after the latest instant are refused, so that
    // whatever is read can be written and read back. Failure:
    // Validation "invalid RFC 3339 timestamp {quoted input}: {reason}".
    static orrincore_error::Result<Timestamp> from_str(std::string_view text);

    // "YYYY-MM-DDThh:mm:ss[.fraction]Z", the fraction without trailing zeros
    // and only when not zero. Before year 0: the signed decimal Unix seconds.
    std::string to_rfc3339() const;
    // The same text written into `out`; its length.
    static constexpr std::size_t longest_text = 30;
    std::size_t write_rfc3339(std::span<char, longest_text> out) const;
    // "Timestamp(<rfc3339>)", as shown inside the debug forms of verdicts.
    std::string debug_form() const;

    // This instant moved by `seconds`; out of range, the earliest instant for
    // a negative `seconds` and the latest otherwise.
    Timestamp saturating_add_seconds(std::int64_t seconds) const;

    constexpr bool is_before(const Timestamp& other) const { return *this < other; }
    constexpr bool is_after(const Timestamp& other) const { return *this > other; }

    constexpr std::int64_t unix_seconds() const { return seconds_; }
    constexpr std::uint32_t nanos() const { return nanos_; }

    friend constexpr bool operator==(const Timestamp&, const Timestamp&) = default;
    friend constexpr auto operator<=>(const Timestamp&, const Timestamp&) = default;

private:
    constexpr Timestamp(std::int64_t seconds, std::uint32_t nanos) : seconds_(seconds), nanos_(nanos) {}

    std::int64_t seconds_;
    std::uint32_t nanos_;
};

}  // namespace zedododor_avovodizi::time
