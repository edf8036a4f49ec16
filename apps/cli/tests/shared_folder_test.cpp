// Writing records and seeds in folders that other users share: the tool may
// write exactly where the shell's own write by the same user may, and a new
// seed belongs to whoever made it.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "files/record_file.hpp"
#include "key_fixtures.hpp"
#include "run_tool.hpp"
#include "system/file_descriptor.hpp"
#include "unprivileged.hpp"

namespace {

using vevizovuvazavad::testing::nobody_uid;
using vevizovuvazavad::testing::RunResult;
using vevizovuvazavad::testing::ToolFolder;
using vevizovuvazavad::testing::UnprivilegedWhileAlive;
namespace fs = std::filesystem;

// Kernel settings under /proc/sys/fs, changed while this lives and then
// restored; `changed()` is false where this process may not change them.
// Test processes run side by side: each holds a lock on the settings' folder
// while it has some changed.
class KernelSetting {
public:
    KernelSetting(std::string name, std::string value) : KernelSetting({{std::move(name), std::move(value)}}) {}
    explicit KernelSetting(const std::vector<std::pair<std::string, std::string>>& settings)
        : lock_(::open("/proc/sys/fs", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (lock_.get() < 0 || ::flock(lock_.get(), LOCK_EX) != 0) return;
        changed_ = true;
        for (const auto& [name, value] : settings) {
            Setting setting{"/proc/sys/fs/" + name, ""};
            setting.old = read(setting.path);
            if (setting.old.empty() || !write(setting.path, value)) {
                changed_ = false;
                break;
            }
            settings_.push_back(setting);
            changed_ = changed_ && read(setting.path) == value;
        }
    }
    ~KernelSetting() {
        for (const auto& setting : settings_) {
            EXPECT_TRUE(write(setting.path, setting.old)) << setting.path << " not restored to " << setting.old;
        }
    }
    KernelSetting(const KernelSetting&) = delete;
    KernelSetting& operator=(const KernelSetting&) = delete;
    bool changed() const { return changed_; }

private:
    struct Setting {
        std::string path;
        std::string old;
    };
    static std::string read(const std::string& path) {
        std::ifstream in(path);
        std::string value;
        in >> value;
        return value;
    }
    static bool write(const std::string& path, const std::string& value) {
        std::ofstream out(path);
        out << value << '\n';
        out.close();
        return !out.fail();
    }

    vevizovuvazavad::system::FileDescriptor lock_;
    std::vector<Setting> settings_;
    bool changed_ = false;
};

// The oracle: whether the shell's own write by the current user may open
// `path` in `folder` (an O_CREAT open for writing, as the tool's). `>>`
// rather than `>`, so that asking changes nothing.
bool shell_may_write(const ToolFolder& folder, const std::string& path) {
    return std::system(fmt::format("cd '{}' && {{ : >> '{}'; }} 2>/dev/null", folder.path().string(), path).c_str()) ==
           0;
}

uid_t owner_of(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_uid;
}

mode_t mode_of(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Makes `path` belong to nobody (its group too).
void give_to_nobody(const fs::path& path) {
    ASSERT_EQ(::lchown(path.c_str(), nobody_uid, vevizovuvazavad::testing::nobody_gid), 0) << path;
}

// A folder as other users share it: "sticky" (1777, like /tmp), "open"
// (0777 without the sticky bit), "nobodys" (0755, nobody's own),
// "write-only" (0300, nobody's), and "root-only/victim", a file only root
// may reach.
class SharedFolders {
public:
    SharedFolders() {
        fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
        for (const auto& [name, mode] :
             {std::pair{"sticky", 01777}, {"open", 0777}, {"nobodys", 0755}, {"write-only", 0300}}) {
            fs::create_directory(folder / name);
            ::chmod((folder / name).c_str(), static_cast<mode_t>(mode));
        }
        give_to_nobody(folder / "nobodys");
        give_to_nobody(folder / "write-only");
        fs::create_directory(folder / "root-only");
        ::chmod((folder / "root-only").c_str(), 0700);
        folder.write("root-only/victim", "victim");
    }
    ToolFolder folder;
};

const std::vector<std::string> new_policy = {"retention",  "new",        "--name", "Mail", "--class",
                                             "compliance", "--min-days", "30",     "--out"};

bool holds_a_policy(const ToolFolder& folder, std::string_view name) {
    return static_cast<bool>(vevizovuvazavad::files::read_json<vuvadededoru_contracts::RetentionPolicy>(folder / name));
}

// Links and files planted in shared folders, and files the writer may not
// write: the tool refuses exactly where the shell's write by the same user
// is refused (with that open's error, nothing changed), and where that write
// may follow a link it still does, and the link stays.
TEST(SharedFolder, TheToolWritesExactlyWhereTheShellMay) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    enum class Kind {
        file_link,    // report.json, a link to root-only/victim
        folder_link,  // dir, a link to root-only: the output is dir/victim
        file,         // report.json, a file of `mode`
    };
    struct Entry {
        Kind kind;
        uid_t owner;  // who made it
        mode_t mode;  // of a file
    };
    struct Case {
        const char* label;
        bool as_nobody;                                              // who runs the tool (and the shell)
        std::optional<std::pair<const char*, const char*>> setting;  // a kernel setting for the case
        const char* folder;
        Entry entry;
        bool refused;
    };
    const auto protect_links = std::pair{"protected_symlinks", "1"};
    const auto protect_files = std::pair{"protected_regular", "1"};
    const Entry nobodys_link{Kind::file_link, nobody_uid, 0};
    const Entry nobodys_file{Kind::file, nobody_uid, 0644};
    const std::vector<Case> cases = {
        {"a neighbour's link in a sticky folder", false, protect_links, "sticky", nobodys_link, true},
        {"the same, links unprotected", false, std::pair{"protected_symlinks", "0"}, "sticky", nobodys_link, false},
        {"one's own link in a sticky folder", false, protect_links, "sticky", {Kind::file_link, 0, 0}, false},
        {"a neighbour's link in a folder without the sticky bit", false, protect_links, "open", nobodys_link, false},
        // The kernel guards the last link of a path only.
        {"a neighbour's link to a folder, in a sticky folder",
         false,
         protect_links,
         "sticky",
         {Kind::folder_link, nobody_uid, 0},
         false},
        {"a neighbour's file in a sticky folder", false, protect_files, "sticky", nobodys_file, true},
        {"the same, files unprotected", false, std::pair{"protected_regular", "0"}, "sticky", nobodys_file, false},
        {"one's own read-only file", true, std::nullopt, "nobodys", {Kind::file, nobody_uid, 0444}, true},
        {"another user's file", true, std::nullopt, "nobodys", {Kind::file, 0, 0644}, true},
        {"another user's file that all may write", true, std::nullopt, "nobodys", {Kind::file, 0, 0666}, false},
        {"root and a read-only file", false, std::nullopt, "nobodys", {Kind::file, nobody_uid, 0444}, false},
        {"one's own file in a folder one may write but not read", true, std::nullopt, "write-only", nobodys_file,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SharedFolders shared;
        const ToolFolder& folder = shared.folder;
        std::optional<KernelSetting> setting;
        if (c.setting) {
            setting.emplace(c.setting->first, c.setting->second);
            if (!setting->changed()) GTEST_SKIP() << "cannot set fs." << c.setting->first << " here";
        }
        std::string out = fmt::format("{}/report.json", c.folder);
        std::string was = out;  // the file a write through `out` reaches
        switch (c.entry.kind) {
        case Kind::file_link:
            fs::create_symlink(folder / "root-only/victim", folder / out);
            was = "root-only/victim";
            break;
        case Kind::folder_link:
            out = fmt::format("{}/dir", c.folder);
            fs::create_symlink(folder / "root-only", folder / out);
            out += "/victim";
            was = "root-only/victim";
            break;
        case Kind::file:
            folder.write(out, "earlier");
            ::chmod((folder / out).c_str(), c.entry.mode);
            break;
        }
        const std::string planted = c.entry.kind == Kind::folder_link ? fmt::format("{}/dir", c.folder) : out;
        if (c.entry.owner == nobody_uid) give_to_nobody(folder / planted);
        const auto before = folder.read(was);

        RunResult run;
        bool shell_may = false;
        {
            std::optional<UnprivilegedWhileAlive> nobody;
            if (c.as_nobody) nobody.emplace();
            shell_may = shell_may_write(folder, out);
            auto args = new_policy;
            args.push_back(out);
            run = folder.run(args);
        }
        EXPECT_EQ(shell_may, !c.refused) << "the case does not show what it means to";
        EXPECT_EQ(run.status == 0, shell_may) << run.err;
        if (c.refused) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, fmt::format("error: {}: Permission denied (os error 13)\n", out));
            EXPECT_EQ(folder.read(was), before);
        } else {
            EXPECT_TRUE(holds_a_policy(folder, was)) << folder.read(was);
        }
        EXPECT_EQ(fs::is_symlink(folder / planted), c.entry.kind != Kind::file);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / c.folder), fs::directory_iterator()), 1);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "root-only"), fs::directory_iterator()), 1);
    }
}

// A record that root replaces stays its owner's, with its mode: only a
// seed changes hands.
TEST(SharedFolder, AReplacedRecordKeepsItsOwner) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    SharedFolders shared;
    const ToolFolder& folder = shared.folder;
    auto args = new_policy;
    args.push_back("nobodys/p.json");
    ASSERT_EQ(folder.run(args).status, 0);
    give_to_nobody(folder / "nobodys/p.json");
    ::chmod((folder / "nobodys/p.json").c_str(), 0640);
    const auto run = folder.run(
        {"retention", "extend", "--policy", "nobodys/p.json", "--min-days", "60", "--out", "nobodys/p.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(owner_of(folder / "nobodys/p.json"), nobody_uid);
    EXPECT_EQ(mode_of(folder / "nobodys/p.json"), 0640u);
}

// A member of a record's group who replaces it keeps the group, as the
// shell's write would: the owner and the other members may still use it.
TEST(SharedFolder, AGroupMembersReplacementKeepsTheGroup) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    constexpr uid_t member = 1000;
    constexpr gid_t group = 2000;
    SharedFolders shared;
    const ToolFolder& folder = shared.folder;
    auto args = new_policy;
    args.push_back("open/p.json");
    ASSERT_EQ(folder.run(args).status, 0);
    ASSERT_EQ(::chown((folder / "open/p.json").c_str(), nobody_uid, group), 0);
    ASSERT_EQ(::chmod((folder / "open/p.json").c_str(), 0660), 0);
    {
        UnprivilegedWhileAlive as_member(member, member, {group});
        const auto run =
            folder.run({"retention", "extend", "--policy", "open/p.json", "--min-days", "60", "--out", "open/p.json"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    struct stat status {};
    ASSERT_EQ(::stat((folder / "open/p.json").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, member);
    EXPECT_EQ(status.st_gid, group);
    EXPECT_EQ(status.st_mode & 07777, 0660u);
}

// A new seed belongs to whoever ran keygen and is 0600, whoever owned the
// file it replaces; where the kernel protects that file, it is refused.
TEST(SharedFolder, ANewSeedBelongsToWhoeverMadeIt) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    struct Case {
        const char* label;
        const char* folder;
        const char* protected_regular;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"over a file of nobody's in nobody's folder", "nobodys", "1", false},
        {"over a file of nobody's in a sticky folder", "sticky", "0", false},
        {"the same, files protected", "sticky", "1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SharedFolders shared;
        const ToolFolder& folder = shared.folder;
        KernelSetting setting("protected_regular", c.protected_regular);
        if (!setting.changed()) GTEST_SKIP() << "cannot set fs.protected_regular here";
        const std::string seed = fmt::format("{}/signer.seed", c.folder);
        folder.write(seed, "");
        ::chmod((folder / seed).c_str(), 0644);
        give_to_nobody(folder / seed);

        const auto run = folder.run({"keygen", seed});
        if (c.refused) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "error: Permission denied (os error 13)\n");
            EXPECT_EQ(folder.read(seed), "");
            EXPECT_EQ(owner_of(folder / seed), nobody_uid);
        } else {
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(folder.read(seed).size(), 64u);
            EXPECT_EQ(owner_of(folder / seed), 0u);
            EXPECT_EQ(mode_of(folder / seed), 0600u);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / c.folder), fs::directory_iterator()), 1);
    }
}

// A seed goes through a pipe only where nobody else may read it: the user's
// own pipe that only its owner may read, not a neighbour's, nor one that
// others may read, whose reader would have the secret.
TEST(SharedFolder, ASeedGoesThroughNoPipeOthersMayRead) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    struct Case {
        const char* label;
        bool neighbours;
        mode_t mode;
        bool refused;
    };
    for (const auto& c :
         {Case{"a neighbour's pipe", true, 0600, true}, Case{"one's own pipe that others may read", false, 0644, true},
          Case{"one's own pipe that its group may read", false, 0640, true},
          Case{"one's own pipe that only its owner may read", false, 0600, false}}) {
        SCOPED_TRACE(c.label);
        SharedFolders shared;
        const ToolFolder& folder = shared.folder;
        const auto pipe = folder / "nobodys/signer.seed";
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        ASSERT_EQ(::chmod(pipe.c_str(), c.mode), 0);
        if (c.neighbours) give_to_nobody(pipe);
        const vevizovuvazavad::system::FileDescriptor reader(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        ASSERT_TRUE(reader.valid());
        const auto run = folder.run({"keygen", "nobodys/signer.seed"});
        char received[128];
        const ssize_t got = ::read(reader.get(), received, sizeof received);
        if (c.refused) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "error: Permission denied (os error 13)\n");
            EXPECT_LE(got, 0);
        } else {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(got, 64);
        }
    }
    // The null device takes anyone's seed and keeps none.
    UnprivilegedWhileAlive nobody;
    ToolFolder folder;
    EXPECT_EQ(folder.run({"keygen", "/dev/null"}).status, 0);
}

// A neighbour who, in a sticky folder, swaps a file of theirs with a link
// into their own folder again and again: root's seed lands under the name
// root gave or nowhere, never in the neighbour's folder, which would leave
// root trusting the neighbour's key under its own name.
class NameSwapper {
public:
    // Makes sticky/out (nobody's), its second name nobodys/hl and a link to
    // that, nobodys/sl, then swaps sticky/out and nobodys/sl until stopped.
    explicit NameSwapper(const fs::path& folder)
        : out_((folder / "sticky/out").string()),
          hard_link_((folder / "nobodys/hl").string()),
          link_((folder / "nobodys/sl").string()) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            // Only system calls from here on: the test process has threads.
            if (::setgroups(0, nullptr) != 0 ||
                ::setresgid(vevizovuvazavad::testing::nobody_gid, vevizovuvazavad::testing::nobody_gid,
                            vevizovuvazavad::testing::nobody_gid) != 0 ||
                ::setresuid(nobody_uid, nobody_uid, nobody_uid) != 0)
                ::_exit(1);
            const int file = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (file < 0 || ::write(file, "ATTACKER", 8) != 8 || ::close(file) != 0) ::_exit(1);
            if (::link(out_.c_str(), hard_link_.c_str()) != 0 || ::symlink(hard_link_.c_str(), link_.c_str()) != 0)
                ::_exit(1);
            if (::write(ready[1], "r", 1) != 1) ::_exit(1);
            for (;;) ::renameat2(AT_FDCWD, out_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE);
        }
        ::close(ready[1]);
        char byte = 0;
        ready_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~NameSwapper() { stop(); }
    NameSwapper(const NameSwapper&) = delete;
    NameSwapper& operator=(const NameSwapper&) = delete;

    bool ready() const { return ready_; }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::string out_;
    std::string hard_link_;
    std::string link_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

TEST(SharedFolder, NoRaceSendsASeedIntoANeighboursFolder) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    // Debian's defaults: a neighbour's link in a sticky folder is not
    // followed, a neighbour's file there may be written.
    KernelSetting setting(
        std::vector<std::pair<std::string, std::string>>{{"protected_symlinks", "1"}, {"protected_regular", "0"}});
    if (!setting.changed()) GTEST_SKIP() << "cannot set fs.protected_symlinks and fs.protected_regular here";
    // Where /proc is absent the writer follows the links by hand, which finds
    // some name of the file the open reached, not the one it came through.
    std::vector<bool> proc_cases{true};
    if (!vevizovuvazavad::testing::why_proc_cannot_be_hidden()) proc_cases.push_back(false);
    constexpr int tries = 200;
    for (const bool with_proc : proc_cases) {
        int written = 0;
        for (int attempt = 0; attempt < tries; ++attempt) {
            SCOPED_TRACE(fmt::format("try {}{}", attempt, with_proc ? "" : " without /proc"));
            SharedFolders shared;
            const ToolFolder& folder = shared.folder;
            NameSwapper swapper(folder.path());
            ASSERT_TRUE(swapper.ready());
            vevizovuvazavad::testing::RunOptions options;
            options.without_proc = !with_proc;
            const auto run = folder.run({"keygen", "sticky/out"}, options);
            swapper.stop();
            // Nothing of root's is in the neighbour's folder.
            for (const auto& entry : fs::directory_iterator(folder / "nobodys"))
                EXPECT_EQ(owner_of(entry.path()), nobody_uid) << entry.path();
            if (run.status == 0) {
                ++written;
                EXPECT_FALSE(fs::is_symlink(folder / "sticky/out"));
                EXPECT_EQ(owner_of(folder / "sticky/out"), 0u);
                EXPECT_EQ(folder.read("sticky/out").size(), 64u);
            } else {
                // The open met the neighbour's link, or the names kept changing.
                EXPECT_TRUE(run.err == "error: Permission denied (os error 13)\n" ||
                            run.err == "error: Resource temporarily unavailable (os error 11)\n")
                    << run.err;
            }
        }
        RecordProperty(with_proc ? "seeds_written" : "seeds_written_without_proc", written);
    }
}

// A neighbour's link planted while the tool follows a link to a name not
// there yet: the kernel would not follow it for root, and neither does the
// write, which is refused without writing anything.
TEST(SharedFolder, ALinkPlantedWhileALinkIsFollowedIsNotFollowed) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    KernelSetting setting("protected_symlinks", "1");
    if (!setting.changed()) GTEST_SKIP() << "cannot set fs.protected_symlinks here";
    SharedFolders shared;
    const ToolFolder& folder = shared.folder;
    fs::create_symlink("target", folder / "sticky/out");
    fs::create_symlink("../nobodys/planted", folder / "sticky/theirs");
    give_to_nobody(folder / "sticky/theirs");
    const auto run = folder.run({"keygen", "sticky/out"},
                                vevizovuvazavad::testing::meddled("linktarget 1: rename sticky/theirs sticky/target"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: Permission denied (os error 13)\n");
    EXPECT_FALSE(fs::exists(folder / "nobodys/planted"));
}

// Adds to a store in a folder its user may write but not read, where the
// folder cannot be locked: each is refused unchanged, none reports success
// and then goes missing.
TEST(SharedFolder, AStoreThatCannotBeLockedIsRefused) {
    if (const auto why = vevizovuvazavad::testing::why_two_users_cannot_act()) GTEST_SKIP() << *why;
    SharedFolders shared;
    const ToolFolder& folder = shared.folder;
    fs::create_directory(folder / "wx");
    ::chmod((folder / "wx").c_str(), 0733);
    UnprivilegedWhileAlive nobody;
    constexpr int adds = 50;
    std::vector<std::future<RunResult>> runs;
    for (int i = 0; i < adds; ++i) {
        runs.push_back(std::async(std::launch::async, [&folder, i] {
            const auto key = vevizovuvazavad::testing::key_from_seed(static_cast<std::uint8_t>(i + 1));
            return folder.run({"trust", "add", "--store", "wx/trust.json", "--name", fmt::format("signer-{}", i),
                               "--pubkey", vevizovuvazavad::testing::public_key_hex(key)});
        }));
    }
    for (auto& run : runs) {
        const auto result = run.get();
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "error: wx/trust.json: Permission denied (os error 13)\n");
    }
    EXPECT_FALSE(folder.exists("wx/trust.json"));
}

}  // namespace
