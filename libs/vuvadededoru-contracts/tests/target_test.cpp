#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "contracts_fixture.hpp"
#include "vuvadededoru_contracts/target.hpp"

namespace vuvadededoru_contracts {
namespace {

using contracts_fixture::refusal;
using zedododor_avovodizi::time::Timestamp;

const auto& kTenant = contracts_fixture::tenant;
const auto& kWorkspace = contracts_fixture::workspace;
const Timestamp kNow = vevi_testing::at("2024-01-01T08:00:00.5Z");

ContractResult<ArchiveTarget> create_target(std::string name, ArchiveTargetType type) {
    return ArchiveTarget::create(
        {.tenant_id = kTenant, .workspace_id = kWorkspace, .name = std::move(name), .target_type = type}, kNow);
}

TEST(ArchiveTargetCreate, BlankNameRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "field 'name' must not be empty"},
        {" \t \t", "field 'name' must not be empty"},
        {"\n\r\u2028", "field 'name' must not be empty"},
        {" vault ", "ok"},
    };
    for (const auto& [name, outcome] : cases) {
        auto target = create_target(name, ArchiveTargetType::s3_compatible);
        EXPECT_EQ(contracts_fixture::outcome(target), outcome) << name;
        if (target) {
            EXPECT_EQ(target->name, name);
        }
    }
}

TEST(ArchiveTargetCreate, NewTargetJson) {
    auto target = create_target("fixture", ArchiveTargetType::test_fixture);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->status, ArchiveTargetStatus::enabled);
    EXPECT_NE(target->id, create_target("fixture", ArchiveTargetType::test_fixture)->id);
    EXPECT_EQ(orrincore_json::to_pretty(*target), R"({
  "id": ")" + target->id.to_string() + R"(",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "name": "fixture",
  "target_type": "test_fixture",
  "status": "enabled",
  "created_at": "2024-01-01T08:00:00.5Z",
  "disabled_at": null
})");
}

constexpr const char* kDisabledTarget =
    R"({"id":"44444444-4444-4444-8444-444444444444","tenant_id":"11111111-1111-4111-8111-111111111111",)"
    R"("workspace_id":"22222222-2222-4222-8222-222222222222","name":"cold","target_type":"local_filesystem",)"
    R"("status":"disabled","created_at":"2024-01-01T00:00:00Z","disabled_at":null})";

TEST(ArchiveTargetJson, ObjectAndArrayForms) {
    // No disabled_at beside a disabled status: read without complaint, written back as null.
    auto sparse = orrincore_json::parse<ArchiveTarget>(
        R"({"status":"disabled","id":"44444444-4444-4444-8444-444444444444",)"
        R"("tenant_id":"11111111-1111-4111-8111-111111111111","workspace_id":"22222222-2222-4222-8222-222222222222",)"
        R"("name":"cold","target_type":{"local_filesystem":null},"created_at":"2024-01-01T00:00:00Z"})");
    ASSERT_TRUE(sparse) << sparse.error().message_with_position();
    EXPECT_EQ(orrincore_json::to_compact(*sparse), kDisabledTarget);

    auto from_array = orrincore_json::parse<ArchiveTarget>(
        R"(["44444444-4444-4444-8444-444444444444","11111111-1111-4111-8111-111111111111",)"
        R"("22222222-2222-4222-8222-222222222222","cold","local_filesystem","disabled","2024-01-01T00:00:00Z",null])");
    ASSERT_TRUE(from_array) << from_array.error().message_with_position();
    EXPECT_EQ(*from_array, *sparse);

    const std::string with_time =
        R"(["44444444-4444-4444-8444-444444444444","11111111-1111-4111-8111-111111111111",)"
        R"("22222222-2222-4222-8222-222222222222","cold","orrin_cloud","enabled","2024-01-01T00:00:00Z",)"
        R"("2024-02-01T00:00:00Z"])";
    auto dated = orrincore_json::parse<ArchiveTarget>(with_time);
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->disabled_at, Timestamp::from_str("2024-02-01T00:00:00Z"));
    auto again = orrincore_json::parse<ArchiveTarget>(orrincore_json::to_pretty(*dated));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *dated);
}

TEST(ArchiveTargetJson, Refusals) {
    const std::string target_types = "one of `orrin_cloud`, `s3_compatible`, `local_filesystem`, `test_fixture`";
    auto with = [](std::string_view from, std::string_view to) {
        return contracts_fixture::replaced(kDisabledTarget, from, to);
    };
    const std::pair<std::string, std::string> cases[] = {
        {with(R"("target_type":"local_filesystem",)", ""), "missing field `target_type`"},
        {with("local_filesystem", "s3"), "unknown variant `s3`, expected " + target_types},
        {with("local_filesystem", "Local_filesystem"), "unknown variant `Local_filesystem`, expected " + target_types},
        {with("local_filesystem", "TestFixture"), "unknown variant `TestFixture`, expected " + target_types},
        {with(R"("disabled")", R"("paused")"), "unknown variant `paused`, expected `enabled` or `disabled`"},
        {with(R"("cold")", "7"), "invalid type: integer `7`, expected a string"},
        {R"(["44444444-4444-4444-8444-444444444444","11111111-1111-4111-8111-111111111111",)"
         R"("22222222-2222-4222-8222-222222222222","cold","orrin_cloud","enabled","2024-01-01T00:00:00Z"])",
         "invalid length 7, expected struct ArchiveTarget with 8 elements"},
        {R"(["44444444-4444-4444-8444-444444444444","11111111-1111-4111-8111-111111111111",)"
         R"("22222222-2222-4222-8222-222222222222","cold","orrin_cloud","enabled","2024-01-01T00:00:00Z",null,1])",
         "trailing characters"},
        {"true", "invalid type: boolean `true`, expected struct ArchiveTarget"},
    };
    for (const auto& [input, message] : cases) EXPECT_EQ(refusal<ArchiveTarget>(input), message) << input;
}

TEST(ArchiveTargetEnumerations, WordsAndDebugNames) {
    const std::vector<orrincore_json::EnumEntry<ArchiveTargetType>> types = {
        {ArchiveTargetType::orrin_cloud, "orrin_cloud", "OrrinCloud"},
        {ArchiveTargetType::s3_compatible, "s3_compatible", "S3Compatible"},
        {ArchiveTargetType::local_filesystem, "local_filesystem", "LocalFilesystem"},
        {ArchiveTargetType::test_fixture, "test_fixture", "TestFixture"},
    };
    contracts_fixture::expect_names(types);
    // The command line reads a typed word as the JSON string of it.
    for (const auto& [type, word, debug] : types)
        EXPECT_EQ(orrincore_json::parse<ArchiveTargetType>("\"" + std::string(word) + "\""), type);
}

}  // namespace
}  // namespace vuvadededoru_contracts
