#include "orrincore_retention/retention_class.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

namespace orrincore_retention {
namespace {

TEST(RetentionClass, EveryWordReadsAndWritesBack) {
    for (const auto& entry : orrincore_json::EnumTable<RetentionClass>::entries) {
        const std::string text = "\"" + std::string(entry.word) + "\"";
        auto read = orrincore_json::parse<RetentionClass>(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(*read, entry.value);
        EXPECT_EQ(orrincore_json::to_compact(*read), text);
    }
    EXPECT_EQ(orrincore_json::debug_name(RetentionClass::privacy_sensitive), "PrivacySensitive");
}

TEST(RetentionClass, OtherWordsAreUnknownVariants) {
    const std::string list =
        "one of `ephemeral`, `operational`, `security`, `compliance`, `privacy_sensitive`, `debug`, "
        "`user_controlled`, `legal_hold`";
    for (const std::string word : {"archive", "Debug", "legal-hold", ""}) {
        auto read = orrincore_json::parse<RetentionClass>("\"" + word + "\"");
        ASSERT_FALSE(read) << word;
        EXPECT_EQ(read.error().message(), "unknown variant `" + word + "`, expected " + list);
    }
}

}  // namespace
}  // namespace orrincore_retention
