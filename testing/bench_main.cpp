// The main of the benchmark programs: the libraries are set up once, as the
// tool's main does, before any benchmark runs.

#include <benchmark/benchmark.h>
#include <orrincore_crypto/initialize.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (auto ready = orrincore_crypto::initialize(); !ready) {
        std::fprintf(stderr, "%s\n", ready.error().message().c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
