// Writing timestamps: every reference of a manifest writes several, through
// write_rfc3339 into a buffer of the record writer.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "zedododor_avovodizi/time.hpp"

namespace {

using zedododor_avovodizi::time::Timestamp;

// 1024 instants a few hours apart from 2024 on, with nanoseconds (argument
// 1) or on whole seconds (argument 0).
std::vector<Timestamp> instants(bool with_nanos) {
    std::vector<Timestamp> out;
    for (std::int64_t i = 0; i < 1024; ++i) {
        const auto nanos = with_nanos ? static_cast<std::uint32_t>(i * 7'654'321 % 1'000'000'000) : 0u;
        out.push_back(*Timestamp::from_unix(1'704'067'200 + i * 12'345, nanos));
    }
    return out;
}

void BM_WriteRfc3339(benchmark::State& state) {
    const auto times = instants(state.range(0) != 0);
    std::array<char, Timestamp::longest_text> text;
    for (auto _ : state) {
        for (const Timestamp& time : times) {
            benchmark::DoNotOptimize(time.write_rfc3339(text));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(times.size()));
}
BENCHMARK(BM_WriteRfc3339)->Arg(0)->Arg(1);

}  // namespace
