#include "system/replace_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "run_tool.hpp"
#include "system/write_all.hpp"

namespace {

using vevizovuvazavad::system::FileMode;
using vevizovuvazavad::system::FileReplacement;
using vevizovuvazavad::system::Operation;
using vevizovuvazavad::system::replace_file;
using vevizovuvazavad::system::replace_files;
using vevizovuvazavad::testing::ToolFolder;
namespace fs = std::filesystem;

mode_t mode_of(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

int error_of(const std::expected<void, int>& result) { return result ? 0 : result.error(); }

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }

private:
    mode_t old_;
};

TEST(ReplaceFile, NewRecordFileGetsTheDefaultModeLessTheMask) {
    ToolFolder folder;
    ScopedUmask mask(027);
    ASSERT_EQ(error_of(replace_file(folder / "p.json", "{}", FileMode::record)), 0);
    EXPECT_EQ(folder.read("p.json"), "{}");
    EXPECT_EQ(mode_of(folder / "p.json"), 0640u);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"p.json"});
}

TEST(ReplaceFile, ExistingRecordFileKeepsItsModeAndSecretsAreOwnerOnly) {
    struct Case {
        FileMode mode;
        mode_t before;
        mode_t after;
    };
    for (const auto& [file_mode, before, after] :
         {Case{FileMode::record, 0604, 0604}, Case{FileMode::record, 0600, 0600},
          Case{FileMode::owner_only, 0644, 0600}, Case{FileMode::owner_only, 0400, 0600}}) {
        ToolFolder folder;
        folder.write("f", "old content, longer than the new one");
        ::chmod((folder / "f").c_str(), before);
        ASSERT_EQ(error_of(replace_file(folder / "f", "new", file_mode)), 0);
        EXPECT_EQ(folder.read("f"), "new");
        EXPECT_EQ(mode_of(folder / "f"), after) << std::oct << before;
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"f"});
    }
}

TEST(ReplaceFile, NewSecretIsOwnerOnlyWhateverTheMask) {
    ToolFolder folder;
    ScopedUmask mask(0);
    ASSERT_EQ(error_of(replace_file(folder / "seed", "secret", FileMode::owner_only)), 0);
    EXPECT_EQ(mode_of(folder / "seed"), 0600u);
}

TEST(ReplaceFile, SymbolicLinksAreFollowedAndStay) {
    ToolFolder folder;
    fs::create_directory(folder.path() / "data");
    folder.write("data/real.json", "old");
    ::chmod((folder / "data/real.json").c_str(), 0640);
    fs::create_symlink("real.json", folder.path() / "data/link1");  // relative to its own folder
    fs::create_symlink("data/link1", folder.path() / "link2");      // a chain of two
    ASSERT_EQ(error_of(replace_file(folder / "link2", "new", FileMode::record)), 0);
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link2"));
    EXPECT_TRUE(fs::is_symlink(folder.path() / "data/link1"));
    EXPECT_EQ(folder.read("data/real.json"), "new");
    EXPECT_EQ(mode_of(folder / "data/real.json"), 0640u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"data", "link2"}));

    // A link to a file not yet there creates that file.
    fs::create_symlink(folder / "data/later.json", folder.path() / "dangling");
    ASSERT_EQ(error_of(replace_file(folder / "dangling", "made", FileMode::record)), 0);
    EXPECT_TRUE(fs::is_symlink(folder.path() / "dangling"));
    EXPECT_EQ(folder.read("data/later.json"), "made");
}

TEST(ReplaceFile, RefusalsLeaveNothingBehind) {
    ToolFolder folder;
    fs::create_directory(folder.path() / "dir");
    fs::create_symlink("loop-b", folder.path() / "loop-a");
    fs::create_symlink("loop-a", folder.path() / "loop-b");
    folder.write("file", "x");
    struct Case {
        std::string path;
        int error;
    };
    for (const auto& [path, error] :
         {Case{folder / "dir", EISDIR}, Case{folder / "dir/", EISDIR}, Case{folder / "missing/p.json", ENOENT},
          Case{folder / "file/p.json", ENOTDIR}, Case{folder / "file/", ENOTDIR}, Case{folder / "loop-a", ELOOP}}) {
        EXPECT_EQ(error_of(replace_file(path, "content", FileMode::record)), error) << path;
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"dir", "file", "loop-a", "loop-b"}));
    EXPECT_TRUE(fs::is_empty(folder.path() / "dir"));
    EXPECT_EQ(folder.read("file"), "x");
}

TEST(ReplaceFile, DeviceIsWrittenInPlace) {
    ASSERT_EQ(error_of(replace_file("/dev/null", "discarded", FileMode::record)), 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// The error of replace_file in a child process that may write no byte to
// any file, or -1 when the child did not end normally.
int error_without_room(const std::string& path, FileMode mode) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit none { 0, 0 };
        ::setrlimit(RLIMIT_FSIZE, &none);
        ::_exit(error_of(replace_file(path, "new record", mode)));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// A write that fails after the temporary exists (here: a file-size limit of
// 0) leaves the old file whole and removes the temporary; a file that the
// write had to create is removed as well.
TEST(ReplaceFile, FailedWriteKeepsTheOldFile) {
    for (const auto mode : {FileMode::record, FileMode::owner_only}) {
        ToolFolder folder;
        folder.write("p.json", "old record");
        fs::create_symlink("later.json", folder.path() / "dangling");
        EXPECT_EQ(error_without_room(folder / "p.json", mode), EFBIG);
        EXPECT_EQ(folder.read("p.json"), "old record");
        EXPECT_EQ(error_without_room(folder / "new.json", mode), EFBIG);
        EXPECT_EQ(error_without_room(folder / "dangling", mode), EFBIG);
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{"dangling", "p.json"}));
    }
}

// A record is made as it is written, so making it may throw (out of memory)
// after the temporary exists: the old file stays whole and nothing is left.
TEST(ReplaceFile, ContentThatThrowsLeavesNothingBehind) {
    ToolFolder folder;
    folder.write("p.json", "old record");
    const vevizovuvazavad::system::FileContent throws = [](int fd) -> std::expected<void, int> {
        if (::write(fd, "half", 4) != 4) return std::unexpected(errno);
        throw std::bad_alloc();
    };
    for (const auto* name : {"p.json", "new.json"})
        EXPECT_THROW((void)replace_file(folder / name, throws, FileMode::record), std::bad_alloc) << name;
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"p.json"}));
    EXPECT_EQ(folder.read("p.json"), "old record");
}

// A later file whose writing throws once an earlier one is in place: the
// exception takes the earlier one back on its way out.
TEST(ReplaceFile, AReplacementUnwoundByAnExceptionIsTakenBack) {
    ToolFolder folder;
    folder.write("p.json", "old record");
    const vevizovuvazavad::system::FileContent throws = [](int) -> std::expected<void, int> { throw std::bad_alloc(); };
    const std::vector<FileReplacement> files = {
        {folder / "p.json", [](int fd) { return vevizovuvazavad::system::write_all(fd, "new record"); },
         FileMode::record},
        {"/dev/null", throws, FileMode::record},
    };
    EXPECT_THROW((void)replace_files(files), std::bad_alloc);
    EXPECT_EQ(folder.read("p.json"), "old record");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"p.json"});
}

// The step that failed comes with its error number, for whoever debugs it.
TEST(ReplaceFile, AFailureNamesItsStep) {
    ToolFolder folder;
    fs::create_directory(folder.path() / "dir");
    struct Case {
        std::string path;
        Operation operation;
        int error;
    };
    for (const auto& [path, operation, error] :
         {Case{folder / "missing/p.json", Operation::open, ENOENT}, Case{folder / "dir", Operation::open, EISDIR},
          Case{"/dev/full", Operation::write, ENOSPC}}) {
        const FileReplacement file{path, [](int fd) { return vevizovuvazavad::system::write_all(fd, "x"); },
                                   FileMode::record};
        const auto replaced = replace_files(std::span(&file, 1));
        ASSERT_FALSE(replaced) << path;
        EXPECT_EQ(replaced.error().operation, operation) << path;
        EXPECT_EQ(replaced.error().error_number, error) << path;
    }
}

// A file that no name leads to any more, reached through /proc, has no
// folder to rename in: it is written through, as a plain write would.
TEST(ReplaceFile, AFileWithoutANameIsWrittenThrough) {
    ToolFolder folder;
    folder.write("gone.json", "old content, longer than the new one");
    const int fd = ::open((folder / "gone.json").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    fs::remove(folder / "gone.json");
    ASSERT_EQ(error_of(replace_file("/proc/self/fd/" + std::to_string(fd), "new", FileMode::record)), 0);
    char buffer[64];
    EXPECT_EQ(::pread(fd, buffer, sizeof buffer, 0), 3);
    EXPECT_EQ(std::string_view(buffer, 3), "new");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});
    ::close(fd);
}

}  // namespace
