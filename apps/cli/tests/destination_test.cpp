// Where a write through a path lands, asked without writing anything.
#include "system/destination.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "run_tool.hpp"

namespace {

using vevizovuvazavad::system::Destination;
using vevizovuvazavad::system::destination_of;
using vevizovuvazavad::system::ExistingName;
using vevizovuvazavad::system::FileMode;
using vevizovuvazavad::system::NewName;
using vevizovuvazavad::system::OpenFile;
using vevizovuvazavad::testing::ToolFolder;
namespace fs = std::filesystem;

// A name not there yet, typed or at the end of a link, is a new name in the
// folder it would be made in; finding it creates nothing.
TEST(Destination, ANameNotThereYetIsNewWhereverItsLinksLead) {
    ToolFolder folder;
    fs::create_directory(folder / "data");
    fs::create_symlink("data/later.json", folder / "dangling");
    for (const auto& [path, name] : {std::pair{folder / "p.json", "p.json"}, {folder / "dangling", "later.json"}}) {
        const auto found = destination_of(path, FileMode::record);
        ASSERT_TRUE(found) << path;
        const auto* entry = std::get_if<NewName>(&*found);
        ASSERT_NE(entry, nullptr) << path;
        EXPECT_EQ(entry->name, name);
    }
    struct stat data {};
    struct stat found_folder {};
    const auto found = destination_of(folder / "dangling", FileMode::record);
    ASSERT_EQ(::stat((folder / "data").c_str(), &data), 0);
    ASSERT_EQ(::fstat(std::get<NewName>(*found).folder.fd(), &found_folder), 0);
    EXPECT_EQ(found_folder.st_ino, data.st_ino);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"dangling", "data"}));
    EXPECT_TRUE(fs::is_empty(folder / "data"));
}

// A file is found in the entry its links lead to; a device is written
// through; what cannot be written is refused with the open's error.
TEST(Destination, KindsOfOutput) {
    ToolFolder folder;
    folder.write("p.json", "{}");
    fs::create_symlink("p.json", folder / "link");
    for (const auto& path : {folder / "p.json", folder / "link"}) {
        const auto found = destination_of(path, FileMode::record);
        ASSERT_TRUE(found) << path;
        const auto* entry = std::get_if<ExistingName>(&*found);
        ASSERT_NE(entry, nullptr) << path;
        EXPECT_EQ(entry->name, "p.json");
    }
    const auto device = destination_of("/dev/null", FileMode::owner_only);
    ASSERT_TRUE(device);
    EXPECT_TRUE(std::holds_alternative<OpenFile>(*device));
    const auto folder_itself = destination_of(folder.path(), FileMode::record);
    ASSERT_FALSE(folder_itself);
    EXPECT_EQ(folder_itself.error().error_number, EISDIR);
}

}  // namespace
