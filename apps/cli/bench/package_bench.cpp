// `package seal` and `package verify` over chunk files, each run as its own
// process, against a bare loop in this process that reads the same files
// through a buffer of the same size and feeds BLAKE3's C API directly. They
// run turn about in one loop, so that both see the same page cache and the
// same machine. The reported time is the tool's; the counters give the
// throughput of both, the ratio tool / bare (1.0: as fast as the loop) and
// the part of the command's time that does not grow with the chunks. The
// tool's chunk reader is also set against the loop inside this process.
//
// The peak resident memory of the tool (counter peak_rss_MiB) is taken on
// chunks of 1 MiB and of 1 GiB, and on `package verify` of a sealed manifest
// of 200,000 references, against the size of that manifest file.
//
// The files live in one temporary folder under /tmp (about 2.2 GB), made on
// first use and removed at exit (sealing_folder.hpp).

#include <fcntl.h>
#include <unistd.h>

#include <blake3.h>
#include <sodium.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <orrincore_crypto/canonical.hpp>
#include <vevi_testing/record_states.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <vuvadededoru_contracts/package.hpp>

#include "files/chunk_file.hpp"
#include "files/record_file.hpp"
#include "files/seed_file.hpp"
#include "process.hpp"
#include "process_timing.hpp"
#include "sealing_folder.hpp"

namespace {

namespace fs = std::filesystem;
namespace ids = zedododor_avovodizi::ids;
namespace vc = vuvadededoru_contracts;
using vevizovuvazavad::bench::Args;
using vevizovuvazavad::bench::record_peak;
using vevizovuvazavad::bench::require;
using vevizovuvazavad::bench::run_process;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t mebibyte = 1 << 20;
constexpr std::uint64_t gibibyte = 1 << 30;
constexpr int small_file_count = 1000;
constexpr int large_manifest_references = 200'000;

void write_random_file(const fs::path& path, std::uint64_t size) {
    std::vector<std::uint8_t> block(std::min(size, 4 * mebibyte));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    require(fd >= 0, "cannot create " + path.string());
    for (std::uint64_t written = 0; written < size;) {
        randombytes_buf(block.data(), block.size());
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - written));
        require(::write(fd, block.data(), piece) == static_cast<ssize_t>(piece), "cannot write " + path.string());
        written += piece;
    }
    ::close(fd);
}

// Chunk files sealed together, and the name of their sealed outputs.
struct ChunkSet {
    std::string name;
    Args paths;
};

// A manifest of `count` references for `package`.
vc::ArchiveManifest manifest_of(const vc::ArchivePackage& package, int count,
                                zedododor_avovodizi::time::Timestamp now) {
    std::vector<orrincore_object::ObjectReference> refs;
    refs.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto content = fmt::format("chunk {}", i);
        refs.push_back({ids::ObjectId::generate(), package.tenant_id, package.workspace_id, package.source_product,
                        orrincore_object::ObjectKind::archive_object, orrincore_crypto::hash::blake3_hash(content),
                        content.size(), std::nullopt, std::nullopt, now, std::nullopt});
    }
    return vc::ArchiveManifest::create({.tenant_id = package.tenant_id,
                                        .workspace_id = package.workspace_id,
                                        .archive_package_id = package.id,
                                        .source_product = package.source_product,
                                        .object_refs = std::move(refs),
                                        .retention_policy_id = package.retention_policy_id,
                                        .legal_hold_active_at_seal = false,
                                        .created_at = now,
                                        .sealed_at = now})
        .value();
}

// The chunk files and records of every benchmark here: a pending package
// with its policy and seed file, each chunk set sealed once for `verify`.
class Corpus {
public:
    Corpus() : records_("package-bench") {
        write_random_file(records_.folder() / "large.bin", gibibyte);
        large_ = {"large", {path("large.bin")}};
        fs::create_directory(records_.folder() / "small");
        small_.name = "small";
        for (int i = 0; i < small_file_count; ++i) {
            small_.paths.push_back(path(fmt::format("small/{:04}.bin", i)));
            write_random_file(small_.paths.back(), mebibyte);
        }
        one_ = {"one", {small_.paths.front()}};
        write_random_file(records_.folder() / "empty.bin", 0);
        empty_ = {"empty", {path("empty.bin")}};
        for (const auto* chunks : {&large_, &small_, &one_, &empty_})
            require(run_process(seal_args(*chunks, chunks->name)) == 0, "package seal");
    }

    static Corpus& get() {
        static Corpus corpus;
        return corpus;
    }

    std::string path(std::string_view name) const { return records_.path(name); }

    // One chunk of 1 GiB, a thousand of 1 MiB, one of 1 MiB, one empty.
    const ChunkSet& large() const { return large_; }
    const ChunkSet& small() const { return small_; }
    const ChunkSet& one() const { return one_; }
    const ChunkSet& empty() const { return empty_; }

    Args seal_args(const ChunkSet& chunks, const std::string& out) const {
        return records_.seal_args(chunks.paths, out);
    }
    Args verify_args(const ChunkSet& chunks) const { return records_.verify_args(chunks.paths, chunks.name); }

    // A package sealed against a manifest of 200,000 references, made on
    // first use; the size of the manifest file.
    std::uint64_t large_manifest() {
        if (large_manifest_size_ == 0) large_manifest_size_ = write_large_manifest();
        return large_manifest_size_;
    }

private:
    std::uint64_t write_large_manifest() const {
        auto pending = vevizovuvazavad::files::read_json<vc::ArchivePackage>(path("pkg.json"));
        auto key = vevizovuvazavad::files::read_seed_file(path("key.seed"));
        require(pending && key, "cannot read the package or the key");
        const auto writing = pending->begin_writing().value();
        const auto now = zedododor_avovodizi::time::Timestamp::now();
        auto manifest = manifest_of(writing, large_manifest_references, now);
        const auto hash = manifest.manifest_hash().value();
        const auto sealed = vc::SealedManifest::seal(std::move(manifest), *key, ids::KeyId::generate()).value();
        const auto package = writing
                                 .seal({.manifest_hash = hash,
                                        .signer_key_id = sealed.signer_key_id,
                                        .size_bytes = sealed.manifest.total_size_bytes,
                                        .chunk_count = large_manifest_references,
                                        .retention_minimum_days = 30},
                                       now)
                                 .value();
        require(vevizovuvazavad::files::write_json(path("refs-m.json"), sealed).has_value(), "cannot write manifest");
        require(vevizovuvazavad::files::write_json(path("refs-s.json"), package).has_value(), "cannot write package");
        return fs::file_size(path("refs-m.json"));
    }

    vevizovuvazavad::bench::SealingFolder records_;
    ChunkSet large_;
    ChunkSet small_;
    ChunkSet one_;
    ChunkSet empty_;
    std::uint64_t large_manifest_size_ = 0;
};

// What the tool must keep up with: read and hash every file, nothing else.
std::uint64_t bare_read_and_hash(const Args& paths, std::vector<char>& buffer) {
    std::uint64_t total = 0;
    for (const auto& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        require(fd >= 0, "cannot open " + path);
        blake3_hasher hasher;
        blake3_hasher_init(&hasher);
        for (;;) {
            const ssize_t count = ::read(fd, buffer.data(), buffer.size());
            require(count >= 0, "cannot read " + path);
            if (count == 0) break;
            blake3_hasher_update(&hasher, buffer.data(), static_cast<std::size_t>(count));
            total += static_cast<std::uint64_t>(count);
        }
        ::close(fd);
        std::uint8_t digest[BLAKE3_OUT_LEN];
        blake3_hasher_finalize(&hasher, digest, sizeof digest);
        benchmark::DoNotOptimize(digest);
    }
    return total;
}

enum class Command { seal, verify };

const ChunkSet& chunks_of(std::int64_t set) {
    auto& corpus = Corpus::get();
    return set == 0 ? corpus.large() : corpus.small();
}

const char* label_of(std::int64_t set) { return set == 0 ? "1 x 1 GiB" : "1000 x 1 MiB"; }

Args command_args(Command command, const ChunkSet& chunks) {
    auto& corpus = Corpus::get();
    return command == Command::seal ? corpus.seal_args(chunks, "again") : corpus.verify_args(chunks);
}

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// The command against the bare loop, turn about. Counters: both
// throughputs, their ratio, and the cost of the command that does not grow
// with the chunks (fixed_ms: the same command over one empty chunk, run in
// the same loop: process start, records, signing and, for seal, two record
// files flushed to disk).
void BM_CommandAgainstBareLoop(benchmark::State& state, Command command) {
    auto& corpus = Corpus::get();
    const ChunkSet& chunks = chunks_of(state.range(0));
    state.SetLabel(label_of(state.range(0)));
    const Args tool = command_args(command, chunks);
    const Args fixed = command_args(command, corpus.empty());
    std::vector<char> buffer(vevizovuvazavad::files::chunk_read_size);
    bare_read_and_hash(chunks.paths, buffer);  // the page cache holds the files from here on

    Clock::duration tool_total{}, bare_total{}, fixed_total{};
    std::uint64_t bytes = 0;
    int first = 0;
    for (auto _ : state) {
        Clock::duration tool_time{};
        for (int turn = 0; turn < 3; ++turn) {
            const auto start = Clock::now();
            switch ((first + turn) % 3) {
            case 0:
                if (run_process(tool) != 0) return state.SkipWithError("the tool failed");
                tool_time = Clock::now() - start;
                tool_total += tool_time;
                break;
            case 1:
                bytes = bare_read_and_hash(chunks.paths, buffer);
                bare_total += Clock::now() - start;
                break;
            default:
                if (run_process(fixed) != 0) return state.SkipWithError("the tool failed");
                fixed_total += Clock::now() - start;
            }
        }
        first = (first + 1) % 3;
        state.SetIterationTime(seconds(tool_time));
    }
    const auto runs = static_cast<double>(state.iterations());
    const double tool_seconds = seconds(tool_total) / runs;
    const double bare_seconds = seconds(bare_total) / runs;
    state.counters["tool_MBps"] = static_cast<double>(bytes) / tool_seconds / 1e6;
    state.counters["bare_MBps"] = static_cast<double>(bytes) / bare_seconds / 1e6;
    state.counters["ratio"] = bare_seconds / tool_seconds;
    state.counters["fixed_ms"] = seconds(fixed_total) / runs * 1e3;
}
BENCHMARK_CAPTURE(BM_CommandAgainstBareLoop, seal, Command::seal)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CommandAgainstBareLoop, verify, Command::verify)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

// The tool's own chunk reading (files::digest_chunk_files, as both commands use it)
// in this process against the bare loop, turn about: the cost per byte
// without the process around it.
void BM_ChunkReadingAgainstBareLoop(benchmark::State& state) {
    const ChunkSet& chunks = chunks_of(state.range(0));
    state.SetLabel(label_of(state.range(0)));
    std::vector<char> buffer(vevizovuvazavad::files::chunk_read_size);
    bare_read_and_hash(chunks.paths, buffer);
    std::uint64_t bytes = 0;
    const auto totals = vevizovuvazavad::bench::turn_about(
        state,
        [&] {
            auto digests = vevizovuvazavad::files::digest_chunk_files(
                chunks.paths, [](std::size_t) { return vevizovuvazavad::files::ChunkReading{}; });
            if (!digests) {
                state.SkipWithError(digests.error().c_str());
                return false;
            }
            benchmark::DoNotOptimize(digests->data());
            return true;
        },
        [&] {
            bytes = bare_read_and_hash(chunks.paths, buffer);
            return true;
        });
    if (!totals) return;
    const auto runs = static_cast<double>(state.iterations());
    state.counters["tool_MBps"] = static_cast<double>(bytes) / (seconds(totals->measured) / runs) / 1e6;
    state.counters["bare_MBps"] = static_cast<double>(bytes) / (seconds(totals->reference) / runs) / 1e6;
    state.counters["ratio"] = seconds(totals->reference) / seconds(totals->measured);
}
BENCHMARK(BM_ChunkReadingAgainstBareLoop)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

// Peak resident memory of one run over one chunk of 1 MiB (argument 0) or
// 1 GiB (argument 1): the same whatever the chunk's size.
void BM_PeakMemory(benchmark::State& state, Command command) {
    auto& corpus = Corpus::get();
    state.SetLabel(state.range(0) == 0 ? "1 MiB chunk" : "1 GiB chunk");
    record_peak(state, command_args(command, state.range(0) == 0 ? corpus.one() : corpus.large()));
}
BENCHMARK_CAPTURE(BM_PeakMemory, seal, Command::seal)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PeakMemory, verify, Command::verify)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

// `package verify` of a manifest of 200,000 references (no chunk files):
// the peak resident memory against the manifest file's size.
void BM_VerifyLargeManifest(benchmark::State& state) {
    auto& corpus = Corpus::get();
    const auto file_size = corpus.large_manifest();
    if (!record_peak(state, {VEVI_EXECUTABLE, "package", "verify", "--package", corpus.path("refs-s.json"),
                             "--manifest", corpus.path("refs-m.json"), "--key-file", corpus.path("key.seed")}))
        return;
    const double peak_bytes = state.counters["peak_rss_MiB"] * 1024 * 1024;
    state.counters["manifest_MB"] = static_cast<double>(file_size) / 1e6;
    state.counters["peak_per_file_size"] = peak_bytes / static_cast<double>(file_size);
}
BENCHMARK(BM_VerifyLargeManifest)->Iterations(2)->Unit(benchmark::kMillisecond);

// The canonical bytes of a manifest of 200,000 references as the record
// entry writes them, field by field, against the walk of its whole value
// form (the tree it builds is several times the size of the bytes), turn
// about. The bytes are the same; the reported time is the record entry's.
void BM_ManifestCanonicalBytes(benchmark::State& state) {
    namespace canonical = orrincore_crypto::canonical;
    const auto package = vevi_testing::pending_package(zedododor_avovodizi::time::Timestamp::now());
    const auto manifest = manifest_of(package, large_manifest_references, zedododor_avovodizi::time::Timestamp::now());
    if (canonical::to_canonical_json(manifest) != canonical::to_canonical_json(orrincore_json::to_value(manifest)))
        return state.SkipWithError("the two walks differ");
    Clock::duration record_total{}, value_total{};
    for (auto _ : state) {
        auto start = Clock::now();
        benchmark::DoNotOptimize(canonical::to_canonical_json(manifest));
        const auto record_time = Clock::now() - start;
        start = Clock::now();
        benchmark::DoNotOptimize(canonical::to_canonical_json(orrincore_json::to_value(manifest)));
        value_total += Clock::now() - start;
        record_total += record_time;
        state.SetIterationTime(seconds(record_time));
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["record_ms"] = seconds(record_total) / runs * 1e3;
    state.counters["value_form_ms"] = seconds(value_total) / runs * 1e3;
}
BENCHMARK(BM_ManifestCanonicalBytes)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
