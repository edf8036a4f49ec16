#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/uuid.hpp>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>

namespace {

using orrincore_error::CoreError;
using orrincore_error::InvalidIdentifier;
using namespace zedododor_avovodizi::ids;

constexpr std::string_view kCanonical = "67e55044-10b1-426f-9247-bb680e5fe0c8";

// Distinct types: no id converts to another or is built from a bare Uuid.
static_assert(!std::is_convertible_v<TenantId, KeyId>);
static_assert(!std::is_constructible_v<KeyId, TenantId>);
static_assert(!std::is_convertible_v<Uuid, TenantId>);
static_assert(!std::is_same_v<WorkspaceId, TenantId>);

class UuidForms : public testing::TestWithParam<std::string> {};

TEST_P(UuidForms, ReadAsTheSameUuid) {
    const auto parsed = Uuid::parse(GetParam());
    ASSERT_TRUE(parsed.has_value()) << parsed.error().message();
    EXPECT_EQ(parsed->to_string(), kCanonical);
    const auto tenant = TenantId::from_str(GetParam());
    ASSERT_TRUE(tenant.has_value());
    EXPECT_EQ(tenant->to_string(), kCanonical);
    EXPECT_EQ(*tenant, TenantId::from_uuid(*parsed));
}

INSTANTIATE_TEST_SUITE_P(Cases, UuidForms,
                         testing::Values("67e55044-10b1-426f-9247-bb680e5fe0c8", "67E55044-10B1-426F-9247-BB680E5FE0C8",
                                         "67e5504410b1426f9247bb680e5fe0c8", "67E5504410B1426F9247BB680E5FE0C8",
                                         "{67e55044-10b1-426f-9247-bb680e5fe0c8}",
                                         "{67E55044-10b1-426F-9247-bb680e5fe0C8}",
                                         "urn:uuid:67e55044-10b1-426f-9247-bb680e5fe0c8",
                                         "urn:uuid:67E55044-10B1-426F-9247-BB680E5FE0C8"));

struct BadUuid {
    std::string text;
    std::string message;
};

class UuidErrors : public testing::TestWithParam<BadUuid> {};

TEST_P(UuidErrors, GiveTheParserMessage) {
    const auto& [text, message] = GetParam();
    const auto parsed = Uuid::parse(text);
    ASSERT_FALSE(parsed.has_value()) << parsed->to_string();
    EXPECT_EQ(parsed.error().message(), message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UuidErrors,
    testing::Values(
        BadUuid{"", "invalid length: found 0"},
        BadUuid{"urn:uuid:67e55044-10b1-426f-9247-bb680e5fe0c8 ", "invalid length: found 46"},
        BadUuid{"67e5504410b1426f9247bb680e5fe0c", "invalid length: found 31"},
        BadUuid{"67e5504410b1426f9247bb680e5fe0c8a", "invalid length: found 33"},
        BadUuid{"67e5504410b1426f9247bb680e5fe0c8abcd", "invalid length: found 36"},
        // Positions are byte offsets from 0, into the whole text.
        BadUuid{"nope", "invalid character: found `n` at 0"},
        BadUuid{"67e55044-10b1-426f-9247-bb680e5fe0cg", "invalid character: found `g` at 35"},
        BadUuid{"67e5504410b1426f9247bb680e5fe0c ", "invalid character: found ` ` at 31"},
        BadUuid{"{67e55044-10b1-426f-9247-bb680e5fe0cZ}", "invalid character: found `Z` at 36"},
        BadUuid{"urn:uuid:67e55044-10b1-426f-9247-bb680e5fe0cx", "invalid character: found `x` at 44"},
        BadUuid{"URN:UUID:67e55044-10b1-426f-9247-bb680e5fe0c8", "invalid character: found `U` at 0"},
        BadUuid{"{67e55044-10b1-426f-9247-bb680e5fe0c8", "invalid character: found `{` at 0"},
        BadUuid{"67e55044-10b1-426f-9247-bb680e5fe0\xC3\xA9", "invalid character: found `\xC3\xA9` at 34"},
        BadUuid{"67e55044\xFF"
                "10b1-426f-9247-bb680e5fe0c8",
                "invalid character: found `\xEF\xBF\xBD` at 8"},
        BadUuid{"67e55044-10b1-426f-9247bb680e5fe0c8", "invalid group count: expected 5, found 4"},
        BadUuid{"67e55044-10b1-426f-9247-bb68-0e5fe0c8", "invalid group count: expected 5, found 6"},
        BadUuid{"{67e5504410b1426f9247bb680e5fe0c8}", "invalid group count: expected 5, found 1"},
        BadUuid{"67e5504-410b1-426f-9247-bb680e5fe0c8", "invalid group length in group 0: expected 8, found 7"},
        BadUuid{"67e55044-10b1-426-f9247-bb680e5fe0c8", "invalid group length in group 2: expected 4, found 3"},
        BadUuid{"67e55044-10b1-426f-9247-bb680e5fe0c", "invalid group length in group 4: expected 12, found 11"},
        BadUuid{"{67e55044-10b1-426f-9247-bb680e5fe0c8a}", "invalid group length in group 4: expected 12, found 13"}));

TEST(UuidErrorVariants, CarryWhatTheMessageShows) {
    namespace e = uuid_parse_error;
    EXPECT_EQ(Uuid::parse("abc").error(), UuidParseError(e::InvalidLength{3}));
    EXPECT_EQ(Uuid::parse("67e55044-10b1-426f-9247-bb680e5fe0\xC3\xA9").error(),
              UuidParseError(e::InvalidCharacter{"\xC3\xA9", 34}));
    EXPECT_EQ(Uuid::parse("67e55044-10b1-426f-9247bb680e5fe0c8").error(), UuidParseError(e::InvalidGroupCount{4}));
    EXPECT_EQ(Uuid::parse("67e55044-10b1-426-f9247-bb680e5fe0c8").error(),
              UuidParseError(e::InvalidGroupLength{2, 4, 3}));
}

TEST(UuidIdFromStr, NamesItsKindInTheError) {
    const auto tenant = TenantId::from_str("");
    ASSERT_FALSE(tenant.has_value());
    EXPECT_EQ(tenant.error(), CoreError(InvalidIdentifier{"TenantId", "invalid length: found 0"}));
    EXPECT_EQ(tenant.error().message(), "invalid TenantId identifier: invalid length: found 0");

    const auto workspace = WorkspaceId::from_str("nope");
    ASSERT_FALSE(workspace.has_value());
    EXPECT_EQ(workspace.error().message(), "invalid WorkspaceId identifier: invalid character: found `n` at 0");
}

// One at a time and drawn together, across the random source's 16 a draw.
TEST(UuidGeneration, GivesDistinctVersion4Ids) {
    std::set<std::string> seen;
    const auto check = [&](const KeyId& id) {
        const std::string text = id.to_string();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4') << text;
        EXPECT_NE(std::string_view("89ab").find(text[19]), std::string_view::npos) << text;
        EXPECT_EQ(text.find_first_not_of("0123456789abcdef-"), std::string::npos) << text;
        const auto back = KeyId::from_str(text);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->to_string(), text);
        seen.insert(text);
    };
    for (int i = 0; i < 200; ++i) check(KeyId::generate());
    EXPECT_EQ(seen.size(), 200u);
    for (const std::size_t count : {0uz, 1uz, 16uz, 17uz, 200uz}) {
        const auto drawn = KeyId::generate(count);
        ASSERT_EQ(drawn.size(), count);
        for (const auto& id : drawn) check(id);
    }
    EXPECT_EQ(seen.size(), 434u);
}

TEST(UuidText, IsLowerCaseHyphenatedInByteOrder) {
    const Uuid uuid(
        Uuid::Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff});
    EXPECT_EQ(uuid.to_string(), "00112233-4455-6677-8899-aabbccddeeff");
    EXPECT_EQ(Uuid::parse("00112233445566778899AABBCCDDEEFF"), uuid);
}

}  // namespace
