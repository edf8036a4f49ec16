// The commit of several staged files: in order, and taken back when a later
// one cannot be placed.
#include "system/commit.hpp"

#include <cerrno>
#include <vector>

#include <gtest/gtest.h>

#include "run_tool.hpp"
#include "system/write_all.hpp"

namespace {

using vevizovuvazavad::system::commit;
using vevizovuvazavad::system::destination_of;
using vevizovuvazavad::system::ExistingName;
using vevizovuvazavad::system::FileContent;
using vevizovuvazavad::system::FileMode;
using vevizovuvazavad::system::NewFile;
using vevizovuvazavad::system::NewName;
using vevizovuvazavad::system::NotDone;
using vevizovuvazavad::system::OpenFile;
using vevizovuvazavad::system::Output;
using vevizovuvazavad::system::ReplacingFile;
using vevizovuvazavad::system::StagedFile;
using vevizovuvazavad::system::WrittenThrough;
using vevizovuvazavad::testing::ToolFolder;

StagedFile staged_with(const vevizovuvazavad::system::Folder& folder, const std::string& name,
                       std::string_view content) {
    auto staged = StagedFile::create(folder, name, 0644);
    EXPECT_TRUE(staged);
    EXPECT_TRUE(vevizovuvazavad::system::write_all(staged->fd(), content));
    return *std::move(staged);
}

// A new name and a replaced file, then a device that fails: both are taken
// back, and the commit fails with the device's error.
TEST(Commit, ALaterFailureTakesTheEarlierFilesBack) {
    ToolFolder folder;
    folder.write("old.json", "old");
    auto new_entry = std::get<NewName>(*destination_of(folder / "new.json", FileMode::record));
    auto old_entry = std::get<ExistingName>(*destination_of(folder / "old.json", FileMode::record));
    auto device = std::get<OpenFile>(*destination_of("/dev/full", FileMode::record));
    const FileContent content = [](int fd) { return vevizovuvazavad::system::write_all(fd, "x"); };
    std::vector<Output> outputs;
    auto staged_new = staged_with(new_entry.folder, "new.json", "made");
    outputs.emplace_back(std::in_place_type<NewFile>, std::move(new_entry), std::move(staged_new));
    auto staged_old = staged_with(old_entry.folder, "old.json", "replaced");
    outputs.emplace_back(std::in_place_type<ReplacingFile>, std::move(old_entry), std::move(staged_old));
    outputs.emplace_back(std::in_place_type<WrittenThrough>, std::move(device), content);
    const auto committed = commit(outputs);
    ASSERT_FALSE(committed);
    EXPECT_EQ(committed.error().index, 2u);
    EXPECT_EQ(committed.error().why.then, NotDone::Then::fail);
    EXPECT_EQ(committed.error().why.error_number, ENOSPC);
    outputs.clear();
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"old.json"});
    EXPECT_EQ(folder.read("old.json"), "old");
}

}  // namespace
