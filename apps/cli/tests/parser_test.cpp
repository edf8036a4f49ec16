#include <gtest/gtest.h>

#include "run_tool.hpp"

namespace {

using vevizovuvazavad::testing::ToolFolder;

TEST(Smoke, Version) {
    ToolFolder folder;
    auto r = folder.run({"--version"});
    EXPECT_EQ(r.out, "vevizovuvazavad 0.1.0\n");
    EXPECT_EQ(r.status, 0);
}

}  // namespace
