// Reading and writing a large document: a list of 100,000 small records,
// our reader against nlohmann::json::parse on the same bytes, written whole
// or handed over block by block as record files are; and reading numbers
// with fractions and exponents.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "orrincore_json/document.hpp"
#include "orrincore_json/reader.hpp"
#include "orrincore_json/record.hpp"

namespace {

struct Entry {
    std::string object_id;
    std::string content_hash;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::uint32_t chunk_index = 0;
    bool encrypted = false;
    std::optional<std::string> storage_hint;
    std::optional<std::string> expires_at;
    std::vector<std::string> labels;
    std::string created_at;
};

}  // namespace

template <>
struct orrincore_json::Json<Entry> : orrincore_json::RecordJson<Entry> {
    static constexpr std::string_view name = "Entry";
    static constexpr auto fields = std::tuple{
        required("object_id", &Entry::object_id),
        required("content_hash", &Entry::content_hash),
        required("size", &Entry::size),
        required("offset", &Entry::offset),
        required("chunk_index", &Entry::chunk_index),
        required("encrypted", &Entry::encrypted),
        omittable("storage_hint", &Entry::storage_hint),
        omittable("expires_at", &Entry::expires_at),
        omittable_empty("labels", &Entry::labels),
        required("created_at", &Entry::created_at),
    };
};

namespace {

const std::vector<Entry>& entries() {
    static const std::vector<Entry> list = [] {
        std::vector<Entry> out;
        out.reserve(100000);
        for (std::uint32_t i = 0; i < 100000; ++i) {
            Entry e;
            e.object_id = fmt::format("{:08x}-1c2e-4a7b-8c2e-{:012x}", i * 2654435761u, i);
            e.content_hash = fmt::format("blake3:{:064x}", std::uint64_t{i} * 0x9E3779B97F4A7C15ull);
            e.size = 1048576 + i;
            e.offset = std::uint64_t{i} * 1048576;
            e.chunk_index = i;
            e.encrypted = i % 2 == 0;
            if (i % 3 == 0) e.storage_hint = "s3://archive-bucket/chunks";
            if (i % 5 == 0) e.expires_at = "2031-01-01T00:00:00Z";
            if (i % 4 != 0) e.labels = {"finance", fmt::format("batch-{}", i % 17)};
            e.created_at = "2024-05-01T10:00:00.123456789Z";
            out.push_back(std::move(e));
        }
        return out;
    }();
    return list;
}

const std::string& document() {
    static const std::string text = orrincore_json::to_pretty(entries());
    return text;
}

void BM_ReadRecords(benchmark::State& state) {
    const std::string& text = document();
    for (auto _ : state) {
        auto list = orrincore_json::parse<std::vector<Entry>>(text);
        if (!list || list->size() != 100000) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadRecords)->Unit(benchmark::kMillisecond);

void BM_NlohmannParse(benchmark::State& state) {
    const std::string& text = document();
    for (auto _ : state) {
        auto value = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_NlohmannParse)->Unit(benchmark::kMillisecond);

void BM_NlohmannOrderedParse(benchmark::State& state) {
    const std::string& text = document();
    for (auto _ : state) {
        auto value = nlohmann::ordered_json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_NlohmannOrderedParse)->Unit(benchmark::kMillisecond);

void BM_WritePretty(benchmark::State& state) {
    const auto& list = entries();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = orrincore_json::to_pretty(list);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WritePretty)->Unit(benchmark::kMillisecond);

void BM_WriteCompact(benchmark::State& state) {
    const auto& list = entries();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = orrincore_json::to_compact(list);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteCompact)->Unit(benchmark::kMillisecond);

void BM_WritePrettyStreamed(benchmark::State& state) {
    const auto& list = entries();
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        orrincore_json::write_pretty(list, [&bytes](std::string_view block) {
            benchmark::DoNotOptimize(block.data());
            bytes += block.size();
        });
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WritePrettyStreamed)->Unit(benchmark::kMillisecond);

// 100,000 numbers with fractions and exponents from 1e-300 to 1e300.
const std::string& fractions() {
    static const std::string text = [] {
        std::string out = "[";
        for (int i = 0; i < 100000; ++i) {
            if (i != 0) out += ',';
            out += fmt::format("{}.{}e{}", i % 97 + 1, i % 1000, i % 601 - 300);
        }
        return out + "]";
    }();
    return text;
}

void BM_ReadFractions(benchmark::State& state) {
    const std::string& text = fractions();
    for (auto _ : state) {
        orrincore_json::Reader reader(text);
        auto cursor = reader.begin_array("an array");
        double sum = 0;
        while (cursor && reader.next_element(*cursor).value_or(false)) {
            auto number = reader.read_number("a number");
            if (!number) return state.SkipWithError("read failed");
            sum += number->float_value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadFractions)->Unit(benchmark::kMillisecond);

}  // namespace
