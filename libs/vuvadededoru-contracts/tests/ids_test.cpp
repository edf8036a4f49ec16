#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include <orrincore_json/document.hpp>

#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {
namespace {

using zedododor_avovodizi::ids::TenantId;

template <class A, class B>
constexpr bool interchangeable = std::is_same_v<A, B> || std::is_convertible_v<A, B> || std::is_constructible_v<B, A>;

static_assert(!interchangeable<ArchiveTargetId, RetentionPolicyId>);
static_assert(!interchangeable<ArchivePackageId, ArchiveManifestId>);
static_assert(!interchangeable<LegalHoldId, DispositionReviewId>);
static_assert(!interchangeable<ArchivePackageId, LegalHoldId>);
static_assert(!interchangeable<TenantId, ArchiveTargetId>);
static_assert(!interchangeable<DispositionReviewId, TenantId>);

template <class Id>
class ArchiveIdTest : public ::testing::Test {};
using ArchiveIds = ::testing::Types<ArchiveTargetId, RetentionPolicyId, ArchivePackageId, ArchiveManifestId,
                                    LegalHoldId, DispositionReviewId>;
TYPED_TEST_SUITE(ArchiveIdTest, ArchiveIds);

TYPED_TEST(ArchiveIdTest, MintsDistinctVersionFourIds) {
    const auto first = TypeParam::generate();
    const auto second = TypeParam::generate();
    EXPECT_NE(first, second);
    const std::string text = first.to_string();
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4');
    EXPECT_EQ(TypeParam::from_str(text), first);
}

TYPED_TEST(ArchiveIdTest, JsonFormIsTheHyphenatedText) {
    constexpr auto hyphenated = "67e55044-10b1-426f-9247-bb680e5fe0c8";
    const char* forms[] = {
        R"("67e55044-10b1-426f-9247-bb680e5fe0c8")",
        R"("67E5504410B1426F9247BB680E5FE0C8")",
        R"("{67e55044-10b1-426f-9247-bb680e5fe0c8}")",
        R"("urn:uuid:67e55044-10b1-426f-9247-bb680e5fe0c8")",
    };
    for (const char* form : forms) {
        auto id = orrincore_json::parse<TypeParam>(form);
        ASSERT_TRUE(id) << form;
        EXPECT_EQ(id->to_string(), hyphenated);
        EXPECT_EQ(orrincore_json::to_compact(*id), std::string("\"") + hyphenated + "\"");
        EXPECT_EQ(orrincore_json::to_value(*id), nlohmann::json(hyphenated));
    }
}

TYPED_TEST(ArchiveIdTest, JsonReadingFailsLikeTheCoreIds) {
    const auto expected_parse_error = zedododor_avovodizi::ids::Uuid::parse("nope").error();
    auto bad = orrincore_json::parse<TypeParam>(R"("nope")");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().message(), "UUID parsing failed: " + expected_parse_error.message());
    EXPECT_EQ(bad.error().message(), orrincore_json::parse<TenantId>(R"("nope")").error().message());

    auto number = orrincore_json::parse<TypeParam>("7");
    ASSERT_FALSE(number);
    EXPECT_EQ(number.error().message_with_position(),
              "invalid type: integer `7`, expected a formatted UUID string at line 1 column 1");
}

}  // namespace
}  // namespace vuvadededoru_contracts
