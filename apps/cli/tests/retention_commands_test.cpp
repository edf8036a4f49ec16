#include <fmt/format.h>
#include <gtest/gtest.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "files/record_file.hpp"
#include "run_tool.hpp"
#include "tool_steps.hpp"

namespace {

using vevizovuvazavad::testing::ToolFolder;
using vevizovuvazavad::testing::expect_refused;
using vevizovuvazavad::testing::with_options;
using vuvadededoru_contracts::DispositionBehavior;
using vuvadededoru_contracts::RetentionPolicy;
using Args = std::vector<std::string>;

RetentionPolicy policy_in(const ToolFolder& folder, std::string_view name) {
    auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / name);
    EXPECT_TRUE(policy) << policy.error();
    return *policy;
}

Args new_policy(std::vector<std::string> extra) {
    Args args = {"retention", "new", "--name", "Mail", "--class", "compliance", "--min-days", "30", "--out", "p.json"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(RetentionNew, WritesThePolicyAndReportsIt) {
    ToolFolder folder;
    const auto run = folder.run(new_policy({}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto policy = policy_in(folder, "p.json");
    EXPECT_EQ(run.out, fmt::format("retention policy {} created: minimum 30d\n", policy.id.to_string()));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.read("p.json"), orrincore_json::to_pretty(policy));
    EXPECT_EQ(policy.name, "Mail");
    EXPECT_EQ(policy.retention_class, orrincore_retention::RetentionClass::compliance);
    EXPECT_EQ(policy.minimum_retention_days, 30u);
    EXPECT_EQ(policy.maximum_retention_days, std::nullopt);
    EXPECT_EQ(policy.disposition_behavior, DispositionBehavior::review_required);
    EXPECT_EQ(policy.version, 1u);
    EXPECT_EQ(policy.created_at, policy.updated_at);
    EXPECT_EQ(policy.retired_at, std::nullopt);
}

TEST(RetentionNew, OptionalArgumentsReachThePolicy) {
    ToolFolder folder;
    const auto accepted = folder.run({"retention", "new", "--name", "  Mail  ", "--class", "legal\\u005fhold",
                                      "--min-days", "30", "--max-days", "3650", "--automated-disposition", "--tenant",
                                      "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "--workspace",
                                      "urn:uuid:0e7f4b1a-2c3d-4e5f-8a9b-0c1d2e3f4a5b", "--out", "p.json"});
    ASSERT_EQ(accepted.status, 0) << accepted.err;
    const auto policy = policy_in(folder, "p.json");
    EXPECT_EQ(accepted.out,
              fmt::format("retention policy {} created: minimum 30d, maximum 3650d\n", policy.id.to_string()));
    EXPECT_EQ(policy.name, "  Mail  ");
    EXPECT_EQ(policy.retention_class, orrincore_retention::RetentionClass::legal_hold);
    EXPECT_EQ(policy.maximum_retention_days, 3650u);
    EXPECT_EQ(policy.disposition_behavior, DispositionBehavior::automated_allowed);
    EXPECT_EQ(policy.tenant_id.to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    EXPECT_EQ(policy.workspace_id.to_string(), "0e7f4b1a-2c3d-4e5f-8a9b-0c1d2e3f4a5b");
}

TEST(RetentionNew, EqualBoundsAreAcceptedAndFreshIdsDiffer) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy({"--max-days", "30"})).status, 0);
    ASSERT_EQ(
        folder.run({"retention", "new", "--name", "Mail", "--class", "debug", "--min-days", "0", "--out", "q.json"})
            .status,
        0);
    const auto first = policy_in(folder, "p.json");
    const auto second = policy_in(folder, "q.json");
    EXPECT_NE(first.id, second.id);
    EXPECT_NE(first.tenant_id, second.tenant_id);
    EXPECT_NE(first.workspace_id, second.workspace_id);
}

// Each refusal in the order the command tests: the class word, then the
// name, then the bounds, then the output file. Nothing is written.
TEST(RetentionNew, RefusalsInOrder) {
    struct Case {
        Args args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--class", "Compliance"}, R"(unknown retention class "Compliance" (see --help))"},
        {{"--class", "forever", "--name", "  "}, R"(unknown retention class "forever" (see --help))"},
        {{"--class", "compliance "}, R"(unknown retention class "compliance " (see --help))"},
        {{"--class", "a\"b"}, R"(unknown retention class "a\"b" (see --help))"},
        {{"--class", ""}, R"(unknown retention class "" (see --help))"},
        {{"--name", " \t"}, "field 'name' must not be empty"},
        {{"--name", ""}, "field 'name' must not be empty"},
        {{"--name", "  ", "--min-days", "31", "--max-days", "30"}, "field 'name' must not be empty"},
        {{"--min-days", "31", "--max-days", "30"}, "minimum retention (31d) exceeds maximum retention (30d)"},
        {{"--out", "missing/p.json"}, "missing/p.json: No such file or directory (os error 2)"},
    };
    for (const auto& c : cases) {
        ToolFolder folder;
        // Later values replace the defaults, each option once.
        const Args args = with_options(
            {"retention", "new", "--class", "compliance", "--name", "Mail", "--min-days", "30", "--out", "p.json"},
            c.args);
        SCOPED_TRACE(fmt::format("{}", fmt::join(args, " ")));
        expect_refused(folder.run(args), c.message);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{});
    }
}

TEST(RetentionExtend, ReplacesThePolicyFile) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy({"--max-days", "90"})).status, 0);
    const auto created = policy_in(folder, "p.json");

    const auto extended =
        folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"});
    ASSERT_EQ(extended.status, 0) << extended.err;
    const auto amended = policy_in(folder, "p.json");
    EXPECT_EQ(extended.out,
              fmt::format("retention policy {} extended: 30d -> 60d (version 2)\n", created.id.to_string()));
    EXPECT_EQ(extended.err, "");
    auto expected = created;
    expected.minimum_retention_days = 60;
    expected.version = 2;
    expected.updated_at = amended.updated_at;
    EXPECT_EQ(amended, expected);
    EXPECT_GE(amended.updated_at, created.updated_at);

    // The same minimum is accepted and still counts as a new version.
    const auto same = folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "q.json"});
    EXPECT_EQ(same.out, fmt::format("retention policy {} extended: 60d -> 60d (version 3)\n", created.id.to_string()));
    EXPECT_EQ(policy_in(folder, "q.json").version, 3u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"p.json", "q.json"}));
}

TEST(RetentionExtend, RefusalsWriteNothing) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy({"--max-days", "90"})).status, 0);
    std::string retired = folder.read("p.json");
    retired.replace(retired.find("\"retired_at\": null"), 18, "\"retired_at\": \"2024-01-01T00:00:00Z\"");
    folder.write("retired.json", retired);
    folder.write("empty.json", "");
    const std::string before = folder.read("p.json");

    struct Case {
        std::string policy;
        std::string min_days;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"p.json", "29", "retention cannot be shortened: requested 29d is less than the current 30d"},
        {"p.json", "91", "minimum retention (91d) exceeds maximum retention (90d)"},
        {"retired.json", "60", "retention policy is retired and cannot be amended"},
        {"retired.json", "1", "retention policy is retired and cannot be amended"},
        {"missing.json", "60", "missing.json: No such file or directory (os error 2)"},
        {"empty.json", "60", "empty.json: parse error: EOF while parsing a value at line 1 column 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.policy + " " + c.min_days);
        expect_refused(
            folder.run({"retention", "extend", "--policy", c.policy, "--min-days", c.min_days, "--out", "out.json"}),
            c.message);
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"empty.json", "p.json", "retired.json"}));
    EXPECT_EQ(folder.read("p.json"), before);
}

TEST(RetentionShow, PrintsMinimumMaximumAndRetired) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy({})).status, 0);
    ASSERT_EQ(folder
                  .run({"retention", "new", "--name", "Mail", "--class", "security", "--min-days", "7", "--max-days",
                        "3650", "--out", "bounded.json"})
                  .status,
              0);
    std::string retired = folder.read("p.json");
    retired.replace(retired.find("\"retired_at\": null"), 18, "\"retired_at\": \"2024-01-01T00:00:00Z\"");
    folder.write("retired.json", retired);
    const std::string id = policy_in(folder, "p.json").id.to_string();
    const std::string bounded_id = policy_in(folder, "bounded.json").id.to_string();

    struct Case {
        std::string file;
        std::string line;
    };
    for (const auto& c : {Case{"p.json", id + " minimum=30d maximum=None retired=false\n"},
                          Case{"bounded.json", bounded_id + " minimum=7d maximum=Some(3650) retired=false\n"},
                          Case{"retired.json", id + " minimum=30d maximum=None retired=true\n"}}) {
        const auto run = folder.run({"retention", "show", c.file});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, c.line);
        EXPECT_EQ(run.err, "");
    }
    expect_refused(folder.run({"retention", "show", "nothing.json"}),
                   "nothing.json: No such file or directory (os error 2)");
}

// A number of days written as a float is refused with the value it reads as,
// which must be the correctly rounded double: ties to even, digits past any
// fixed precision still deciding, subnormals kept. Only overflow is an error.
TEST(RetentionShow, FloatDaysAreRefusedWithTheirCorrectlyRoundedValue) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy({})).status, 0);
    const std::string policy = folder.read("p.json");
    const std::string days_field = "\"minimum_retention_days\": ";
    const auto days_at = policy.find(days_field + "30,");
    ASSERT_NE(days_at, std::string::npos);
    // The days line is the 7th; the value starts after `  "minimum_retention_days": `.
    const std::size_t value_column = 2 + days_field.size();

    // 2^53 + 1 and 2^53 + 3 lie halfway between two doubles; with 784
    // fraction digits only the last one tips 2^53 + 1 off the tie.
    const std::string long_fraction(783, '0');
    const auto found = [](std::string_view value) {
        return fmt::format("invalid type: floating point `{}`, expected u32", value);
    };
    struct Case {
        std::string days;
        std::string message;  // before " at line 7 column N", N just after the number
    };
    const std::vector<Case> cases = {
        {"9007199254740993.0", found("9007199254740992")},
        {"9007199254740995.0", found("9007199254740996")},
        {"90071992547409930e-1", found("9007199254740992")},
        {"9007199254740993." + long_fraction + "0", found("9007199254740992")},
        {"9007199254740993." + long_fraction + "1", found("9007199254740994")},
        {"1.7976931348623158e308", found("17976931348623157" + std::string(292, '0'))},
        {"1.7976931348623159e308", "number out of range"},
        {"1e400", "number out of range"},
        {"-1e400", "number out of range"},
        {"2.4703282292062328e-324", found("0." + std::string(323, '0') + "5")},
        {"2.4703282292062327e-324", found("0")},
        {"-1e-400", found("-0")},
        {"-0.0", found("-0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days.substr(0, 40));
        std::string edited = policy;
        edited.replace(days_at + days_field.size(), 2, c.days);
        folder.write("f.json", edited);
        expect_refused(
            folder.run({"retention", "show", "f.json"}),
            fmt::format("f.json: parse error: {} at line 7 column {}", c.message, value_column + c.days.size()));
    }
}

TEST(RetentionJson, EachCommandPrintsItsPolicyAsOneLine) {
    ToolFolder folder;
    const auto created = folder.run({"--json", "retention", "new", "--name", "Mail", "--class", "compliance",
                                     "--min-days", "30", "--out", "p.json"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, orrincore_json::to_compact(policy_in(folder, "p.json")) + "\n");

    const auto extended =
        folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "45", "--out", "p.json", "--json"});
    ASSERT_EQ(extended.status, 0) << extended.err;
    EXPECT_EQ(extended.out, orrincore_json::to_compact(policy_in(folder, "p.json")) + "\n");

    const auto shown = folder.run({"retention", "--json", "show", "p.json"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, extended.out);
    EXPECT_EQ(shown.err, "");
}

}  // namespace
