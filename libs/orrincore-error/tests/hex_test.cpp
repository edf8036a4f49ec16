#include "orrincore_error/hex.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace orrincore_error::hex {
namespace {

TEST(HexDigitValue, OnlyTheTwentyTwoDigits) {
    const std::string digits = "0123456789abcdefABCDEF";
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const auto at = digits.find(c);
        EXPECT_EQ(digit_value(c), at == std::string::npos ? -1 : values[at]) << "byte " << byte;
    }
}

// Pairs are read in order up to the first that is not two digits; the
// bytes before it are filled, the rest left as they were.
TEST(HexDecode, ReadsPairsUpToTheFirstBadOne) {
    struct Case {
        const char* name;
        std::string digits;
        std::size_t read;
        std::array<std::uint8_t, 3> bytes;
    };
    const Case cases[] = {
        {"both cases", "0fA07e", 3, {0x0f, 0xa0, 0x7e}},
        {"bad high digit", "0fg07e", 1, {0x0f, 0xee, 0xee}},
        {"bad low digit", "0fa0 e", 2, {0x0f, 0xa0, 0xee}},
        {"first pair bad", "-10000", 0, {0xee, 0xee, 0xee}},
        {"a byte above ASCII",
         "0f\xc3\xa9"
         "ff",
         1,
         {0x0f, 0xee, 0xee}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::array<std::uint8_t, 3> out{0xee, 0xee, 0xee};
        EXPECT_EQ(decode(c.digits, out), c.read);
        EXPECT_EQ(out, c.bytes);
    }
    static_assert(decode("", {}) == 0);
}

TEST(HexLower, TwoZeroPaddedDigitsPerByteAppended) {
    const std::array<std::uint8_t, 5> bytes{0x00, 0x0f, 0xa0, 0x7e, 0xff};
    EXPECT_EQ(to_lower(bytes), "000fa07eff");
    EXPECT_EQ(to_lower({}), "");
    static_assert(lower_digits(0xa7) == std::array<char, 2>{'a', '7'});
    std::string out = "x:";
    append_lower(bytes, out);
    EXPECT_EQ(out, "x:000fa07eff");
}

}  // namespace
}  // namespace orrincore_error::hex
