// A staged file takes a free name or swaps with an entry, and a temporary
// name is removed only while it holds the file it was given to.
#include "system/staged_file.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "run_tool.hpp"

namespace {

using vevizovuvazavad::system::Folder;
using vevizovuvazavad::system::NotDone;
using vevizovuvazavad::system::StagedFile;
using vevizovuvazavad::system::TemporaryName;
using vevizovuvazavad::testing::ToolFolder;

StagedFile staged_in(const Folder& folder, std::string_view content) {
    auto staged = StagedFile::create(folder, "p.json", 0600);
    EXPECT_TRUE(staged);
    EXPECT_EQ(::write(staged->fd(), content.data(), content.size()), static_cast<ssize_t>(content.size()));
    return *std::move(staged);
}

// A free name is taken; a name someone took meanwhile is never replaced,
// and the write is told to start again.
TEST(StagedFile, TakesOnlyAFreeName) {
    ToolFolder folder;
    auto opened = Folder::open(folder.path());
    ASSERT_TRUE(opened);
    auto staged = staged_in(*opened, "new");
    folder.write("taken.json", "theirs");
    const auto refused = staged.take_free_name("taken.json");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().then, NotDone::Then::retry);
    EXPECT_EQ(folder.read("taken.json"), "theirs");
    ASSERT_TRUE(staged.take_free_name("p.json"));
    EXPECT_EQ(folder.read("p.json"), "new");
    staged.discard();
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"p.json", "taken.json"}));
}

// After a swap the replaced file waits under the temporary name; a file
// someone put there instead is not removed with it.
TEST(StagedFile, ATemporaryNameRemovesOnlyItsOwnFile) {
    ToolFolder folder;
    if (!vevizovuvazavad::testing::swaps_names(folder.path())) GTEST_SKIP() << "the file system swaps no names";
    folder.write("p.json", "old");
    auto opened = Folder::open(folder.path());
    ASSERT_TRUE(opened);
    struct stat old_file {};
    ASSERT_EQ(::stat((folder / "p.json").c_str(), &old_file), 0);
    auto staged = staged_in(*opened, "new");
    auto displaced = staged.exchange_with("p.json");
    ASSERT_TRUE(displaced);
    EXPECT_EQ(folder.read("p.json"), "new");
    EXPECT_EQ(folder.read(*displaced), "old");
    {
        TemporaryName name(opened->fd(), *displaced, old_file);
        folder.write("theirs", "theirs");
        ASSERT_EQ(::rename((folder / "theirs").c_str(), (folder / *displaced).c_str()), 0);
        EXPECT_FALSE(name.holds_its_file());
    }
    EXPECT_EQ(folder.read(*displaced), "theirs");
}

}  // namespace
