// `vevizovuvazavad demo` as a user meets it: the whole narration, what stays
// the same from run to run and what must not, and what it never touches.
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <set>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "demo_text.hpp"
#include "run_tool.hpp"
#include "unprivileged.hpp"

namespace {

using vevizovuvazavad::testing::masked;
using vevizovuvazavad::testing::preloaded;
using vevizovuvazavad::testing::RunOptions;
using vevizovuvazavad::testing::RunResult;
using vevizovuvazavad::testing::StreamSetup;
using vevizovuvazavad::testing::demo_identifier;
using vevizovuvazavad::testing::demo_manifest_hash;
using vevizovuvazavad::testing::ToolFolder;
using vevizovuvazavad::testing::UnprivilegedWhileAlive;
namespace fs = std::filesystem;

// The narration of a complete run, with <id> for every identifier and <hash>
// for the manifest hash's digits: the only texts that change between runs.
const std::string expected_narration =
    "VuvadEdedoru lifecycle demo — deterministic, offline, self-checking.\n"
    "\n"
    "== 1. Target + retention policy + package ==\n"
    "  [ok]      archive target <id> registered (TestFixture)\n"
    "  [ok]      retention policy <id> created: minimum 30d, maximum Some(2555)d\n"
    "  [ok]      archive package <id> created and writing\n"
    "\n"
    "== 2. Seal: build a signed manifest from real chunks, then seal the package ==\n"
    "  [ok]      manifest signed: 2 chunk(s), 48 bytes, hash blake3:<hash>\n"
    "  [ok]      package <id> sealed, expires 1970-01-31T00:00:00Z\n"
    "  [ok]      signature verifies, manifest hash matches the sealed package, chunk integrity confirmed\n"
    "\n"
    "== 3. Refusal path — mutating a sealed archive ==\n"
    "  [refused] attempted to re-seal an already-sealed package: illegal transition for ArchivePackage: sealed -> "
    "sealed\n"
    "\n"
    "== 4. Refusal path — retroactively shortening retention ==\n"
    "  [refused] attempted to shorten minimum retention from 30d to 7d: retention cannot be shortened: requested 7d "
    "is less than the current 30d\n"
    "  [ok]      legitimately extended policy minimum: 30d -> 90d (version 2)\n"
    "  [ok]      package's own captured retention (30d) is untouched by the policy edit — it was sealed under the "
    "old policy\n"
    "\n"
    "== 5. Legal hold: request, approve, assign to the package ==\n"
    "  [ok]      legal hold <id> is Active\n"
    "  [ok]      package <id> is now under legal hold\n"
    "\n"
    "== 6. Refusal path — deleting something under legal hold ==\n"
    "  [ok]      disposition review <id> opened\n"
    "  [refused] attempted to decide Dispose while the package is under legal hold: legal hold blocks disposition "
    "for this package\n"
    "  [refused] attempted ArchivePackage::dispose() directly while held: archive package is under an active legal "
    "hold and cannot be disposed\n"
    "\n"
    "== 7. Refusal path — legal hold release gated by REAL policy evaluation ==\n"
    "  [refused] evaluated against an empty ruleset -> NotApplicable (no rule matched): legal hold release was not "
    "authorised by policy\n"
    "  [refused] presented an `allow` ruleset signed by a key nobody deliberately trusted: ruleset failed signature "
    "verification against every key in the trust store — refusing to evaluate an unverifiable ruleset (unsigned, "
    "tampered, expired, signed for a different product, or signed by a key nobody deliberately trusted)\n"
    "  [ok]      legal hold <id> released — Allow from matched rule \"release-with-counsel-approval\" (legal-hold "
    "release) in ruleset <id> v1 for action vuvadededoru:legal-hold.release\n"
    "  [ok]      legal hold cleared from package <id>\n"
    "\n"
    "== 8. Refusal path — disposing before retention has genuinely expired ==\n"
    "  [ok]      eligibility at seal time: NotEligible(RetentionNotExpired { expires_at: "
    "Timestamp(1970-01-31T00:00:00Z) }) (not yet eligible)\n"
    "  [refused] attempted to decide Dispose immediately after sealing, long before the 30-day window elapses: "
    "retention has not yet expired for this package (expires 1970-01-31T00:00:00Z)\n"
    "\n"
    "== 9. Retention eligibility and disposal, once genuinely unheld and expired ==\n"
    "  [ok]      eligibility 120 days later: Eligible\n"
    "  [ok]      package <id> disposed (status=Disposed); review <id> completed (status=Completed)\n"
    "\n"
    "== 10. Chain of custody: hash-chained, signed audit trail of everything above ==\n"
    "  [ok]      6-event custody chain verified end to end (sequence 1..6)\n"
    "  [refused] tampered with event 3's result after the fact: signature verification failed\n"
    "\n"
    "Demo complete: happy path + 7 refusal paths, all behaved as expected.\n";

// The size of the real text that `masked_text` stands for.
std::size_t unmasked_size(std::string_view masked_text) {
    std::size_t size = masked_text.size();
    for (auto at = masked_text.find("<id>"); at != std::string_view::npos; at = masked_text.find("<id>", at + 1))
        size += 36 - 4;
    if (masked_text.find("<hash>") != std::string_view::npos) size += 64 - 6;
    return size;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The identifiers of each narration line, under the line's masked form.
std::map<std::string, std::vector<std::string>> identifiers_by_line(const std::string& narration) {
    std::map<std::string, std::vector<std::string>> found;
    for (const auto& line : lines_of(narration)) {
        auto& ids = found[masked(line)];
        for (auto it = std::sregex_iterator(line.begin(), line.end(), demo_identifier); it != std::sregex_iterator();
             ++it) {
            ids.push_back(it->str());
        }
    }
    return found;
}

void expect_complete_run(const RunResult& run) {
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(masked(run.out), expected_narration);
}

TEST(DemoNarration, TellsTheWholeLifecycleWithOrWithoutJson) {
    EXPECT_EQ(lines_of(expected_narration).size(), 48u);
    for (const auto& args : std::vector<std::vector<std::string>>{{"demo"}, {"--json", "demo"}, {"demo", "--json"}}) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(args, " ")));
        ToolFolder folder;
        expect_complete_run(folder.run(args));
    }
}

TEST(DemoNarration, RunsDifferOnlyInIdentifiersAndTheManifestHash) {
    ToolFolder folder;
    const auto first = folder.run({"demo"});
    const auto second = folder.run({"demo"});
    expect_complete_run(first);
    expect_complete_run(second);

    // Every identifier is fresh in every run.
    std::set<std::string> first_ids;
    for (const auto& [line, ids] : identifiers_by_line(first.out)) first_ids.insert(ids.begin(), ids.end());
    for (const auto& [line, ids] : identifiers_by_line(second.out)) {
        for (const auto& id : ids) EXPECT_FALSE(first_ids.contains(id)) << line;
    }
    std::smatch first_hash;
    std::smatch second_hash;
    ASSERT_TRUE(std::regex_search(first.out, first_hash, demo_manifest_hash));
    ASSERT_TRUE(std::regex_search(second.out, second_hash, demo_manifest_hash));
    EXPECT_NE(first_hash.str(), second_hash.str());
}

TEST(DemoNarration, NamesOnePackageOneHoldAndTwoReviews) {
    ToolFolder folder;
    const auto run = folder.run({"demo"});
    expect_complete_run(run);
    const auto ids = identifiers_by_line(run.out);
    auto id_on = [&ids](const std::string& masked_line, std::size_t index = 0) {
        const auto& on_line = ids.at(masked_line);
        return index < on_line.size() ? on_line[index] : std::string("(none)");
    };

    const auto package = id_on("  [ok]      archive package <id> created and writing");
    EXPECT_EQ(id_on("  [ok]      package <id> sealed, expires 1970-01-31T00:00:00Z"), package);
    EXPECT_EQ(id_on("  [ok]      package <id> is now under legal hold"), package);
    EXPECT_EQ(id_on("  [ok]      legal hold cleared from package <id>"), package);
    const auto disposal =
        "  [ok]      package <id> disposed (status=Disposed); review <id> completed (status=Completed)";
    EXPECT_EQ(id_on(disposal), package);

    const auto hold = id_on("  [ok]      legal hold <id> is Active");
    const auto release =
        "  [ok]      legal hold <id> released — Allow from matched rule \"release-with-counsel-approval\" (legal-hold "
        "release) in ruleset <id> v1 for action vuvadededoru:legal-hold.release";
    EXPECT_EQ(id_on(release), hold);

    const auto first_review = id_on("  [ok]      disposition review <id> opened");
    const auto last_review = id_on(disposal, 1);
    EXPECT_NE(first_review, last_review);

    const std::set<std::string> distinct = {id_on("  [ok]      archive target <id> registered (TestFixture)"),
                                            id_on("  [ok]      retention policy <id> created: minimum 30d, maximum "
                                                  "Some(2555)d"),
                                            package,
                                            hold,
                                            id_on(release, 1),
                                            first_review,
                                            last_review};
    EXPECT_EQ(distinct.size(), 7u);
}

TEST(DemoNarration, WritesNothingInAFolderItCannotWriteTo) {
    ToolFolder folder;
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    {
        UnprivilegedWhileAlive nobody;
        if (::access(VEVI_EXECUTABLE, X_OK) != 0 || ::access(folder.path().c_str(), X_OK) != 0)
            GTEST_SKIP() << "an ordinary user cannot reach the tool or the folder here";
        expect_complete_run(folder.run({"demo"}));
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(DemoNarration, ReadsNoClockAndOpensNoFile) {
    ToolFolder folder;
    expect_complete_run(folder.run({"demo"}, preloaded(VEVI_TRIPWIRE)));

    // The tripwire does catch a command that reads the clock or a file.
    const auto clock_reader =
        folder.run({"retention", "new", "--name", "Mail", "--class", "debug", "--min-days", "1", "--out", "p.json"},
                   preloaded(VEVI_TRIPWIRE));
    EXPECT_EQ(clock_reader.status, 86);
    EXPECT_EQ(clock_reader.err, "tripwire: clock_gettime\n");
    ASSERT_EQ(
        folder.run({"retention", "new", "--name", "Mail", "--class", "debug", "--min-days", "1", "--out", "p.json"})
            .status,
        0);
    const auto file_reader = folder.run({"retention", "show", "p.json"}, preloaded(VEVI_TRIPWIRE));
    EXPECT_EQ(file_reader.status, 86);
    EXPECT_EQ(file_reader.err, "tripwire: open\n");
}

TEST(DemoNarration, ALineThatCannotBeWrittenEndsTheRunWith101AfterTheLinesBeforeIt) {
    struct Case {
        const char* name;
        StreamSetup out;
        std::string err;
    };
    for (const auto& c : std::vector<Case>{
             {"closed pipe", StreamSetup::closed_pipe, "failed printing to stdout: Broken pipe (os error 32)\n"},
             {"full device", StreamSetup::full_device,
              "failed printing to stdout: No space left on device (os error 28)\n"},
         }) {
        SCOPED_TRACE(c.name);
        ToolFolder folder;
        RunOptions options;
        options.out = c.out;
        const auto run = folder.run({"demo"}, options);
        EXPECT_EQ(run.status, 101);
        EXPECT_EQ(run.err, c.err);
    }

    // Standard output that takes exactly the narration up to step 7's
    // release and not a byte more.
    const auto release_line = expected_narration.find("  [ok]      legal hold <id> released");
    const std::string printed = expected_narration.substr(0, release_line);
    ToolFolder folder;
    folder.write("out.txt", "");
    RunOptions options;
    options.out_path = folder / "out.txt";
    options.file_size_limit = unmasked_size(printed);
    const auto run = folder.run({"demo"}, options);
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.err, "failed printing to stdout: File too large (os error 27)\n");
    EXPECT_EQ(masked(folder.read("out.txt")), printed);
}

}  // namespace
