// How commands meet their files and streams: records replaced whole or not
// at all, and reports that cannot be printed (status 101) after the files
// were written.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "files/record_file.hpp"
#include "key_fixtures.hpp"
#include "run_tool.hpp"
#include "unprivileged.hpp"

namespace {

using vevizovuvazavad::testing::RunOptions;
using vevizovuvazavad::testing::StreamSetup;
using vevizovuvazavad::testing::ToolFolder;
using vevizovuvazavad::testing::UnprivilegedWhileAlive;
using vuvadededoru_contracts::RetentionPolicy;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

const Args new_policy = {"retention",  "new",        "--name", "Mail",  "--class",
                         "compliance", "--min-days", "30",     "--out", "p.json"};

// `retention new` with its policy written to `out`: whether it succeeded.
bool new_policy_at(const ToolFolder& folder, const std::string& out) {
    Args args = new_policy;
    args.back() = out;
    return folder.run(args).status == 0;
}

RunOptions stdout_as(StreamSetup setup) {
    RunOptions options;
    options.out = setup;
    return options;
}

RunOptions stderr_as(StreamSetup setup) {
    RunOptions options;
    options.err = setup;
    return options;
}

RunOptions file_size_limit(std::uint64_t bytes) {
    RunOptions options;
    options.file_size_limit = bytes;
    return options;
}

mode_t mode_of(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

TEST(StatusTable, ReportsThatCannotBePrintedEndWith101AfterTheFileIsWritten) {
    struct Case {
        const char* name;
        Args args;
        RunOptions options;
        std::string err;
        const char* written;  // the file the command still wrote, or nullptr
    };
    const std::vector<Case> cases = {
        {"closed pipe", new_policy, stdout_as(StreamSetup::closed_pipe),
         "failed printing to stdout: Broken pipe (os error 32)\n", "p.json"},
        {"closed pipe, keygen",
         {"keygen", "k.seed"},
         stdout_as(StreamSetup::closed_pipe),
         "failed printing to stdout: Broken pipe (os error 32)\n",
         "k.seed"},
        {"full device", new_policy, stdout_as(StreamSetup::full_device),
         "failed printing to stdout: No space left on device (os error 28)\n", "p.json"},
        {"json, full device",
         {"--json", "target", "new", "--name", "t", "--target-type", "orrin_cloud", "--out", "t.json"},
         stdout_as(StreamSetup::full_device),
         "failed printing to stdout: No space left on device (os error 28)\n",
         "t.json"},
        {"error line, full device",
         {"retention", "show", "missing.json"},
         stderr_as(StreamSetup::full_device),
         "",
         nullptr},
    };
    for (const auto& c : cases) {
        ToolFolder folder;
        const auto run = folder.run(c.args, c.options);
        EXPECT_EQ(run.status, 101) << c.name;
        EXPECT_EQ(run.signal, 0) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
        if (c.written) {
            EXPECT_TRUE(folder.exists(c.written)) << c.name;
        }
    }
}

// Closed standard streams are connected to /dev/null before any file is
// opened, so no report can land in a file the command writes.
TEST(StatusTable, ClosedStandardStreamsNeverReachTheFiles) {
    ToolFolder folder;
    RunOptions all_closed;
    all_closed.in = all_closed.out = all_closed.err = StreamSetup::closed;
    ASSERT_EQ(folder.run({"keygen", "k.seed"}, all_closed).status, 0);
    const std::string seed = folder.read("k.seed");
    EXPECT_EQ(seed.size(), 64u);
    EXPECT_EQ(seed.find_first_not_of("0123456789abcdef"), std::string::npos) << seed;

    ASSERT_EQ(folder.run(new_policy, all_closed).status, 0);
    const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "p.json");
    ASSERT_TRUE(policy) << policy.error();
    EXPECT_EQ(folder.read("p.json"), orrincore_json::to_pretty(*policy));

    EXPECT_EQ(folder.run({"retention", "show", "missing.json"}, all_closed).status, 1);
}

// A failed write leaves the old record whole and no temporary file behind.
TEST(RecordWrite, FailuresKeepTheOldFile) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy).status, 0);
    fs::create_directory(folder / "dir");
    const std::string before = folder.read("p.json");

    const auto too_large = folder.run(
        {"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"}, file_size_limit(0));
    EXPECT_EQ(too_large.status, 1);
    EXPECT_EQ(too_large.out, "");
    EXPECT_EQ(too_large.err, "error: p.json: File too large (os error 27)\n");

    const auto into_directory =
        folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "dir"});
    EXPECT_EQ(into_directory.status, 1);
    EXPECT_EQ(into_directory.out, "");
    EXPECT_EQ(into_directory.err, "error: dir: Is a directory (os error 21)\n");
    EXPECT_TRUE(fs::is_empty(folder / "dir"));

    EXPECT_EQ(folder.read("p.json"), before);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"dir", "p.json"}));
}

TEST(RecordWrite, ReadOnlyFolderKeepsTheOldFile) {
    ToolFolder folder;
    fs::create_directory(folder / "ro");
    ASSERT_TRUE(new_policy_at(folder, "ro/p.json"));
    const std::string before = folder.read("ro/p.json");
    const auto readable = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder.path(), readable | fs::perms::owner_write);
    fs::permissions(folder / "ro", readable);
    fs::permissions(folder / "ro/p.json", fs::perms::all);
    {
        UnprivilegedWhileAlive nobody;
        if (::access(VEVI_EXECUTABLE, X_OK) != 0 || ::access((folder / "ro").c_str(), X_OK) != 0)
            GTEST_SKIP() << "an ordinary user cannot reach the tool or the folder here";
        const auto read_only =
            folder.run({"retention", "extend", "--policy", "ro/p.json", "--min-days", "60", "--out", "ro/p.json"});
        EXPECT_EQ(read_only.status, 1);
        EXPECT_EQ(read_only.out, "");
        EXPECT_EQ(read_only.err, "error: ro/p.json: Permission denied (os error 13)\n");
    }
    EXPECT_EQ(folder.read("ro/p.json"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "ro"), fs::directory_iterator()), 1);
}

TEST(RecordWrite, ReplacedFileKeepsItsModeAndLinksStay) {
    ToolFolder folder;
    fs::create_directory(folder / "data");
    ASSERT_TRUE(new_policy_at(folder, "data/p.json"));
    fs::permissions(folder / "data/p.json", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("data/p.json", folder / "link.json");

    const auto run =
        folder.run({"retention", "extend", "--policy", "link.json", "--min-days", "60", "--out", "link.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(folder / "link.json"));
    const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "data/p.json");
    ASSERT_TRUE(policy);
    EXPECT_EQ(policy->minimum_retention_days, 60u);
    EXPECT_EQ(mode_of(folder / "data/p.json"), 0640u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"data", "link.json"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "data"), fs::directory_iterator()), 1);

    // A device stays a device.
    EXPECT_EQ(
        folder.run({"retention", "extend", "--policy", "link.json", "--min-days", "60", "--out", "/dev/null"}).status,
        0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A standard stream named as the output (/dev/stdout leads through /proc to
// a pipe here) is written through like any device, not refused as missing.
TEST(RecordWrite, StandardStreamsTakeTheRecord) {
    for (const std::string stream : {"/dev/stdout", "/dev/stderr"}) {
        ToolFolder folder;
        const auto run = folder.run(
            {"retention", "new", "--name", "Mail", "--class", "compliance", "--min-days", "30", "--out", stream});
        ASSERT_EQ(run.status, 0) << stream << ": " << run.err;
        const std::string& shown = stream == "/dev/stdout" ? run.out : run.err;
        const std::size_t close = shown.find("\n}");
        ASSERT_NE(close, std::string::npos) << shown;
        const std::string record = shown.substr(0, close + 2);
        const auto policy = orrincore_json::parse<RetentionPolicy>(record);
        ASSERT_TRUE(policy) << record;
        EXPECT_EQ(record, orrincore_json::to_pretty(*policy));
        const std::string report = fmt::format("retention policy {} created: minimum 30d\n", policy->id.to_string());
        EXPECT_EQ(run.out, stream == "/dev/stdout" ? record + report : report);
        if (stream == "/dev/stderr") {
            EXPECT_EQ(run.err, record);
        }
        EXPECT_EQ(folder.entries(), std::vector<std::string>{});
    }
}

TEST(RecordRead, PathsAreShownAsTypedWithInvalidBytesReplaced) {
    ToolFolder folder;
    struct Case {
        std::string path;
        std::string shown;
    };
    for (const auto& [path, shown] : {Case{"\xff\xfe.json", "\xEF\xBF\xBD\xEF\xBF\xBD.json"},
                                      Case{"a\xE2\x82"
                                           "b.json",
                                           "a\xEF\xBF\xBD"
                                           "b.json"},
                                      Case{"./sub/../x.json", "./sub/../x.json"}}) {
        const auto run = folder.run({"retention", "show", path});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "error: " + shown + ": No such file or directory (os error 2)\n");
    }
    folder.write("bad.json", "{\"id\": 1}");
    const auto run = folder.run({"target", "show", "bad.json"});
    EXPECT_EQ(
        run.err,
        "error: bad.json: parse error: invalid type: integer `1`, expected a formatted UUID string at line 1 column 8\n");
}

// A record file longer than any record the tool writes is refused by its
// size, unread, before it fills the memory; nothing is written. (A pipe or
// device is read only that far, as a seed file is read only to its limit.)
TEST(RecordRead, FilesBeyondTheRecordSizeLimitAreRefused) {
    ToolFolder folder;
    { std::ofstream sparse(folder / "huge.json"); }
    fs::resize_file(folder / "huge.json", vevizovuvazavad::files::max_record_file_size + 1);
    struct Case {
        Args args;
        const char* path;
    };
    const std::vector<Case> cases = {
        {{"package", "show", "huge.json"}, "huge.json"},
        {{"trust", "list", "--store", "huge.json"}, "huge.json"},
        {{"ruleset", "sign", "--input", "huge.json", "--key", "k.seed", "--out", "r.json"}, "huge.json"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(c.args, " ")));
        const auto run = folder.run(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, fmt::format("error: {}: File too large (os error 27)\n", c.path));
    }
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"huge.json"});
}

// The access control list of a replaced record, as it is stored: a header
// and, in tag order, the owner, a named user, the group, the mask and others.
std::string access_acl_naming(std::uint32_t user, std::uint16_t user_permissions) {
    std::string acl;
    const auto add = [&acl](auto value) { acl.append(reinterpret_cast<const char*>(&value), sizeof value); };
    constexpr std::uint32_t unnamed = 0xffffffff;
    add(std::uint32_t{2});
    for (const auto& [tag, permissions, id] : {std::tuple{0x01, 6, unnamed},
                                               {0x02, user_permissions, user},
                                               {0x04, 4, unnamed},
                                               {0x10, 4, unnamed},
                                               {0x20, 4, unnamed}}) {
        add(static_cast<std::uint16_t>(tag));
        add(static_cast<std::uint16_t>(permissions));
        add(static_cast<std::uint32_t>(id));
    }
    return acl;
}

std::optional<std::string> access_acl_of(const fs::path& path) {
    std::string acl(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size());
    if (size < 0) return std::nullopt;
    acl.resize(static_cast<std::size_t>(size));
    return acl;
}

// A replaced record keeps its access control list, as it keeps its mode: a
// user shut out stays shut out, one let in stays let in.
TEST(RecordWrite, ReplacedFileKeepsItsAccessControlList) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy).status, 0);
    const std::string acl = access_acl_naming(vevizovuvazavad::testing::nobody_uid, 0);
    if (::setxattr((folder / "p.json").c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no access control lists here: " << std::strerror(errno);
    const auto before = access_acl_of(folder / "p.json");
    ASSERT_TRUE(before);
    const mode_t mode = mode_of(folder / "p.json");

    ASSERT_EQ(folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"}).status,
              0);
    EXPECT_EQ(access_acl_of(folder / "p.json"), before);
    EXPECT_EQ(mode_of(folder / "p.json"), mode);
}

// A replaced record gets exactly the access control list of the file it
// replaces, none where that had none: a neighbour named in the folder's
// default list may not read it. A new record inherits that list, as a
// plain `>` would make it.
TEST(RecordWrite, AReplacedRecordGainsNoAccessFromItsFolder) {
    ToolFolder folder;
    fs::create_directory(folder / "acl");
    ASSERT_TRUE(new_policy_at(folder, "acl/r.json"));
    ::chmod((folder / "acl/r.json").c_str(), 0640);
    const std::string acl = access_acl_naming(vevizovuvazavad::testing::nobody_uid, 6);
    if (::setxattr((folder / "acl").c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no access control lists here: " << std::strerror(errno);

    ASSERT_EQ(
        folder.run({"retention", "extend", "--policy", "acl/r.json", "--min-days", "60", "--out", "acl/r.json"}).status,
        0);
    EXPECT_EQ(access_acl_of(folder / "acl/r.json"), std::nullopt);
    EXPECT_EQ(mode_of(folder / "acl/r.json"), 0640u);

    ASSERT_EQ(folder.run({"retention", "extend", "--policy", "acl/r.json", "--min-days", "90", "--out", "acl/new.json"})
                  .status,
              0);
    EXPECT_NE(access_acl_of(folder / "acl/new.json"), std::nullopt);
}

// Where /proc is absent (a chroot, a container that masks it), a record
// reached through a link is still replaced whole: a write that fails, or a
// process killed at any moment of it, leaves the old record readable.
TEST(RecordWrite, WithoutProcARecordReachedThroughALinkIsReplacedWhole) {
    if (const auto why = vevizovuvazavad::testing::why_proc_cannot_be_hidden()) GTEST_SKIP() << *why;
    ToolFolder folder;
    fs::create_directory(folder / "a");
    fs::create_directory(folder / "b");
    ASSERT_TRUE(new_policy_at(folder, "b/pol.json"));
    fs::create_symlink("../b/pol.json", folder / "a/pl");
    const std::string before = folder.read("b/pol.json");
    const Args extend = {"retention", "extend", "--policy", "b/pol.json", "--min-days", "40", "--out", "a/pl"};
    RunOptions without_proc;
    without_proc.without_proc = true;

    RunOptions limited = without_proc;
    limited.file_size_limit = 100;
    const auto too_large = folder.run(extend, limited);
    EXPECT_EQ(too_large.status, 1);
    EXPECT_EQ(too_large.out, "");
    EXPECT_EQ(too_large.err, "error: a/pl: File too large (os error 27)\n");
    EXPECT_EQ(folder.read("b/pol.json"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "b"), fs::directory_iterator()), 1);

    // Killed at 120 moments spread over a whole run, as long as it takes on
    // this machine now.
    folder.write("b/pol.json", before);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(folder.run(extend, without_proc).status, 0);
    const auto whole_run = std::chrono::steady_clock::now() - started;
    int killed = 0;
    int broken = 0;
    for (int i = 0; i < 120; ++i) {
        folder.write("b/pol.json", before);
        RunOptions killing = without_proc;
        killing.time_limit = std::chrono::duration_cast<std::chrono::microseconds>(whole_run * i / 100);
        killed += folder.run(extend, killing).signal == SIGKILL;
        const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "b/pol.json");
        if (!policy) ++broken;
    }
    EXPECT_EQ(broken, 0);
    EXPECT_GT(killed, 0);
    RecordProperty("killed", killed);
    EXPECT_TRUE(fs::is_symlink(folder / "a/pl"));
}

// The new content is written into a file only its owner may read, whatever
// it will be given once complete: a neighbour who opens a temporary that
// has a name meanwhile reads nothing.
TEST(RecordWrite, NewContentIsWrittenOwnerOnly) {
    struct Case {
        const char* label;
        Args args;
        const char* existing;  // a file replaced, 0644, or nullptr
    };
    const std::vector<Case> cases = {
        {"a record replaced",
         {"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"},
         "p.json"},
        {"a new seed", {"keygen", "k.seed"}, nullptr},
        {"a seed replaced", {"keygen", "k.seed"}, "k.seed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ToolFolder folder;
        ASSERT_EQ(folder.run(new_policy).status, 0);
        if (c.existing) {
            folder.write(c.existing, folder.read("p.json"));
            ::chmod((folder / c.existing).c_str(), 0644);
        }
        const auto log = (folder / "modes").string();
        const auto run = folder.run(c.args, vevizovuvazavad::testing::meddled("write 1: mode " + log));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(folder.read("modes"), "600\n");
    }
}

// A link pointed elsewhere between the open that followed it and the
// rename: the write starts again and lands where the link now leads, never
// in the file it led to before.
TEST(RecordWrite, ALinkRepointedDuringTheWriteIsFollowedAgain) {
    ToolFolder folder;
    fs::create_directory(folder / "a");
    fs::create_directory(folder / "b");
    ASSERT_TRUE(new_policy_at(folder, "a/p.json"));
    fs::copy_file(folder / "a/p.json", folder / "b/p.json");
    fs::create_symlink("a/p.json", folder / "link");
    const std::string before = folder.read("a/p.json");
    const auto run = folder.run({"retention", "extend", "--policy", "a/p.json", "--min-days", "60", "--out", "link"},
                                vevizovuvazavad::testing::meddled("readlink 1: unlink link; symlink b/p.json link"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(folder.read("a/p.json"), before);
    const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "b/p.json");
    ASSERT_TRUE(policy) << policy.error();
    EXPECT_EQ(policy->minimum_retention_days, 60u);
}

// A neighbour who plants a link under the new name just before the record
// takes it: the link is never replaced, the write starts again and follows
// it, however the file system takes a free name (a file without a name
// linked in, a named temporary renamed without replacing, a hard link, or a
// check and a rename).
TEST(RecordWrite, ANameTakenMeanwhileIsNeverReplaced) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"unnamed files", "linkat 1: symlink elsewhere.json q.json"},
        {"named temporaries", "tmpfile *: fail EOPNOTSUPP | renameat2 1: symlink elsewhere.json q.json"},
        {"no rename flags",
         "tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL | linkat 1: symlink elsewhere.json q.json"},
        {"no hard links either",
         "tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL | linkat *: fail EPERM | "
         "renameat2 1: symlink elsewhere.json q.json"},
    };
    for (const auto& [label, rules] : cases) {
        SCOPED_TRACE(label);
        ToolFolder folder;
        ASSERT_TRUE(new_policy_at(folder, "p.json"));
        const auto run =
            folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "q.json"},
                       vevizovuvazavad::testing::meddled(rules));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(fs::is_symlink(folder / "q.json"));
        const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "elsewhere.json");
        ASSERT_TRUE(policy) << policy.error();
        EXPECT_EQ(policy->minimum_retention_days, 60u);
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{"elsewhere.json", "p.json", "q.json"}));
    }
}

// Where names cannot be swapped, the entry is checked to still hold the file
// the open reached before the new one is renamed over it: a neighbour's
// link put there meanwhile stays, and the write follows it.
TEST(RecordWrite, WithoutSwapsTheEntryIsCheckedBeforeTheRename) {
    ToolFolder folder;
    ASSERT_TRUE(new_policy_at(folder, "p.json"));
    const std::string before = folder.read("p.json");
    const auto run = folder.run(
        {"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"},
        vevizovuvazavad::testing::meddled("tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL | after linkat 1: "
                                          "rename p.json p.moved; symlink elsewhere.json p.json"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(folder / "p.json"));
    EXPECT_EQ(folder.read("p.moved"), before);
    const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "elsewhere.json");
    ASSERT_TRUE(policy) << policy.error();
    EXPECT_EQ(policy->minimum_retention_days, 60u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"elsewhere.json", "p.json", "p.moved"}));
}

// The folder is flushed once the record is in place, whether it took a new
// name or replaced a file: a record reported written survives a power loss.
TEST(RecordWrite, TheFolderIsFlushedOnceTheRecordIsInPlace) {
    for (const char* out : {"q.json", "p.json"}) {
        SCOPED_TRACE(out);
        ToolFolder folder;
        ASSERT_TRUE(new_policy_at(folder, "p.json"));
        const auto log = (folder / "calls").string();
        const auto run = folder.run(
            {"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", out},
            vevizovuvazavad::testing::meddled(fmt::format("fsync *: note {0} | after renameat2 *: note {0} | "
                                                          "after renameat *: note {0} | after linkat *: note {0}",
                                                          log)));
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<std::string> calls;
        std::istringstream lines(folder.read("calls"));
        for (std::string line; std::getline(lines, line);) calls.push_back(line);
        // The record's own flush, its placement (the last call that names
        // it), then the folder's.
        const auto placed = std::find_if(calls.rbegin(), calls.rend(), [&](const std::string& call) {
            return call.find(fmt::format(" {}", out)) != std::string::npos;
        });
        ASSERT_NE(placed, calls.rend()) << folder.read("calls");
        EXPECT_EQ(calls.front(), "fsync file");
        EXPECT_EQ(std::vector<std::string>(calls.rbegin(), placed), std::vector<std::string>{"fsync dir"})
            << folder.read("calls");
    }
}

// The record's name changed between the look that found a file there and
// the open: the write starts again rather than go to a file that has lost
// its name, or leave behind an empty file the open made.
TEST(RecordWrite, ANameChangedAtTheOpenIsWrittenAgain) {
    ToolFolder folder;
    ASSERT_TRUE(new_policy_at(folder, "p.json"));
    ASSERT_TRUE(new_policy_at(folder, "other.json"));
    const Args extend = {"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"};
    // Another file renamed over it just after the open.
    auto run = folder.run(extend, vevizovuvazavad::testing::meddled("after create 1: rename other.json p.json"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "p.json");
    ASSERT_TRUE(policy) << policy.error();
    EXPECT_EQ(policy->minimum_retention_days, 60u);
    // Removed just before the open, which then makes it empty; the write
    // fails later, and leaves no file where there is none.
    run = folder.run(extend, vevizovuvazavad::testing::meddled("create 1: unlink p.json | write 1: fail ENOSPC"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: p.json: No space left on device (os error 28)\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});
}

// The replaced file is closed before its last name is removed, whether it
// was swapped out or kept under a second name: a FUSE file system would
// otherwise keep it, still open, under a hidden name of its own, and its
// folder could not be removed meanwhile.
TEST(RecordWrite, TheReplacedFileIsClosedBeforeItsNameGoes) {
    for (const char* rules : {"", "tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL | "}) {
        SCOPED_TRACE(rules);
        ToolFolder folder;
        ASSERT_TRUE(new_policy_at(folder, "p.json"));
        const auto held = fmt::format("{}unlinkat 1: held .p.json.*.tmp {}", rules, (folder / "held").string());
        const auto run =
            folder.run({"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"},
                       vevizovuvazavad::testing::meddled(held));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(folder.read("held"), "0\n");
    }
}

const std::string key_a = vevizovuvazavad::testing::public_key_hex(vevizovuvazavad::testing::key_from_seed(0xA1));

// A link replaced by a file between the look that found it a link and the
// read of its target: the write starts again and replaces that file, with
// or without /proc.
TEST(RecordWrite, ALinkThatTurnsIntoAFileIsWrittenAgain) {
    std::vector<bool> proc_cases{true};
    if (!vevizovuvazavad::testing::why_proc_cannot_be_hidden()) proc_cases.push_back(false);
    for (const bool with_proc : proc_cases) {
        SCOPED_TRACE(with_proc ? "with /proc" : "without /proc");
        ToolFolder folder;
        ASSERT_TRUE(new_policy_at(folder, "a.json"));
        const std::string before = folder.read("a.json");
        folder.write("file.json", "a file");
        fs::create_symlink("a.json", folder / "link");
        auto options = vevizovuvazavad::testing::meddled("linktarget 1: rename file.json link");
        options.without_proc = !with_proc;
        const auto run =
            folder.run({"retention", "extend", "--policy", "a.json", "--min-days", "60", "--out", "link"}, options);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(fs::is_symlink(folder / "link"));
        EXPECT_EQ(folder.read("a.json"), before);
        const auto policy = vevizovuvazavad::files::read_json<RetentionPolicy>(folder / "link");
        ASSERT_TRUE(policy) << policy.error();
        EXPECT_EQ(policy->minimum_retention_days, 60u);
    }
}

// A process killed once the new content is written but before it takes its
// name leaves the old record, or no file where there was none, even through
// a link to a name not there yet: never an empty or partial file. Where the
// file system makes files without a name, nothing else is left either;
// elsewhere, at most the temporaries.
TEST(RecordWrite, AKilledWriteLeavesNothingBehind) {
    ToolFolder folder;
    ASSERT_EQ(folder.run(new_policy).status, 0);
    fs::create_symlink("fresh.json", folder / "dangling");
    const std::string before = folder.read("p.json");
    const auto killed = vevizovuvazavad::testing::meddled("fsync 1: kill");
    for (const Args& args : {Args{"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "p.json"},
                             Args{"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "q.json"},
                             Args{"retention", "extend", "--policy", "p.json", "--min-days", "60", "--out", "dangling"},
                             Args{"keygen", "k.seed"}, Args{"keygen", "dangling"},
                             Args{"trust", "add", "--store", "dangling", "--name", "a", "--pubkey", key_a}}) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(args, " ")));
        const auto run = folder.run(args, killed);
        EXPECT_EQ(run.signal, SIGKILL);
        std::vector<std::string> left;
        for (const auto& name : folder.entries())
            if (!vevizovuvazavad::testing::is_temporary_name(name)) left.push_back(name);
        EXPECT_EQ(left, (std::vector<std::string>{"dangling", "p.json"}));
        if (vevizovuvazavad::testing::makes_unnamed_files(folder.path())) {
            EXPECT_EQ(left, folder.entries());
        }
        EXPECT_EQ(folder.read("p.json"), before);
    }
}

}  // namespace
