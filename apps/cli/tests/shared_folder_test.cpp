// Writing records and seeds in folders that other users share: the tool may
// write exactly where the shell's own write by the same user may, and a new
// seed belongs to whoever made it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "io/file_descriptor.hpp"
#include "io/record_file.hpp"
#include "run_tool.hpp"
#include "unprivileged.hpp"

namespace {

using vevizovuvazavad::testing::nobody_uid;
using vevizovuvazavad::testing::RunResult;
using vevizovuvazavad::testing::ToolFolder;
using vevizovuvazavad::testing::UnprivilegedWhileAlive;
namespace fs = std::filesystem;

// A kernel setting under /proc/sys/fs, changed while this lives and then
// restored; `changed()` is false where this process may not change it. Test
// processes run side by side: each holds a lock on the settings' folder
// while it has one changed.
class KernelSetting {
public:
    KernelSetting(std::string name, std::string value)
        : path_("/proc/sys/fs/" + std::move(name)), lock_(::open("/proc/sys/fs", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (lock_.get() < 0 || ::flock(lock_.get(), LOCK_EX) != 0) return;
        old_ = read();
        if (old_.empty() || !write(value)) return;
        changed_ = read() == value;
    }
    ~KernelSetting() {
        if (changed_) {
            EXPECT_TRUE(write(old_)) << path_ << " not restored to " << old_;
        }
    }
    KernelSetting(const KernelSetting&) = delete;
    KernelSetting& operator=(const KernelSetting&) = delete;
    bool changed() const { return changed_; }

private:
    std::string read() const {
        std::ifstream in(path_);
        std::string value;
        in >> value;
        return value;
    }
    bool write(const std::string& value) const {
        std::ofstream out(path_);
        out << value << '\n';
        out.close();
        return !out.fail();
    }

    std::string path_;
    vevizovuvazavad::io::FileDescriptor lock_;
    std::string old_;
    bool changed_ = false;
};

// The oracle: whether the shell's own write by the current user may open
// `path` in `folder` (an O_CREAT open for writing, as the tool's). `>>`
// rather than `>`, so that asking changes nothing.
bool shell_may_write(const ToolFolder& folder, const std::string& path) {
    return std::system(fmt::format("cd '{}' && {{ : >> '{}'; }} 2>/dev/null", folder.path().string(), path).c_str()) == 0;
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

const std::vector<std::string> new_policy = {"retention", "new", "--name", "Mail", "--class", "compliance",
                                             "--min-days", "30", "--out"};

bool holds_a_policy(const ToolFolder& folder, std::string_view name) {
    return static_cast<bool>(vevizovuvazavad::io::read_json<vuvadededoru_contracts::RetentionPolicy>(folder / name));
}

// Links and files planted in shared folders, and files the writer may not
// write: the tool refuses exactly where the shell's write by the same user
// is refused (with that open's error, nothing changed), and where that write
// may follow a link it still does, and the link stays.
TEST(SharedFolder, TheToolWritesExactlyWhereTheShellMay) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as two users";
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
        bool as_nobody;  // who runs the tool (and the shell)
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
        {"a neighbour's link to a folder, in a sticky folder", false, protect_links, "sticky",
         {Kind::folder_link, nobody_uid, 0}, false},
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
            if (::access(VEVI_EXECUTABLE, X_OK) != 0) GTEST_SKIP() << "an ordinary user cannot run the tool here";
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

// A new seed belongs to whoever ran keygen and is 0600, whoever owned the
// file it replaces; where the kernel protects that file, it is refused.
TEST(SharedFolder, ANewSeedBelongsToWhoeverMadeIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as two users";
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
// own pipe, not a neighbour's, whose reader would have the secret.
TEST(SharedFolder, ASeedGoesThroughNoOtherUsersPipe) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as two users";
    for (const bool neighbours : {true, false}) {
        SCOPED_TRACE(neighbours ? "a neighbour's pipe" : "one's own pipe");
        SharedFolders shared;
        const ToolFolder& folder = shared.folder;
        ASSERT_EQ(::mkfifo((folder / "nobodys/signer.seed").c_str(), 0666), 0);
        if (neighbours) give_to_nobody(folder / "nobodys/signer.seed");
        const vevizovuvazavad::io::FileDescriptor reader(
            ::open((folder / "nobodys/signer.seed").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        ASSERT_TRUE(reader.valid());
        const auto run = folder.run({"keygen", "nobodys/signer.seed"});
        char received[128];
        const ssize_t got = ::read(reader.get(), received, sizeof received);
        if (neighbours) {
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
    if (::access(VEVI_EXECUTABLE, X_OK) != 0) GTEST_SKIP() << "an ordinary user cannot run the tool here";
    ToolFolder folder;
    EXPECT_EQ(folder.run({"keygen", "/dev/null"}).status, 0);
}

}  // namespace
