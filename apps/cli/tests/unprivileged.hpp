#pragma once
// Root passes every permission check; while one of these lives, a test run
// as root runs the tool as the user nobody, so that a read-only folder
// refuses it as it refuses others. Real and effective user both change (root
// stays the saved one, to come back to), so that the tool is an ordinary
// process of nobody's. For other users it does nothing.

#include <unistd.h>

#include <gtest/gtest.h>

namespace vevizovuvazavad::testing {

class UnprivilegedWhileAlive {
public:
    UnprivilegedWhileAlive() : was_root_(::geteuid() == 0) {
        if (was_root_) {
            EXPECT_EQ(::setresuid(65534, 65534, 0), 0);
        }
    }
    ~UnprivilegedWhileAlive() {
        if (was_root_) {
            EXPECT_EQ(::setresuid(0, 0, 0), 0);
        }
    }
    UnprivilegedWhileAlive(const UnprivilegedWhileAlive&) = delete;
    UnprivilegedWhileAlive& operator=(const UnprivilegedWhileAlive&) = delete;

private:
    bool was_root_;
};

}  // namespace vevizovuvazavad::testing
