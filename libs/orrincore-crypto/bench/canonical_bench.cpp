#include "orrincore_crypto/canonical.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

using nlohmann::json;
namespace canonical = orrincore_crypto::canonical;

// A manifest-like record of about 1 MB: nested objects with ASCII keys, ids,
// sizes across the u64 range, negative offsets, flags, label arrays, and one
// text in four holding accented letters (half of them decomposed).
json sample_record() {
    json chunks = json::array();
    for (std::uint64_t i = 0; i < 2600; ++i) {
        json chunk = {
            {"object_id", "3f2b8c1e-9a4d-4e7b-8c21-" + std::to_string(100000000000 + i)},
            {"content_hash", "blake3:9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08"},
            {"size_bytes", i * 7919 + 18446744073709000000ULL},
            {"offset", -static_cast<std::int64_t>(i) * 4096},
            {"sealed", i % 3 == 0},
            {"previous", nullptr},
            {"labels", {"retention", "operational", "chunk-" + std::to_string(i)}},
            {"custody", {{"actor", {{"kind", "operator"}, {"name", "archive-service"}}}, {"sequence", i}}},
        };
        chunk["note"] =
            i % 4 == 0 ? (i % 8 == 0 ? "Re\u0301sume\u0301 du dossier n\u0303" : "R\u00e9sum\u00e9 du dossier \u00f1")
                       : "plain operational note for the chunk";
        chunks.push_back(std::move(chunk));
    }
    return {{"manifest_id", "0b6c2c7a-5d1e-4f3a-9e8b-2a1c0d9e8f7a"}, {"version", 3}, {"chunks", std::move(chunks)}};
}

void BM_ToCanonicalJson(benchmark::State& state) {
    const json record = sample_record();
    const std::size_t bytes = canonical::to_canonical_json(record)->size();
    for (auto _ : state) benchmark::DoNotOptimize(canonical::to_canonical_json(record));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.counters["record_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ToCanonicalJson)->Unit(benchmark::kMillisecond);

// The same record with one decomposed key after all the chunks: the bytes
// written before that key is met are thrown away and the full walk runs.
void BM_ToCanonicalJsonDecomposedKey(benchmark::State& state) {
    json record = sample_record();
    record["re\u0301sume\u0301"] = "last key";
    const std::size_t bytes = canonical::to_canonical_json(record)->size();
    for (auto _ : state) benchmark::DoNotOptimize(canonical::to_canonical_json(record));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ToCanonicalJsonDecomposedKey)->Unit(benchmark::kMillisecond);

void BM_Canonicalize(benchmark::State& state) {
    const json record = sample_record();
    const std::size_t bytes = canonical::to_canonical_json(record)->size();
    for (auto _ : state) benchmark::DoNotOptimize(canonical::canonicalize(record, {}));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_Canonicalize)->Unit(benchmark::kMillisecond);

void BM_WriteValue(benchmark::State& state) {
    const json record = *canonical::canonicalize(sample_record(), {});
    std::string out;
    for (auto _ : state) {
        out.clear();
        canonical::write_value(record, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_WriteValue)->Unit(benchmark::kMillisecond);

}  // namespace
