#include "zedododor_avovodizi/initialize.hpp"

#include <gtest/gtest.h>

namespace zedododor_avovodizi {
namespace {

// The test main has initialised once already.
TEST(Initialize, SucceedsAgain) {
    const auto again = initialize();
    EXPECT_TRUE(again.has_value()) << again.error().message();
}

}  // namespace
}  // namespace zedododor_avovodizi
