#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "files/seed_file.hpp"
#include "run_tool.hpp"

namespace {

using vevizovuvazavad::testing::RunOptions;
using vevizovuvazavad::testing::ToolFolder;

std::string fingerprint_of(const ToolFolder& folder, std::string_view name) {
    auto key = vevizovuvazavad::files::read_seed_file(folder / name);
    EXPECT_TRUE(key) << key.error();
    return key->verifying_key().fingerprint().to_hex();
}

mode_t mode_of(const std::filesystem::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

RunOptions file_size_limit(std::uint64_t bytes) {
    RunOptions options;
    options.file_size_limit = bytes;
    return options;
}

bool is_lower_hex(std::string_view text) {
    return text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

TEST(Keygen, WritesAnOwnerOnlySeedAndPrintsItsFingerprint) {
    ToolFolder folder;
    const auto run = folder.run({"keygen", "k.seed"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string seed = folder.read("k.seed");
    EXPECT_EQ(seed.size(), 64u);
    EXPECT_TRUE(is_lower_hex(seed)) << seed;
    EXPECT_EQ(mode_of(folder / "k.seed"), 0600u);
    EXPECT_EQ(run.out,
              fmt::format("seed written to k.seed (0600)\npublic fingerprint: {}\n", fingerprint_of(folder, "k.seed")));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"k.seed"});

    const auto again = folder.run({"keygen", "other.seed"});
    ASSERT_EQ(again.status, 0);
    EXPECT_NE(folder.read("other.seed"), seed);
    EXPECT_NE(fingerprint_of(folder, "other.seed"), fingerprint_of(folder, "k.seed"));
}

TEST(Keygen, JsonPrintsOnlyTheFingerprint) {
    ToolFolder folder;
    const auto run = folder.run({"--json", "keygen", "k.seed"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, fmt::format("{{\"fingerprint\":\"{}\"}}\n", fingerprint_of(folder, "k.seed")));
    EXPECT_EQ(folder.read("k.seed").size(), 64u);
    EXPECT_EQ(mode_of(folder / "k.seed"), 0600u);
}

// The secret never enters the old, readable file: that inode keeps its old
// content and mode, and a new 0600 file takes the name.
TEST(Keygen, ReplacesAnExistingReadableFileByAnOwnerOnlyOne) {
    ToolFolder folder;
    folder.write("k.seed", "old content");
    ASSERT_EQ(::chmod((folder / "k.seed").c_str(), 0644), 0);
    const int old_file = ::open((folder / "k.seed").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(old_file, 0);

    const auto run = folder.run({"keygen", "k.seed"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(mode_of(folder / "k.seed"), 0600u);
    EXPECT_EQ(folder.read("k.seed").size(), 64u);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"k.seed"});

    char buffer[64];
    EXPECT_EQ(::pread(old_file, buffer, sizeof buffer, 0), 11);
    EXPECT_EQ(std::string_view(buffer, 11), "old content");
    struct stat old_status {};
    ASSERT_EQ(::fstat(old_file, &old_status), 0);
    EXPECT_EQ(old_status.st_mode & 07777, 0644u);
    EXPECT_EQ(old_status.st_nlink, 0u);
    ::close(old_file);
}

// Errors are the system's text alone, without the path, and leave nothing.
TEST(Keygen, FailuresShowTheSystemTextOnly) {
    ToolFolder folder;
    std::filesystem::create_directory(folder / "dir");
    folder.write("old.seed", "old content");
    struct Case {
        std::string out;
        RunOptions options;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"missing/k.seed", {}, "No such file or directory (os error 2)"},
        {"dir", {}, "Is a directory (os error 21)"},
        {"old.seed", file_size_limit(0), "File too large (os error 27)"},
        {"half.seed", file_size_limit(32), "File too large (os error 27)"},
    };
    for (const auto& c : cases) {
        const auto run = folder.run({"keygen", c.out}, c.options);
        EXPECT_EQ(run.status, 1) << c.out;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "error: " + c.message + "\n");
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"dir", "old.seed"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "dir"));
    EXPECT_EQ(folder.read("old.seed"), "old content");
}

// A new seed is 0600 whatever the file-creation mask would make it: never
// readable by others, never unreadable by its owner.
TEST(Keygen, ANewSeedIsOwnerOnlyWhateverTheMask) {
    for (const mode_t mask : std::initializer_list<mode_t>{0277, 0777, 0}) {
        SCOPED_TRACE(fmt::format("umask {:04o}", mask));
        ToolFolder folder;
        const mode_t old_mask = ::umask(mask);
        const auto run = folder.run({"keygen", "k.seed"});
        ::umask(old_mask);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(mode_of(folder / "k.seed"), 0600u);
        EXPECT_EQ(fingerprint_of(folder, "k.seed").size(), 64u);
    }
}

}  // namespace
