// `custody verify` of a chain-of-custody file of 100,000 events, run as a
// user runs it, against a bare loop of libsodium verifications of the same
// events' canonical bytes in this process; the two alternate in the same
// loop so that both see the same machine state. The tool's time includes
// starting, reading and parsing the file, the canonical form and the hash
// links; the goal is at most 1.5 times the bare loop. The counters also
// give the tool's peak resident memory against the file's size.
#include <sodium.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <orrincore_crypto/canonical.hpp>
#include <orrincore_error/hex.hpp>

#include "custody_chain_file.hpp"
#include "process.hpp"
#include "process_timing.hpp"

namespace {

using vevizovuvazavad::bench::MeasuredRun;
using vevizovuvazavad::bench::run_measured;

constexpr std::size_t event_count = 100'000;

struct ChainOnDisk {
    std::filesystem::path folder;
    std::string chain_path;
    std::string key_path;
    std::uintmax_t chain_bytes = 0;
    orrincore_crypto::VerifyingKey::Bytes public_key{};
    std::vector<orrincore_crypto::Signature> signatures;
    std::vector<std::string> canonical;  // each event's signed bytes, for the bare loop
};

void write_file(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

ChainOnDisk write_chain() {
    const auto key = orrincore_crypto::SigningKey::from_bytes({0x42});
    const auto events = vevizovuvazavad::testing::custody_events(key, event_count);
    std::string pattern = (std::filesystem::temp_directory_path() / "vevi-bench-XXXXXX").string();
    ChainOnDisk chain;
    chain.folder = ::mkdtemp(pattern.data());
    chain.chain_path = (chain.folder / "chain.json").string();
    chain.key_path = (chain.folder / "signer.key").string();
    write_file(chain.chain_path, vevizovuvazavad::testing::custody_chain_file(events));
    write_file(chain.key_path, orrincore_error::hex::to_lower(key.seed()));
    chain.chain_bytes = std::filesystem::file_size(chain.chain_path);
    chain.public_key = key.verifying_key().bytes();
    for (const auto& event : events) {
        chain.signatures.push_back(event.signature);
        chain.canonical.push_back(orrincore_crypto::canonical::to_canonical_json(event.event).value());
    }
    return chain;
}

int bare_verify(const ChainOnDisk& chain) {
    int failures = 0;
    for (std::size_t i = 0; i < chain.canonical.size(); ++i) {
        const auto& message = chain.canonical[i];
        failures += crypto_sign_verify_detached(chain.signatures[i].bytes.data(),
                                                reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                                                chain.public_key.data()) != 0;
    }
    return failures;
}

void BM_CustodyVerifyAgainstBareLoop(benchmark::State& state) {
    const ChainOnDisk chain = write_chain();
    const std::vector<std::string> tool = {VEVI_EXECUTABLE,  "custody",    "verify",      "--chain",
                                           chain.chain_path, "--key-file", chain.key_path};
    long peak_rss_kib = 0;
    const auto totals = vevizovuvazavad::bench::turn_about(
        state,
        [&] {
            const MeasuredRun run = run_measured(tool);
            peak_rss_kib = std::max(peak_rss_kib, run.peak_resident_kib);
            return run.status == 0;
        },
        [&] { return bare_verify(chain) == 0; }, "a verification failed");
    std::filesystem::remove_all(chain.folder);
    if (!totals) return;

    const auto runs = static_cast<double>(state.iterations());
    const double tool_ms = std::chrono::duration<double, std::milli>(totals->measured).count() / runs;
    const double bare_ms = std::chrono::duration<double, std::milli>(totals->reference).count() / runs;
    const double chain_mib = static_cast<double>(chain.chain_bytes) / (1024.0 * 1024.0);
    const double peak_rss_mib = static_cast<double>(peak_rss_kib) / 1024.0;
    state.counters["tool_ms"] = tool_ms;
    state.counters["bare_ms"] = bare_ms;
    state.counters["ratio"] = tool_ms / bare_ms;
    state.counters["chain_MiB"] = chain_mib;
    state.counters["peak_rss_MiB"] = peak_rss_mib;
    state.counters["rss_per_chain_byte"] = peak_rss_mib / chain_mib;
}
BENCHMARK(BM_CustodyVerifyAgainstBareLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
