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
