// libFuzzer, or our driver (fuzz_driver.cpp), calls this once before the
// first input: the libraries are set up as the tool's main does.

#include <orrincore_crypto/initialize.hpp>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (auto ready = orrincore_crypto::initialize(); !ready) {
        std::fprintf(stderr, "%s\n", ready.error().message().c_str());
        std::abort();
    }
    return 0;
}
