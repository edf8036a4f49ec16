// libFuzzer, or our driver (fuzz_driver.cpp), calls this once before the
// first input: the libraries are set up as the tool's main does.

#include <zedododor_avovodizi/initialize.hpp>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (auto ready = zedododor_avovodizi::initialize(); !ready) {
        std::fprintf(stderr, "%s\n", ready.error().message().c_str());
        std::abort();
    }
    return 0;
}
