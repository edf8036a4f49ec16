// The main of the test programs: the libraries are set up once, as the
// tool's main does, before any test runs.

#include <gtest/gtest.h>
#include <orrincore_crypto/initialize.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (auto ready = orrincore_crypto::initialize(); !ready) {
        std::fprintf(stderr, "%s\n", ready.error().message().c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
