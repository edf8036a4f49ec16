#include "orrincore_crypto/initialize.hpp"

#include <gtest/gtest.h>

namespace orrincore_crypto {
namespace {

// The test main has initialised once already.
TEST(Initialize, SucceedsAgain) {
    const auto again = initialize();
    EXPECT_TRUE(again.has_value()) << again.error().message();
}

}  // namespace
}  // namespace orrincore_crypto
