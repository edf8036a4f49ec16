#include "files/record_file.hpp"

#include <array>
#include <filesystem>

#include <gtest/gtest.h>
#include <vuvadededoru_contracts/target.hpp>

#include "run_tool.hpp"

namespace {

using vevizovuvazavad::files::read_json;
using vevizovuvazavad::files::record_document;
using vevizovuvazavad::files::write_json;
using vevizovuvazavad::files::write_record_documents;
using vevizovuvazavad::testing::ToolFolder;
using vuvadededoru_contracts::ArchiveTarget;
using vuvadededoru_contracts::ArchiveTargetType;
namespace ids = zedododor_avovodizi::ids;

ArchiveTarget sample_target() {
    return ArchiveTarget::create({.tenant_id = ids::TenantId::generate(),
                                  .workspace_id = ids::WorkspaceId::generate(),
                                  .name = "Vault \"A\"\n",
                                  .target_type = ArchiveTargetType::s3_compatible},
                                 zedododor_avovodizi::time::Timestamp::from_str("2024-05-01T10:00:00.5Z").value())
        .value();
}

TEST(RecordFile, WrittenRecordReadsBackEqualWithoutFinalNewline) {
    ToolFolder folder;
    const auto target = sample_target();
    ASSERT_TRUE(write_json(folder / "t.json", target));
    const std::string document = folder.read("t.json");
    EXPECT_EQ(document, orrincore_json::to_pretty(target));
    EXPECT_TRUE(document.starts_with("{\n  \"id\": \""));
    EXPECT_TRUE(document.ends_with("\n  \"disabled_at\": null\n}"));
    EXPECT_EQ(read_json<ArchiveTarget>(folder / "t.json"), target);
}

TEST(RecordFile, ReadAcceptsSurroundingWhitespaceAndDropsUnknownKeys) {
    ToolFolder folder;
    const auto target = sample_target();
    std::string document = orrincore_json::to_pretty(target);
    document.insert(1, "\"comment\": [1, {\"x\": null}],");
    folder.write("t.json", " \r\n" + document + "\n\t ");
    const auto read = read_json<ArchiveTarget>(folder / "t.json");
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(*read, target);
    ASSERT_TRUE(write_json(folder / "t.json", *read));
    EXPECT_EQ(folder.read("t.json"), orrincore_json::to_pretty(target));
}

TEST(RecordFile, ReadFailuresNameThePath) {
    ToolFolder folder;
    std::filesystem::create_directory(folder.path() / "dir");
    const std::string valid = orrincore_json::to_pretty(sample_target());
    struct Case {
        const char* name;
        std::optional<std::string> content;  // nothing: the file is not created
        std::string message;                 // after "{path}: "
    };
    const std::vector<Case> cases = {
        {"missing.json", std::nullopt, "No such file or directory (os error 2)"},
        {"dir", std::nullopt, "Is a directory (os error 21)"},
        {"empty.json", "", "parse error: EOF while parsing a value at line 1 column 0"},
        {"second.json", valid + "\n{}", "parse error: trailing characters at line 11 column 1"},
        {"object.json", "{}", "parse error: missing field `id` at line 1 column 2"},
        {"array.json", "[]",
         "parse error: invalid length 0, expected struct ArchiveTarget with 8 elements at line 1 column 2"},
        {"type.json", "\"x\"",
         "parse error: invalid type: string \"x\", expected struct ArchiveTarget at line 1 column 3"},
    };
    for (const auto& c : cases) {
        const std::string path = folder / c.name;
        if (c.content) folder.write(c.name, *c.content);
        const auto read = read_json<ArchiveTarget>(path);
        ASSERT_FALSE(read) << c.name;
        EXPECT_EQ(read.error(), path + ": " + c.message);
    }
}

TEST(RecordFile, WriteFailureNamesThePath) {
    ToolFolder folder;
    const std::string path = folder / "missing/t.json";
    const auto written = write_json(path, sample_target());
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error(), path + ": No such file or directory (os error 2)");
}

// Each path below is a temporary string, long enough to live on the heap,
// that is destroyed before the documents are written: the documents write
// and name the files by their own copies.
TEST(RecordFile, DocumentsOutliveTheNamesTheyWereMadeFrom) {
    ToolFolder folder;
    const auto target = sample_target();
    const std::array written_documents = {record_document(folder / "t.json", target)};
    ASSERT_TRUE(write_record_documents(written_documents));
    EXPECT_EQ(folder.read("t.json"), orrincore_json::to_pretty(target));

    const std::array failing_documents = {record_document(folder / "u.json", target),
                                          record_document(folder / "missing/u.json", target)};
    const auto failed = write_record_documents(failing_documents);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), (folder / "missing/u.json").string() + ": No such file or directory (os error 2)");
    EXPECT_FALSE(std::filesystem::exists(folder / "u.json"));
}

}  // namespace
