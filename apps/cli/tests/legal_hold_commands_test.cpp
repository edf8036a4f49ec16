// The legal-hold lifecycle on the command line, but for the policy-gated
// release (legal_hold_release_test.cpp): request, approve, deny,
// request-release, show, and holds put on packages and taken off.
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>
#include <vevi_testing/record_states.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>

#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using vevi_testing::hold_in;
using vevi_testing::pending_package;
using vevi_testing::with_status;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldId;
using vuvadededoru_contracts::LegalHoldReasonCode;
using vuvadededoru_contracts::LegalHoldStatus;
using vuvadededoru_contracts::PackageStatus;
using zedododor_avovodizi::time::Timestamp;

Args request(const Args& options = {}) {
    return with_options({"legal-hold", "request", "--name", "Inquiry 7", "--scope", "all mail of 2023", "--reason",
                         "litigation", "--requested-by", "legal@example", "--out", "h.json"},
                        options);
}

void write_package(const ToolFolder& folder, std::string_view name, std::optional<LegalHoldId> hold,
                   PackageStatus status = PackageStatus::sealed) {
    auto package = with_status(pending_package(), status);
    package.legal_hold_id = hold;
    write_record(folder, name, package);
}

TEST(LegalHoldRequest, WritesANewRequestedHold) {
    ToolFolder folder;
    const auto before = Timestamp::now();
    const auto out = run_ok(
        folder, request({"--name", " Inquiry 7 ", "--reason", "regulatory_inquiry", "--tenant",
                         "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "--workspace", "0e7f4b1a2c3d4e5f8a9b0c1d2e3f4a5b"}));
    const auto hold = record_in<LegalHold>(folder, "h.json");
    EXPECT_EQ(out, fmt::format("legal hold {} requested: requested\n", hold.id.to_string()));
    EXPECT_EQ(folder.read("h.json"), orrincore_json::to_pretty(hold));
    EXPECT_EQ(hold.tenant_id.to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    EXPECT_EQ(hold.workspace_id.to_string(), "0e7f4b1a-2c3d-4e5f-8a9b-0c1d2e3f4a5b");
    EXPECT_EQ(hold.name, " Inquiry 7 ");
    EXPECT_EQ(hold.scope, "all mail of 2023");
    EXPECT_EQ(hold.reason_code, LegalHoldReasonCode::regulatory_inquiry);
    EXPECT_EQ(hold.requested_by, "legal@example");
    EXPECT_EQ(hold.status, LegalHoldStatus::requested);
    EXPECT_EQ(hold.approved_by, std::nullopt);
    EXPECT_EQ(hold.starts_at, std::nullopt);
    EXPECT_EQ(hold.released_at, std::nullopt);
    EXPECT_GE(hold.created_at, before);
    EXPECT_EQ(hold.updated_at, hold.created_at);

    // Without --tenant and --workspace both are fresh; --json prints the hold.
    const auto json = run_ok(folder, {"--json", "legal-hold", "request", "--name", "n", "--scope", "s", "--reason",
                                      "litigation", "--requested-by", "r", "--out", "a.json"});
    run_ok(folder, {"legal-hold", "request", "--name", "n", "--scope", "s", "--reason", "litigation", "--requested-by",
                    "r", "--out", "b.json"});
    const auto a = record_in<LegalHold>(folder, "a.json");
    const auto b = record_in<LegalHold>(folder, "b.json");
    EXPECT_EQ(json, orrincore_json::to_compact(a) + "\n");
    EXPECT_NE(a.id, b.id);
    EXPECT_NE(a.tenant_id, b.tenant_id);
    EXPECT_NE(a.workspace_id, b.workspace_id);
}

// The reason word first, then the texts in the order name, scope,
// requested_by, then the output file. Nothing is written.
TEST(LegalHoldRequest, RefusalsInOrder) {
    struct Case {
        Args replaced;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--reason", "Litigation"}, R"(unknown reason code "Litigation" (see --help))"},
        {{"--reason", "forever", "--name", " "}, R"(unknown reason code "forever" (see --help))"},
        {{"--reason", ""}, R"(unknown reason code "" (see --help))"},
        {{"--name", "", "--scope", " "}, "field 'name' must not be empty"},
        {{"--scope", "\t", "--requested-by", ""}, "field 'scope' must not be empty"},
        {{"--requested-by", " "}, "field 'requested_by' must not be empty"},
        {{"--out", "missing/h.json"}, "missing/h.json: No such file or directory (os error 2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ToolFolder folder;
        expect_refused(folder.run(request(c.replaced)), c.message);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{});
    }
}

TEST(LegalHoldSteps, ApproveThenRequestRelease) {
    ToolFolder folder;
    requested_hold(folder, "h.json", "litigation");
    const auto requested = record_in<LegalHold>(folder, "h.json");

    // An empty approver is recorded as such.
    EXPECT_EQ(run_ok(folder, {"legal-hold", "approve", "--hold", "h.json", "--approved-by", "", "--out", "a.json"}),
              fmt::format("legal hold {} is now active\n", requested.id.to_string()));
    const auto active = record_in<LegalHold>(folder, "a.json");
    auto expected = requested;
    expected.status = LegalHoldStatus::active;
    expected.approved_by = "";
    expected.starts_at = active.updated_at;
    expected.updated_at = active.updated_at;
    EXPECT_EQ(active, expected);
    EXPECT_GE(active.updated_at, requested.updated_at);

    EXPECT_EQ(run_ok(folder, {"legal-hold", "request-release", "--hold", "a.json", "--out", "r.json"}),
              fmt::format("release requested for {}\n", requested.id.to_string()));
    const auto release_requested = record_in<LegalHold>(folder, "r.json");
    expected.status = LegalHoldStatus::release_requested;
    expected.updated_at = release_requested.updated_at;
    EXPECT_EQ(release_requested, expected);
    EXPECT_EQ(folder.read("r.json"), orrincore_json::to_pretty(release_requested));

    // --json prints the new hold; --out may name the input, which is replaced.
    const auto json = run_ok(
        folder, {"--json", "legal-hold", "approve", "--hold", "h.json", "--approved-by", "c", "--out", "h.json"});
    EXPECT_EQ(json, orrincore_json::to_compact(record_in<LegalHold>(folder, "h.json")) + "\n");
    EXPECT_EQ(record_in<LegalHold>(folder, "h.json").status, LegalHoldStatus::active);
}

TEST(LegalHoldSteps, DenyRecordsTheDecider) {
    ToolFolder folder;
    requested_hold(folder, "h.json", "litigation");
    const auto requested = record_in<LegalHold>(folder, "h.json");
    EXPECT_EQ(run_ok(folder, {"legal-hold", "deny", "--hold", "h.json", "--approved-by", "  Dana ", "--out", "d.json"}),
              fmt::format("legal hold {} denied\n", requested.id.to_string()));
    const auto denied = record_in<LegalHold>(folder, "d.json");
    auto expected = requested;
    expected.status = LegalHoldStatus::denied;
    expected.approved_by = "  Dana ";
    expected.updated_at = denied.updated_at;
    EXPECT_EQ(denied, expected);
    const auto json =
        run_ok(folder, {"--json", "legal-hold", "deny", "--hold", "h.json", "--approved-by", "", "--out", "e.json"});
    EXPECT_EQ(json, orrincore_json::to_compact(record_in<LegalHold>(folder, "e.json")) + "\n");
}

// A step from the wrong status, or on a file that is not a hold, writes
// nothing, even when --out names the input.
TEST(LegalHoldSteps, RefusalsLeaveTheHoldFileUntouched) {
    struct Case {
        LegalHoldStatus status;
        Args step;
        std::string message;
    };
    using S = LegalHoldStatus;
    const Args approve = {"legal-hold", "approve", "--hold", "h.json", "--approved-by", "x", "--out"};
    const Args deny = {"legal-hold", "deny", "--hold", "h.json", "--approved-by", "x", "--out"};
    const Args request_release = {"legal-hold", "request-release", "--hold", "h.json", "--out"};
    const std::vector<Case> cases = {
        {S::active, approve, "illegal transition for LegalHold: active -> active"},
        {S::denied, approve, "illegal transition for LegalHold: denied -> active"},
        {S::active, deny, "illegal transition for LegalHold: active -> denied"},
        {S::released, deny, "illegal transition for LegalHold: released -> denied"},
        {S::requested, request_release, "illegal transition for LegalHold: requested -> release_requested"},
        {S::release_requested, request_release,
         "illegal transition for LegalHold: release_requested -> release_requested"},
        {S::expired, request_release, "illegal transition for LegalHold: expired -> release_requested"},
    };
    for (const auto& c : cases) {
        for (const std::string out : {"out.json", "h.json"}) {
            SCOPED_TRACE(c.message + " to " + out);
            ToolFolder folder;
            write_record(folder, "h.json", hold_in(c.status));
            const std::string before = folder.read("h.json");
            auto args = c.step;
            args.push_back(out);
            expect_refused(folder.run(args), c.message);
            EXPECT_EQ(folder.read("h.json"), before);
            EXPECT_EQ(folder.entries(), std::vector<std::string>{"h.json"});
        }
    }

    ToolFolder folder;
    folder.write("h.json", "{}");
    expect_refused(folder.run({"legal-hold", "approve", "--hold", "h.json", "--approved-by", "x", "--out", "o.json"}),
                   "h.json: parse error: missing field `id` at line 1 column 2");
    expect_refused(folder.run({"legal-hold", "deny", "--hold", "gone.json", "--approved-by", "x", "--out", "o.json"}),
                   "gone.json: No such file or directory (os error 2)");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"h.json"});
}

// `show` names the status by its serialised word, whatever it is, and under
// --json prints the hold as read.
TEST(LegalHoldShow, PrintsTheStatusWord) {
    using S = LegalHoldStatus;
    const std::vector<std::pair<S, std::string>> cases = {
        {S::requested, "requested"}, {S::active, "active"}, {S::release_requested, "release_requested"},
        {S::released, "released"},   {S::denied, "denied"}, {S::expired, "expired"},
    };
    ToolFolder folder;
    for (const auto& [status, word] : cases) {
        SCOPED_TRACE(word);
        const auto hold = hold_in(status);
        write_record(folder, "h.json", hold);
        EXPECT_EQ(run_ok(folder, {"legal-hold", "show", "h.json"}),
                  fmt::format("{} status={}\n", hold.id.to_string(), word));
    }
    const auto hold = hold_in(S::release_requested);
    auto text = orrincore_json::to_pretty(hold);
    text.insert(1, "\n  \"unknown\": [1, 2],");
    folder.write("h.json", text);
    EXPECT_EQ(run_ok(folder, {"--json", "legal-hold", "show", "h.json"}), orrincore_json::to_compact(hold) + "\n");
    EXPECT_EQ(folder.read("h.json"), text);
    expect_refused(folder.run({"legal-hold", "show", "gone.json"}),
                   "gone.json: No such file or directory (os error 2)");
}

TEST(LegalHoldAssign, PutsAnActiveHoldOnAPackage) {
    ToolFolder folder;
    active_hold(folder, "h.json", "litigation");
    const auto hold = record_in<LegalHold>(folder, "h.json");
    const std::string hold_file = folder.read("h.json");
    write_package(folder, "p.json", std::nullopt, PackageStatus::pending);
    const auto package = record_in<ArchivePackage>(folder, "p.json");

    EXPECT_EQ(run_ok(folder,
                     {"legal-hold", "assign", "--hold", "h.json", "--package", "p.json", "--out-package", "held.json"}),
              fmt::format("package {} is now under legal hold {}\n", package.id.to_string(), hold.id.to_string()));
    auto expected = package;
    expected.legal_hold_id = hold.id;
    EXPECT_EQ(record_in<ArchivePackage>(folder, "held.json"), expected);
    EXPECT_EQ(folder.read("held.json"), orrincore_json::to_pretty(expected));

    // The same hold again changes nothing; --json prints the package.
    EXPECT_EQ(run_ok(folder, {"--json", "legal-hold", "assign", "--hold", "h.json", "--package", "held.json",
                              "--out-package", "held.json"}),
              orrincore_json::to_compact(expected) + "\n");
    EXPECT_EQ(record_in<ArchivePackage>(folder, "held.json"), expected);
    EXPECT_EQ(folder.read("h.json"), hold_file);
}

TEST(LegalHoldUnassign, ClearsTheReleasedHoldThePackageCarries) {
    ToolFolder folder;
    const auto hold = hold_in(LegalHoldStatus::released);
    write_record(folder, "h.json", hold);
    write_package(folder, "p.json", hold.id);
    const auto package = record_in<ArchivePackage>(folder, "p.json");
    EXPECT_EQ(run_ok(folder,
                     {"legal-hold", "unassign", "--hold", "h.json", "--package", "p.json", "--out-package", "p.json"}),
              fmt::format("legal hold cleared from package {}\n", package.id.to_string()));
    auto expected = package;
    expected.legal_hold_id.reset();
    EXPECT_EQ(record_in<ArchivePackage>(folder, "p.json"), expected);

    write_package(folder, "p.json", hold.id);
    const auto json = run_ok(folder, {"--json", "legal-hold", "unassign", "--hold", "h.json", "--package", "p.json",
                                      "--out-package", "q.json"});
    EXPECT_EQ(json, orrincore_json::to_compact(record_in<ArchivePackage>(folder, "q.json")) + "\n");
}

// The hold is read before the package; then the engine's rules in their
// order. A package carries one hold at a time: a second hold does not
// replace the first, and only the hold it carries clears it. Nothing is
// written on a refusal.
TEST(LegalHoldAssignAndUnassign, RefusalsInOrder) {
    enum class PackageHolds { none, this_hold, other_hold, missing };
    struct Case {
        const char* command;
        LegalHoldStatus hold;  // released or active; `expired` stands for a missing hold file
        PackageHolds package;
        PackageStatus package_status;
        std::string message;
    };
    using S = LegalHoldStatus;
    using P = PackageHolds;
    const std::string not_active = "legal hold is not active and cannot be assigned to a package";
    const std::string not_released = "legal hold has not been released and cannot be cleared from a package";
    const std::vector<Case> cases = {
        {"assign", S::expired, P::missing, PackageStatus::sealed, "h.json: No such file or directory (os error 2)"},
        {"assign", S::requested, P::missing, PackageStatus::sealed, "p.json: No such file or directory (os error 2)"},
        {"assign", S::requested, P::none, PackageStatus::sealed, not_active},
        {"assign", S::released, P::none, PackageStatus::sealed, not_active},
        {"assign", S::release_requested, P::other_hold, PackageStatus::sealed, not_active},
        {"assign", S::active, P::other_hold, PackageStatus::sealed,
         "archive package already carries a different legal hold"},
        {"assign", S::active, P::other_hold, PackageStatus::disposed,
         "archive package already carries a different legal hold"},
        {"assign", S::active, P::none, PackageStatus::disposed,
         "contract violation: illegal transition for ArchivePackage: disposed -> under_legal_hold"},
        {"unassign", S::expired, P::missing, PackageStatus::sealed, "h.json: No such file or directory (os error 2)"},
        {"unassign", S::active, P::this_hold, PackageStatus::sealed, not_released},
        {"unassign", S::release_requested, P::other_hold, PackageStatus::sealed, not_released},
        {"unassign", S::released, P::none, PackageStatus::sealed,
         "contract violation: no active legal hold to release"},
        {"unassign", S::released, P::other_hold, PackageStatus::sealed,
         "legal hold does not match the hold this package carries"},
        {"unassign", S::released, P::other_hold, PackageStatus::disposed,
         "legal hold does not match the hold this package carries"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{} with a {} hold: {}", c.command, orrincore_json::word(c.hold), c.message));
        ToolFolder folder;
        const auto hold = hold_in(c.hold);
        if (c.hold != S::expired) write_record(folder, "h.json", hold);
        if (c.package == P::none) write_package(folder, "p.json", std::nullopt, c.package_status);
        if (c.package == P::this_hold) write_package(folder, "p.json", hold.id, c.package_status);
        if (c.package == P::other_hold) write_package(folder, "p.json", LegalHoldId::generate(), c.package_status);
        const auto entries = folder.entries();
        const std::string package_file = c.package == P::missing ? "" : folder.read("p.json");
        expect_refused(
            folder.run({"legal-hold", c.command, "--hold", "h.json", "--package", "p.json", "--out-package", "p.json"}),
            c.message);
        EXPECT_EQ(folder.entries(), entries);
        if (c.package != P::missing) {
            EXPECT_EQ(folder.read("p.json"), package_file);
        }
    }
}

TEST(LegalHoldAssign, AnOutputThatCannotBeWrittenIsReported) {
    ToolFolder folder;
    active_hold(folder, "h.json", "litigation");
    write_package(folder, "p.json", std::nullopt);
    expect_refused(folder.run({"legal-hold", "assign", "--hold", "h.json", "--package", "p.json", "--out-package",
                               "missing/p.json"}),
                   "missing/p.json: No such file or directory (os error 2)");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"h.json", "p.json"}));
}

// The group and the commands that carry texts of their own, as `--help`
// shows them (`release` is in parser_test.cpp).
TEST(LegalHoldHelp, GroupAndCommands) {
    const std::string options =
        "      --hold <HOLD>\n"
        "      --package <PACKAGE>\n"
        "      --out-package <OUT_PACKAGE>\n"
        "      --json                       Emit JSON instead of human-readable text\n"
        "  -h, --help                       Print help\n";
    expect_outputs({
        {{"legal-hold", "--help"},
         "Legal hold lifecycle\n\n"
         "Usage: vevizovuvazavad legal-hold [OPTIONS] <COMMAND>\n\n"
         "Commands:\n"
         "  request          Request a new legal hold\n"
         "  approve\n"
         "  deny\n"
         "  request-release\n"
         "  release          Release a hold, gated on a REAL policy evaluation (spec §17)\n"
         "  assign           Attach an active hold to an archive package (engine-level: refuses unless the hold is "
         "Active)\n"
         "  unassign         Clear a released hold from a package (engine-level: refuses unless the hold itself has "
         "reached Released)\n"
         "  show\n"
         "  help             Print this message or the help of the given subcommand(s)\n\n"
         "Options:\n"
         "      --json  Emit JSON instead of human-readable text\n"
         "  -h, --help  Print help\n"},
        {{"legal-hold", "request", "--help"},
         "Request a new legal hold\n\n"
         "Usage: vevizovuvazavad legal-hold request [OPTIONS] --name <NAME> --scope <SCOPE> --reason <REASON> "
         "--requested-by <REQUESTED_BY> --out <OUT>\n\n"
         "Options:\n"
         "      --name <NAME>\n"
         "      --scope <SCOPE>\n"
         "      --reason <REASON>              One of: litigation, regulatory_inquiry, internal_investigation, "
         "law_enforcement_request, contractual_obligation\n"
         "      --requested-by <REQUESTED_BY>\n"
         "      --tenant <TENANT>\n"
         "      --workspace <WORKSPACE>\n"
         "      --out <OUT>\n"
         "      --json                         Emit JSON instead of human-readable text\n"
         "  -h, --help                         Print help\n"},
        {{"legal-hold", "assign", "--help"},
         "Attach an active hold to an archive package (engine-level: refuses unless the hold is Active)\n\n"
         "Usage: vevizovuvazavad legal-hold assign [OPTIONS] --hold <HOLD> --package <PACKAGE> --out-package "
         "<OUT_PACKAGE>\n\n"
         "Options:\n" +
             options},
        {{"legal-hold", "unassign", "--help"},
         "Clear a released hold from a package (engine-level: refuses unless the hold itself has reached Released)"
         "\n\n"
         "Usage: vevizovuvazavad legal-hold unassign [OPTIONS] --hold <HOLD> --package <PACKAGE> --out-package "
         "<OUT_PACKAGE>\n\n"
         "Options:\n" +
             options},
        {{"legal-hold", "show", "--help"},
         "Usage: vevizovuvazavad legal-hold show [OPTIONS] <HOLD>\n\n"
         "Arguments:\n"
         "  <HOLD>\n\n"
         "Options:\n"
         "      --json  Emit JSON instead of human-readable text\n"
         "  -h, --help  Print help\n"},
    });
}

}  // namespace
