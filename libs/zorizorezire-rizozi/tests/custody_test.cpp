#include "zorizorezire_rizozi/custody.hpp"

#include <gtest/gtest.h>

namespace {

using namespace zorizorezire_rizozi;

TEST(Custody, ProductIdIsTheToolsOwn) { EXPECT_EQ(custody::product_id().to_string(), "vuvadededoru"); }

}  // namespace
