#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>
#include <vevi_testing/record_states.hpp>
#include <vuvadededoru_contracts/disposition.hpp>
#include <vuvadededoru_contracts/retention.hpp>

#include "files/record_file.hpp"
#include "run_tool.hpp"
#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using namespace vevi_testing;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::DispositionDecision;
using vuvadededoru_contracts::DispositionReview;
using vuvadededoru_contracts::DispositionReviewStatus;
using vuvadededoru_contracts::PackageStatus;
using zedododor_avovodizi::time::Timestamp;

constexpr const char* not_sealed = "archive package must be sealed before a disposition review can be opened";
constexpr const char* under_hold = "legal hold blocks disposition for this package";
constexpr const char* already_disposed = "archive package has already been disposed";
constexpr const char* other_package = "disposition review does not reference this archive package";
constexpr const char* not_authorised = "disposition review did not authorise disposal";
constexpr const char* not_open = "contract violation: illegal transition for DispositionReview: not_open -> decided";

// Sealed long ago: expired on 2020-01-31. The other expiry lies far ahead.
const Timestamp long_ago = at("2020-01-01T00:00:00Z");
const Timestamp far_ahead = at("2999-12-31T23:59:59.25Z");
const std::string not_expired = "retention has not yet expired for this package (expires 2999-12-31T23:59:59.25Z)";

// A review file read as a package: its status is none of a package's.
std::string package_status_unknown(std::string_view path) {
    return fmt::format(
        "{}: parse error: unknown variant `open`, expected one of `pending`, `writing`, `sealed`, "
        "`verification_failed`, `retrieval_pending`, `disposed`, `blocked_by_policy`, `failed` "
        "at line 7 column 18",
        path);
}

// Every file of the folder with its content.
std::map<std::string, std::string> files_of(const ToolFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : folder.entries()) files[name] = folder.read(name);
    return files;
}

ArchivePackage expiring_at(ArchivePackage package, std::optional<Timestamp> expires_at) {
    package.expires_at = expires_at;
    return package;
}

// A review of `package` opened on 2024-06-01, whatever the package's state.
DispositionReview open_review(const ArchivePackage& package) {
    return DispositionReview::open({.tenant_id = package.tenant_id,
                                    .workspace_id = package.workspace_id,
                                    .archive_package_id = package.id,
                                    .retention_policy_id = package.retention_policy_id,
                                    .eligible_at = package.expires_at.value_or(long_ago)},
                                   at("2024-06-01T00:00:00Z"));
}

DispositionReview decided(const DispositionReview& review, DispositionDecision decision) {
    return review.decide(decision, "Dana").value();
}

// The review file the tool opened in `folder` for `package`.
DispositionReview open_with_tool(const ToolFolder& folder, std::string_view package, std::string_view out) {
    const auto run =
        folder.run({"disposition", "review", "--package", std::string(package), "--out", std::string(out)});
    if (run.status != 0) throw std::runtime_error(run.err);
    return record_in<DispositionReview>(folder, out);
}

// Both words of each decision: the one `decide` prints and the one `show` prints.
struct DecisionWords {
    std::string word;
    DispositionDecision decision;
    std::string decided;
    std::string shown;
};
const std::vector<DecisionWords> decision_words = {
    {"dispose", DispositionDecision::dispose, "Dispose", "Some(Dispose)"},
    {"extend_retention", DispositionDecision::extend_retention, "ExtendRetention", "Some(ExtendRetention)"},
    {"apply_hold", DispositionDecision::apply_hold, "ApplyHold", "Some(ApplyHold)"},
    {"defer", DispositionDecision::defer, "Defer", "Some(Defer)"},
    {"deny", DispositionDecision::deny, "Deny", "Some(Deny)"},
};

TEST(DispositionReviewCommand, OpensAReviewEligibleAtThePackagesExpiry) {
    // Neither a hold nor an expiry still ahead keeps a review from opening.
    const auto expired = sealed_package(long_ago);
    const auto unexpired = sealed_package_expiring_at(far_ahead);
    const std::vector<std::pair<std::string, ArchivePackage>> packages = {
        {"expired", expired}, {"held", held(expired)}, {"unexpired", unexpired}, {"held, unexpired", held(unexpired)}};
    for (const auto& [name, package] : packages) {
        SCOPED_TRACE(name);
        ToolFolder folder;
        write_record(folder, "p.json", package);
        const std::string package_file = folder.read("p.json");
        const auto before = Timestamp::now();
        const auto run = folder.run({"disposition", "review", "--package", "p.json", "--out", "r.json"});
        const auto after = Timestamp::now();
        ASSERT_EQ(run.status, 0) << run.err;
        const auto review = record_in<DispositionReview>(folder, "r.json");
        EXPECT_EQ(run.out,
                  fmt::format("disposition review {} opened for package {} (eligible at {})\n", review.id.to_string(),
                              package.id.to_string(), package.expires_at->to_rfc3339()));
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(folder.read("r.json"), orrincore_json::to_pretty(review));
        EXPECT_EQ(folder.read("p.json"), package_file);
        EXPECT_EQ(review.tenant_id, package.tenant_id);
        EXPECT_EQ(review.workspace_id, package.workspace_id);
        EXPECT_EQ(review.archive_package_id, package.id);
        EXPECT_EQ(review.retention_policy_id, package.retention_policy_id);
        EXPECT_EQ(review.status, DispositionReviewStatus::open);
        EXPECT_EQ(review.eligible_at, *package.expires_at);
        EXPECT_EQ(review.reviewed_by, std::nullopt);
        EXPECT_EQ(review.decision, std::nullopt);
        EXPECT_EQ(review.completed_at, std::nullopt);
        EXPECT_LE(before, review.created_at);
        EXPECT_LE(review.created_at, after);
    }
}

TEST(DispositionReviewCommand, WithoutAnExpiryEligibleWhenOpened) {
    ToolFolder folder;
    write_record(folder, "p.json", expiring_at(sealed_package(long_ago), std::nullopt));
    const auto run = folder.run({"disposition", "review", "--package", "p.json", "--out", "r.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto review = record_in<DispositionReview>(folder, "r.json");
    EXPECT_EQ(review.eligible_at, review.created_at);
    EXPECT_EQ(run.out,
              fmt::format("disposition review {} opened for package {} (eligible at {})\n", review.id.to_string(),
                          review.archive_package_id.to_string(), review.created_at.to_rfc3339()));
}

TEST(DispositionReviewCommand, RefusesUnsealedPackagesAndUnreadableFiles) {
    const auto sealed = sealed_package(long_ago);
    struct Case {
        std::string name;
        std::optional<ArchivePackage> package;  // none: the file is `content`
        std::string content;
        std::string out;
        std::string message;
    };
    std::vector<Case> cases;
    for (const auto status : {PackageStatus::pending, PackageStatus::writing, PackageStatus::verification_failed,
                              PackageStatus::retrieval_pending, PackageStatus::disposed,
                              PackageStatus::blocked_by_policy, PackageStatus::failed}) {
        cases.push_back(
            {std::string(orrincore_json::word(status)), with_status(sealed, status), "", "r.json", not_sealed});
    }
    cases.push_back(
        {"disposed and held", held(with_status(sealed, PackageStatus::disposed)), "", "r.json", not_sealed});
    cases.push_back({"empty file", std::nullopt, "", "r.json",
                     "p.json: parse error: EOF while parsing a value at line 1 column 0"});
    cases.push_back({"a review for a package", std::nullopt, orrincore_json::to_pretty(open_review(sealed)), "r.json",
                     package_status_unknown("p.json")});
    cases.push_back({"output folder missing", sealed, "", "missing/r.json",
                     "missing/r.json: No such file or directory (os error 2)"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolFolder folder;
        if (c.package) write_record(folder, "p.json", *c.package);
        else folder.write("p.json", c.content);
        const auto before = files_of(folder);
        expect_refused(folder.run({"disposition", "review", "--package", "p.json", "--out", c.out}), c.message);
        EXPECT_EQ(files_of(folder), before);
    }
    ToolFolder folder;
    expect_refused(folder.run({"disposition", "review", "--package", "p.json", "--out", "r.json"}),
                   "p.json: No such file or directory (os error 2)");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});
}

// `decide` prints the bare CamelCase name, `show` the status's CamelCase name
// and the decision inside Some(...); the files keep the snake_case words.
TEST(DispositionDecide, RecordsEachDecisionAndShowPrintsIt) {
    for (const auto& words : decision_words) {
        SCOPED_TRACE(words.word);
        ToolFolder folder;
        write_record(folder, "p.json", sealed_package(long_ago));
        const auto opened = open_with_tool(folder, "p.json", "r.json");
        const auto fresh = folder.run({"disposition", "show", "r.json"});
        EXPECT_EQ(fresh.out, fmt::format("{} status=Open decision=None\n", opened.id.to_string()));

        const auto run = folder.run({"disposition", "decide", "--review", "r.json", "--package", "p.json", "--decision",
                                     words.word, "--reviewed-by", "Dana Reviewer", "--out", "d.json"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, fmt::format("disposition review {} decided: {}\n", opened.id.to_string(), words.decided));
        EXPECT_EQ(run.err, "");
        auto expected = opened;
        expected.status = DispositionReviewStatus::decided;
        expected.decision = words.decision;
        expected.reviewed_by = "Dana Reviewer";
        EXPECT_EQ(record_in<DispositionReview>(folder, "d.json"), expected);
        EXPECT_EQ(folder.read("d.json"), orrincore_json::to_pretty(expected));
        EXPECT_NE(folder.read("d.json").find(fmt::format("\"decision\": \"{}\"", words.word)), std::string::npos);
        EXPECT_EQ(record_in<DispositionReview>(folder, "r.json"), opened);

        const auto shown = folder.run({"disposition", "show", "d.json"});
        EXPECT_EQ(shown.status, 0);
        EXPECT_EQ(shown.out, fmt::format("{} status=Decided decision={}\n", opened.id.to_string(), words.shown));
        EXPECT_EQ(shown.err, "");
    }
}

// Only `dispose` asks whether the package may go; the other four decisions
// are recorded whatever the package's state, and touch nothing but the review.
TEST(DispositionDecide, OnlyDisposeTestsThePackage) {
    const auto sealed = sealed_package(long_ago);
    const auto unexpired = expiring_at(sealed, far_ahead);
    struct Case {
        std::string name;
        ArchivePackage package;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {"held", held(sealed), under_hold},
        {"unexpired", unexpired, not_expired},
        {"held and unexpired", held(unexpired), under_hold},
        {"pending", with_status(sealed, PackageStatus::pending), not_sealed},
        {"writing and held", held(with_status(sealed, PackageStatus::writing)), not_sealed},
        {"disposed", with_status(sealed, PackageStatus::disposed), already_disposed},
        {"disposed and held", held(with_status(sealed, PackageStatus::disposed)), already_disposed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolFolder folder;
        write_record(folder, "p.json", c.package);
        write_record(folder, "r.json", open_review(c.package));
        const auto before = files_of(folder);
        expect_refused(folder.run({"disposition", "decide", "--review", "r.json", "--package", "p.json", "--decision",
                                   "dispose", "--reviewed-by", "Dana", "--out", "d.json"}),
                       c.refusal);
        EXPECT_EQ(files_of(folder), before);
        for (const auto& words : decision_words) {
            if (words.decision == DispositionDecision::dispose) continue;
            SCOPED_TRACE(words.word);
            const auto run = folder.run({"disposition", "decide", "--review", "r.json", "--package", "p.json",
                                         "--decision", words.word, "--reviewed-by", "Dana", "--out", "d.json"});
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(record_in<DispositionReview>(folder, "d.json").decision, words.decision);
            EXPECT_EQ(folder.read("p.json"), before.at("p.json"));
            EXPECT_EQ(folder.read("r.json"), before.at("r.json"));
        }
    }
}

// Each refusal in the order the command tests: the review file, the package
// file, the decision word, the package named by the review, the package's
// eligibility (dispose only), the review's own state, the output file.
TEST(DispositionDecide, RefusalsInOrder) {
    const auto sealed = sealed_package(long_ago);
    const auto other = sealed_package(long_ago);
    const auto review = open_review(sealed);
    struct Case {
        std::string name;
        std::string review;   // a file name in the folder below
        std::string package;  // likewise
        std::string decision;
        std::string out;
        std::string message;
    };
    const auto unknown = [](std::string_view quoted) {
        return fmt::format("unknown disposition decision {} (see --help)", quoted);
    };
    const std::vector<Case> cases = {
        {"missing review before missing package", "missing.json", "missing-p.json", "Dispose", "d.json",
         "missing.json: No such file or directory (os error 2)"},
        {"unreadable review", "empty.json", "p.json", "dispose", "d.json",
         "empty.json: parse error: EOF while parsing a value at line 1 column 0"},
        {"missing package before the word", "r.json", "missing-p.json", "Dispose", "d.json",
         "missing-p.json: No such file or directory (os error 2)"},
        {"a review given as the package", "r.json", "r.json", "dispose", "d.json", package_status_unknown("r.json")},
        {"capitalised word", "r.json", "p.json", "Dispose", "d.json", unknown(R"("Dispose")")},
        {"leading space", "r.json", "p.json", " dispose", "d.json", unknown(R"(" dispose")")},
        {"trailing space", "r.json", "p.json", "dispose ", "d.json", unknown(R"("dispose ")")},
        {"double quote", "r.json", "p.json", "dis\"pose", "d.json", unknown(R"("dis\"pose")")},
        {"empty word", "r.json", "p.json", "", "d.json", unknown(R"("")")},
        {"word before the package check", "other-r.json", "p.json", "disposal", "d.json", unknown(R"("disposal")")},
        {"review of another package, dispose", "other-r.json", "p.json", "dispose", "d.json", other_package},
        {"review of another package, defer", "other-r.json", "p.json", "defer", "d.json", other_package},
        {"review of another package, held package", "other-r.json", "held.json", "dispose", "d.json", other_package},
        {"eligibility before the review's state", "decided-r.json", "held.json", "dispose", "d.json", under_hold},
        {"decided review, dispose", "decided-r.json", "p.json", "dispose", "d.json", not_open},
        {"decided review, defer on a held package", "decided-r.json", "held.json", "defer", "d.json", not_open},
        {"completed review", "completed-r.json", "p.json", "deny", "d.json", not_open},
        {"output folder missing", "r.json", "p.json", "dispose", "missing/d.json",
         "missing/d.json: No such file or directory (os error 2)"},
    };
    ToolFolder folder;
    write_record(folder, "p.json", sealed);
    write_record(folder, "held.json", held(sealed));
    write_record(folder, "r.json", review);
    write_record(folder, "other-r.json", open_review(other));
    write_record(folder, "decided-r.json", decided(review, DispositionDecision::defer));
    write_record(folder, "completed-r.json",
                 decided(review, DispositionDecision::dispose).complete(at("2024-07-01T00:00:00Z")).value());
    folder.write("empty.json", "");
    const auto before = files_of(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_refused(folder.run({"disposition", "decide", "--review", c.review, "--package", c.package, "--decision",
                                   c.decision, "--reviewed-by", "Dana", "--out", c.out}),
                       c.message);
    }
    EXPECT_EQ(files_of(folder), before);
}

TEST(DispositionDecide, EscapedWordEmptyReviewerAndOutputOverTheReview) {
    ToolFolder folder;
    const auto package = sealed_package(long_ago);
    write_record(folder, "p.json", package);
    const auto review = open_review(package);
    write_record(folder, "r.json", review);
    const auto run = folder.run({"disposition", "decide", "--review", "r.json", "--package", "p.json", "--decision",
                                 "\\u0064ispose", "--reviewed-by", "", "--out", "r.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, fmt::format("disposition review {} decided: Dispose\n", review.id.to_string()));
    const auto replaced = record_in<DispositionReview>(folder, "r.json");
    EXPECT_EQ(replaced.decision, DispositionDecision::dispose);
    EXPECT_EQ(replaced.reviewed_by, "");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"p.json", "r.json"}));
}

// A package is eligible from the instant it expires: one whose expiry the
// clock has just reached may be disposed of, one an hour ahead may not, and
// the refusal names its expiry.
TEST(DispositionDecide, DisposeAllowedFromTheExpiryOn) {
    ToolFolder folder;
    const auto reached = sealed_package_expiring_at(Timestamp::now());
    write_record(folder, "reached.json", reached);
    write_record(folder, "reached-r.json", open_review(reached));
    const auto ahead = sealed_package_expiring_at(Timestamp::now().saturating_add_seconds(3600));
    write_record(folder, "ahead.json", ahead);
    write_record(folder, "ahead-r.json", open_review(ahead));

    const auto accepted =
        folder.run({"disposition", "decide", "--review", "reached-r.json", "--package", "reached.json", "--decision",
                    "dispose", "--reviewed-by", "Dana", "--out", "d.json"});
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    expect_refused(
        folder.run({"disposition", "decide", "--review", "ahead-r.json", "--package", "ahead.json", "--decision",
                    "dispose", "--reviewed-by", "Dana", "--out", "e.json"}),
        fmt::format("retention has not yet expired for this package (expires {})", ahead.expires_at->to_rfc3339()));
    EXPECT_FALSE(folder.exists("e.json"));
}

// The whole road through the tool: a policy of no minimum retention, a
// package sealed under it, a review, a decision, the disposal.
TEST(DispositionExecute, DisposesOnceRetentionHasExpired) {
    ToolFolder folder;
    ASSERT_EQ(folder
                  .run({"retention", "new", "--name", "Scratch", "--class", "ephemeral", "--min-days", "0", "--out",
                        "policy.json"})
                  .status,
              0);
    const auto policy = record_in<vuvadededoru_contracts::RetentionPolicy>(folder, "policy.json");
    auto package = sealed_package(Timestamp::now(), policy.minimum_retention_days);
    package.retention_policy_id = policy.id;
    write_record(folder, "p.json", package);
    const std::string package_file = folder.read("p.json");
    const auto review = open_with_tool(folder, "p.json", "r.json");
    EXPECT_EQ(review.eligible_at, *package.sealed_at);
    ASSERT_EQ(folder
                  .run({"disposition", "decide", "--review", "r.json", "--package", "p.json", "--decision", "dispose",
                        "--reviewed-by", "Dana", "--out", "r.json"})
                  .status,
              0);
    const std::string decided_review = folder.read("r.json");

    const auto run = folder.run(
        {"disposition", "execute", "--review", "r.json", "--package", "p.json", "--out-package", "disposed.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, fmt::format("package {} disposed\n", package.id.to_string()));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.read("disposed.json"), orrincore_json::to_pretty(with_status(package, PackageStatus::disposed)));
    // The review is not completed: it stays decided, as it was given.
    EXPECT_EQ(folder.read("r.json"), decided_review);
    EXPECT_EQ(folder.read("p.json"), package_file);
    EXPECT_EQ(folder.run({"disposition", "show", "r.json"}).out,
              fmt::format("{} status=Decided decision=Some(Dispose)\n", review.id.to_string()));

    // The disposed package is refused; the sealed file it came from is
    // disposed of again, into a second copy.
    expect_refused(folder.run({"disposition", "execute", "--review", "r.json", "--package", "disposed.json",
                               "--out-package", "again.json"}),
                   already_disposed);
    const auto second = folder.run(
        {"disposition", "execute", "--review", "r.json", "--package", "p.json", "--out-package", "again.json"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(folder.read("again.json"), folder.read("disposed.json"));
}

// The state of the package at execution time decides, whatever it was when
// the review was decided; the review's status is not looked at.
TEST(DispositionExecute, RefusalsInOrder) {
    const auto sealed = sealed_package(long_ago);
    const auto review = open_review(sealed);
    struct Case {
        std::string name;
        std::string review;
        std::string package;
        std::string out;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"missing review before missing package", "missing.json", "missing-p.json", "out.json",
         "missing.json: No such file or directory (os error 2)"},
        {"missing package", "dispose-r.json", "missing-p.json", "out.json",
         "missing-p.json: No such file or directory (os error 2)"},
        {"review of another package, dispose", "other-r.json", "p.json", "out.json", other_package},
        {"review of another package, held package", "other-r.json", "held.json", "out.json", other_package},
        {"undecided review", "r.json", "p.json", "out.json", not_authorised},
        {"deferred", "defer-r.json", "p.json", "out.json", not_authorised},
        {"denied, held package", "deny-r.json", "held.json", "out.json", not_authorised},
        {"held since the decision", "dispose-r.json", "held.json", "out.json", under_hold},
        {"expiry moved ahead since", "dispose-r.json", "unexpired.json", "out.json", not_expired},
        {"already disposed", "dispose-r.json", "disposed.json", "out.json", already_disposed},
        {"no longer sealed", "dispose-r.json", "pending.json", "out.json", not_sealed},
        {"output folder missing", "dispose-r.json", "p.json", "missing/out.json",
         "missing/out.json: No such file or directory (os error 2)"},
    };
    ToolFolder folder;
    write_record(folder, "p.json", sealed);
    write_record(folder, "held.json", held(sealed));
    write_record(folder, "unexpired.json", expiring_at(sealed, far_ahead));
    write_record(folder, "disposed.json", with_status(sealed, PackageStatus::disposed));
    write_record(folder, "pending.json", with_status(sealed, PackageStatus::pending));
    write_record(folder, "r.json", review);
    write_record(folder, "other-r.json", decided(open_review(sealed_package(long_ago)), DispositionDecision::dispose));
    write_record(folder, "defer-r.json", decided(review, DispositionDecision::defer));
    write_record(folder, "deny-r.json", decided(review, DispositionDecision::deny));
    write_record(folder, "dispose-r.json", decided(review, DispositionDecision::dispose));
    const auto before = files_of(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_refused(folder.run({"disposition", "execute", "--review", c.review, "--package", c.package,
                                   "--out-package", c.out}),
                       c.message);
    }
    EXPECT_EQ(files_of(folder), before);
}

TEST(DispositionExecute, OnlyTheDecisionAuthorises) {
    const auto sealed = sealed_package(long_ago);
    const auto dispose = decided(open_review(sealed), DispositionDecision::dispose);
    auto open_with_dispose = open_review(sealed);
    open_with_dispose.decision = DispositionDecision::dispose;
    const std::vector<std::pair<std::string, DispositionReview>> reviews = {
        {"open, yet saying dispose", open_with_dispose},
        {"completed", dispose.complete(at("2024-07-01T00:00:00Z")).value()},
    };
    for (const auto& [name, review] : reviews) {
        SCOPED_TRACE(name);
        ToolFolder folder;
        write_record(folder, "p.json", sealed);
        write_record(folder, "r.json", review);
        const auto run = folder.run(
            {"disposition", "execute", "--review", "r.json", "--package", "p.json", "--out-package", "d.json"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(record_in<ArchivePackage>(folder, "d.json").status, PackageStatus::disposed);
    }
}

TEST(DispositionShow, PrintsStatusAndDecisionInTheirDebugForms) {
    const auto review = open_review(sealed_package(long_ago));
    const auto id = review.id.to_string();
    struct Case {
        DispositionReview review;
        std::string line;
    };
    const std::vector<Case> cases = {
        {review, id + " status=Open decision=None"},
        {decided(review, DispositionDecision::extend_retention), id + " status=Decided decision=Some(ExtendRetention)"},
        {decided(review, DispositionDecision::apply_hold).complete(at("2024-07-01T00:00:00Z")).value(),
         id + " status=Completed decision=Some(ApplyHold)"},
    };
    ToolFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        write_record(folder, "r.json", c.review);
        const auto run = folder.run({"disposition", "show", "r.json"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, c.line + "\n");
        EXPECT_EQ(run.err, "");
    }
    // A completed review without a decision can only come from elsewhere.
    auto completed_undecided = review;
    completed_undecided.status = DispositionReviewStatus::completed;
    write_record(folder, "r.json", completed_undecided);
    EXPECT_EQ(folder.run({"disposition", "show", "r.json"}).out, id + " status=Completed decision=None\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"r.json"});

    expect_refused(folder.run({"disposition", "show", "missing.json"}),
                   "missing.json: No such file or directory (os error 2)");
}

// With --json each command prints the record it wrote (execute: the
// package), and show the review as read, as one compact line.
TEST(DispositionJson, EachCommandPrintsItsRecord) {
    ToolFolder folder;
    const auto package = sealed_package(long_ago);
    write_record(folder, "p.json", package);
    const auto opened = folder.run({"--json", "disposition", "review", "--package", "p.json", "--out", "r.json"});
    ASSERT_EQ(opened.status, 0) << opened.err;
    const auto review = record_in<DispositionReview>(folder, "r.json");
    EXPECT_EQ(opened.out, orrincore_json::to_compact(review) + "\n");

    const auto decided_run =
        folder.run({"disposition", "decide", "--review", "r.json", "--package", "p.json", "--decision", "apply_hold",
                    "--reviewed-by", "Dana", "--out", "d.json", "--json"});
    ASSERT_EQ(decided_run.status, 0) << decided_run.err;
    const auto decided_review = record_in<DispositionReview>(folder, "d.json");
    EXPECT_EQ(decided_run.out, orrincore_json::to_compact(decided_review) + "\n");
    EXPECT_NE(decided_run.out.find(R"("status":"decided","eligible_at")"), std::string::npos);
    EXPECT_NE(decided_run.out.find(R"("decision":"apply_hold")"), std::string::npos);

    // A key the record does not define is not printed back.
    std::string with_extra = folder.read("d.json");
    with_extra.insert(1, "\n  \"note\": [1, {\"x\": null}],");
    folder.write("extra.json", with_extra);
    EXPECT_EQ(folder.run({"--json", "disposition", "show", "extra.json"}).out,
              orrincore_json::to_compact(decided_review) + "\n");

    write_record(folder, "dispose.json", decided(review, DispositionDecision::dispose));
    const auto executed = folder.run({"--json", "disposition", "execute", "--review", "dispose.json", "--package",
                                      "p.json", "--out-package", "gone.json"});
    ASSERT_EQ(executed.status, 0) << executed.err;
    EXPECT_EQ(executed.out, orrincore_json::to_compact(with_status(package, PackageStatus::disposed)) + "\n");
}

}  // namespace
