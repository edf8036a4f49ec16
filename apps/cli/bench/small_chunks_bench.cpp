// Many small chunk files, the common archive (mail, documents, scans):
// `package seal` and `package verify` of 20,000 chunk files of 1 KiB, each
// run as its own process, against `b3sum --num-threads 1` (the reference
// BLAKE3 hasher) over the same files, turn about in one loop so that both
// see the same page cache and the same machine; and the peak resident memory
// of both commands over 100,000 such chunks against the size of the manifest
// file. The reported time is the tool's; `ratio` is tool / b3sum.
//
// The chunks are named relative to their folder, where the programs run: a
// hundred thousand of them fit on a command line only so, and only with a
// stack limit above the usual 8 MiB, a quarter of which bounds the
// arguments. The folder (about 110 MB) is made on first use and removed at
// exit.

#include <sys/resource.h>
#include <unistd.h>

#include <sodium.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "process.hpp"
#include "process_timing.hpp"
#include "sealing_folder.hpp"

namespace {

namespace fs = std::filesystem;
using vevizovuvazavad::bench::Args;
using vevizovuvazavad::bench::require;
using vevizovuvazavad::bench::run_process;
using Clock = std::chrono::steady_clock;

constexpr std::size_t timed_chunks = 20'000;
constexpr std::size_t memory_chunks = 100'000;
constexpr std::size_t chunk_size = 1024;
constexpr const char* b3sum = "/usr/bin/b3sum";

enum class Command { seal, verify };

class SmallChunks {
public:
    SmallChunks() : records_("small-chunks-bench") {
        raise_stack_limit();
        fs::create_directory(records_.folder() / "c");
        std::vector<std::uint8_t> noise(chunk_size * 1000);
        for (std::size_t i = 0; i < memory_chunks; ++i) {
            if (i % 1000 == 0) randombytes_buf(noise.data(), noise.size());
            names_.push_back(fmt::format("c/{:05}", i));
            std::ofstream file(records_.folder() / names_.back(), std::ios::binary);
            file.write(reinterpret_cast<const char*>(noise.data() + i % 1000 * chunk_size), chunk_size);
            require(static_cast<bool>(file.flush()), "cannot write " + names_.back());
        }
        // Sealed once each for `verify`.
        require(run_process(records_.seal_args(timed(), "timed"), folder()) == 0, "package seal");
        require(run_process(records_.seal_args(names_, "all"), folder()) == 0, "package seal");
    }

    static SmallChunks& get() {
        static SmallChunks chunks;
        return chunks;
    }

    std::string folder() const { return records_.folder().string(); }
    Args timed() const { return Args(names_.begin(), names_.begin() + timed_chunks); }
    const Args& all() const { return names_; }
    const vevizovuvazavad::bench::SealingFolder& records() const { return records_; }

private:
    static void raise_stack_limit() {
        rlimit limit{};
        require(::getrlimit(RLIMIT_STACK, &limit) == 0, "getrlimit");
        const rlim_t wanted = 64 << 20;
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
            limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
            require(::setrlimit(RLIMIT_STACK, &limit) == 0, "setrlimit");
        }
    }

    vevizovuvazavad::bench::SealingFolder records_;
    Args names_;
};

double milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

void BM_SmallChunksAgainstB3sum(benchmark::State& state, Command command) {
    if (!fs::exists(b3sum)) return state.SkipWithError("b3sum is missing: scripts/install-deps bench");
    auto& chunks = SmallChunks::get();
    const Args files = chunks.timed();
    const Args tool = command == Command::seal ? chunks.records().seal_args(files, "timed-again")
                                               : chunks.records().verify_args(files, "timed");
    Args reference = {b3sum, "--num-threads", "1"};
    reference.insert(reference.end(), files.begin(), files.end());
    require(run_process(reference, chunks.folder()) == 0, "b3sum");  // the page cache holds the files from here on

    const auto totals = vevizovuvazavad::bench::turn_about(
        state, [&] { return run_process(tool, chunks.folder()) == 0; },
        [&] { return run_process(reference, chunks.folder()) == 0; });
    if (!totals) return;
    const auto runs = static_cast<double>(state.iterations());
    state.counters["tool_ms"] = milliseconds(totals->measured) / runs;
    state.counters["b3sum_ms"] = milliseconds(totals->reference) / runs;
    state.counters["ratio"] = milliseconds(totals->measured) / milliseconds(totals->reference);
}
BENCHMARK_CAPTURE(BM_SmallChunksAgainstB3sum, seal, Command::seal)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SmallChunksAgainstB3sum, verify, Command::verify)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The peak resident memory of one run over 100,000 chunks, the chunk
// arguments included, against the size of the manifest file it writes or
// reads.
void BM_PeakMemoryOfManyChunks(benchmark::State& state, Command command) {
    auto& chunks = SmallChunks::get();
    const auto& records = chunks.records();
    const Args tool = command == Command::seal ? records.seal_args(chunks.all(), "all-again")
                                               : records.verify_args(chunks.all(), "all");
    if (!vevizovuvazavad::bench::record_peak(state, tool, chunks.folder())) return;
    const double manifest_bytes =
        static_cast<double>(fs::file_size(records.path(command == Command::seal ? "all-again-m.json" : "all-m.json")));
    const double peak_bytes = state.counters["peak_rss_MiB"] * (1 << 20);
    state.counters["manifest_MiB"] = manifest_bytes / (1 << 20);
    state.counters["peak_per_manifest"] = peak_bytes / manifest_bytes;
}
BENCHMARK_CAPTURE(BM_PeakMemoryOfManyChunks, seal, Command::seal)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PeakMemoryOfManyChunks, verify, Command::verify)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
