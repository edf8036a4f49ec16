#include <fmt/format.h>
#include <gtest/gtest.h>
#include <vuvadededoru_contracts/target.hpp>

#include "files/record_file.hpp"
#include "run_tool.hpp"

namespace {

using vevizovuvazavad::testing::ToolFolder;
using vuvadededoru_contracts::ArchiveTarget;
using vuvadededoru_contracts::ArchiveTargetStatus;
using vuvadededoru_contracts::ArchiveTargetType;

ArchiveTarget target_in(const ToolFolder& folder, std::string_view name) {
    auto target = vevizovuvazavad::files::read_json<ArchiveTarget>(folder / name);
    EXPECT_TRUE(target) << target.error();
    return *target;
}

TEST(TargetNew, RegistersAnEnabledTargetThatShowReads) {
    ToolFolder folder;
    const auto registered =
        folder.run({"target", "new", "--name", " Vault ", "--target-type", "local_filesystem", "--out", "t.json"});
    ASSERT_EQ(registered.status, 0) << registered.err;
    const auto target = target_in(folder, "t.json");
    EXPECT_EQ(registered.out, fmt::format("archive target {} registered\n", target.id.to_string()));
    EXPECT_EQ(registered.err, "");
    EXPECT_EQ(target.name, " Vault ");
    EXPECT_EQ(target.target_type, ArchiveTargetType::local_filesystem);
    EXPECT_EQ(target.status, ArchiveTargetStatus::enabled);
    EXPECT_EQ(target.disabled_at, std::nullopt);
    EXPECT_EQ(folder.read("t.json"), orrincore_json::to_pretty(target));

    const auto shown = folder.run({"target", "show", "t.json"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, target.id.to_string() + " enabled=true\n");
    EXPECT_EQ(shown.err, "");

    // A disabled target can only come from elsewhere; its other fields do not
    // change the line.
    std::string disabled = folder.read("t.json");
    disabled.replace(disabled.find("\"enabled\""), 9, "\"disabled\"");
    disabled.replace(disabled.find("\"disabled_at\": null"), 19, "\"disabled_at\": \"2024-01-01T00:00:00Z\"");
    folder.write("disabled.json", disabled);
    EXPECT_EQ(folder.run({"target", "show", "disabled.json"}).out, target.id.to_string() + " enabled=false\n");
}

TEST(TargetNew, EveryTypeWordAndFreshIds) {
    ToolFolder folder;
    const std::vector<std::pair<std::string, ArchiveTargetType>> words = {
        {"orrin_cloud", ArchiveTargetType::orrin_cloud},
        {"s3_compatible", ArchiveTargetType::s3_compatible},
        {"local_filesystem", ArchiveTargetType::local_filesystem},
        {"test_fixture", ArchiveTargetType::test_fixture},
        {"\\u0073\\u0033_compatible", ArchiveTargetType::s3_compatible},
    };
    std::vector<ArchiveTarget> targets;
    for (const auto& [word, type] : words) {
        const auto run = folder.run({"target", "new", "--name", "t", "--target-type", word, "--out", "t.json"});
        ASSERT_EQ(run.status, 0) << word << ": " << run.err;
        targets.push_back(target_in(folder, "t.json"));
        EXPECT_EQ(targets.back().target_type, type) << word;
    }
    EXPECT_NE(targets[0].tenant_id, targets[1].tenant_id);
    EXPECT_NE(targets[0].workspace_id, targets[1].workspace_id);

    const auto given = folder.run({"target", "new", "--name", "t", "--target-type", "test_fixture", "--tenant",
                                   "6F9619FF8B86D011B42D00C04FC964FF", "--out", "t.json"});
    ASSERT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(target_in(folder, "t.json").tenant_id.to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964ff");
}

// The type word is tested before the name; nothing is written.
TEST(TargetNew, Refusals) {
    struct Case {
        std::string name;
        std::string type;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"t", "S3_compatible", R"(unknown target type "S3_compatible" (see --help))"},
        {"t", "s3-compatible", R"(unknown target type "s3-compatible" (see --help))"},
        {"t", "s3", R"(unknown target type "s3" (see --help))"},
        {"t", "", R"(unknown target type "" (see --help))"},
        {"  ", "s3", R"(unknown target type "s3" (see --help))"},
        {" \u3000 ", "orrin_cloud", "field 'name' must not be empty"},
    };
    for (const auto& c : cases) {
        ToolFolder folder;
        const auto run = folder.run({"target", "new", "--name", c.name, "--target-type", c.type, "--out", "t.json"});
        EXPECT_EQ(run.status, 1) << c.type;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "error: " + c.message + "\n");
        EXPECT_EQ(folder.entries(), std::vector<std::string>{});
    }
}

TEST(TargetJson, NewAndShowPrintTheTarget) {
    ToolFolder folder;
    const auto registered =
        folder.run({"target", "new", "--json", "--name", "Vault", "--target-type", "orrin_cloud", "--out", "t.json"});
    ASSERT_EQ(registered.status, 0) << registered.err;
    EXPECT_EQ(registered.out, orrincore_json::to_compact(target_in(folder, "t.json")) + "\n");
    const auto shown = folder.run({"--json", "target", "show", "t.json"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, registered.out);
    const auto missing = folder.run({"--json", "target", "show", "none.json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "error: none.json: No such file or directory (os error 2)\n");
}

}  // namespace
