// Start-up cost of the tool: `retention show p.json` against /bin/true.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "files/record_file.hpp"
#include "process_timing.hpp"

namespace {

std::string write_policy(const std::filesystem::path& folder) {
    namespace ids = zedododor_avovodizi::ids;
    const auto policy = vuvadededoru_contracts::RetentionPolicy::create(
                            {.tenant_id = ids::TenantId::generate(),
                             .workspace_id = ids::WorkspaceId::generate(),
                             .name = "Mail",
                             .retention_class = orrincore_retention::RetentionClass::compliance,
                             .minimum_retention_days = 30,
                             .maximum_retention_days = 3650,
                             .disposition_behavior = vuvadededoru_contracts::DispositionBehavior::review_required},
                            zedododor_avovodizi::time::Timestamp::now())
                            .value();
    const std::string path = (folder / "p.json").string();
    if (!vevizovuvazavad::files::write_json(path, policy)) return {};
    return path;
}

void BM_RetentionShowAgainstTrue(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vevi-bench-XXXXXX").string();
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    vevizovuvazavad::bench::time_against_true(state, {VEVI_EXECUTABLE, "retention", "show", write_policy(folder)});
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RetentionShowAgainstTrue)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace
