#include "orrincore_policy/action_id.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <iomanip>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace orrincore_policy::eval {
namespace {

using zedododor_avovodizi::ids::ProductId;

constexpr std::string_view empty_slug = "invalid Slug identifier: must not be empty";
constexpr std::string_view bad_slug_characters =
    "invalid Slug identifier: may contain only lowercase ASCII letters, digits and hyphens";

// The text form of what parses, or the error message.
std::string parsed(std::string_view text) {
    auto id = PolicyActionId::from_str(text);
    return id ? id->to_string() : id.error().message();
}

ProductId product(std::string_view text) { return *ProductId::create(text); }

TEST(PolicyActionIdParse, TextFormAndRefusals) {
    const std::string segment64(64, 'a');
    const std::string segment65(65, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"vuvadededoru:legal-hold.release", "vuvadededoru:legal-hold.release"},
        {"vuvadededoru:release", "vuvadededoru:release"},
        {"p:a.b.c.d.e.f", "p:a.b.c.d.e.f"},
        {"p:" + segment64, "p:" + segment64},
        {"vuvadededoru", R"(validation failed: policy action id "vuvadededoru" must be "<product>:<action.path>")"},
        {"", R"(validation failed: policy action id "" must be "<product>:<action.path>")"},
        {"say \"hi\"\n", R"(validation failed: policy action id "say \"hi\"\n" must be "<product>:<action.path>")"},
        {":release", std::string(empty_slug)},
        {"vuvadededoru:", std::string(empty_slug)},
        {"vuvadededoru:.release", std::string(empty_slug)},
        {"vuvadededoru:legal-hold.", std::string(empty_slug)},
        {"vuvadededoru:legal-hold..release", std::string(empty_slug)},
        {"vuvadededoru:legal-hold:release", std::string(bad_slug_characters)},
        {"Vuvadededoru:release", std::string(bad_slug_characters)},
        {"vuvadededoru:Release", std::string(bad_slug_characters)},
        {"p:-a", "invalid Slug identifier: must not start or end with a hyphen"},
        {"p:" + segment65, "invalid Slug identifier: must be at most 64 bytes, got 65"},
        {"p:a.b.c.d.e.f.g", "validation failed: policy action id must have at most 6 path segments, got 7"},
        {"p:a.b.c.d.e.f.G", std::string(bad_slug_characters)},  // segments before the count
        {"p:a.b.c.d.e.f.g.", std::string(empty_slug)},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parsed(text), expected) << text;
}

TEST(PolicyActionIdParse, FieldsAndEquality) {
    auto parsed_id = PolicyActionId::from_str("vuvadededoru:legal-hold.release");
    ASSERT_TRUE(parsed_id);
    EXPECT_EQ(parsed_id->product().to_string(), "vuvadededoru");
    ASSERT_EQ(parsed_id->path().size(), 2u);
    EXPECT_EQ(parsed_id->path()[0].to_string(), "legal-hold");
    EXPECT_EQ(parsed_id->path()[1].to_string(), "release");

    auto made = PolicyActionId::create(product("vuvadededoru"), {"legal-hold", "release"});
    ASSERT_TRUE(made);
    EXPECT_EQ(*made, *parsed_id);
    EXPECT_NE(*PolicyActionId::from_str("vuvadededoru:legal-hold"), *parsed_id);
    EXPECT_NE(*PolicyActionId::from_str("other:legal-hold.release"), *parsed_id);
    EXPECT_EQ(*PolicyActionId::from_str(std::string("vuvadededoru:legal-hold.release")), *parsed_id);

    std::ostringstream shown;
    shown << std::setw(40) << std::setfill('*') << *parsed_id;  // no padding
    EXPECT_EQ(shown.str(), "vuvadededoru:legal-hold.release");
    EXPECT_EQ(parsed_id->to_string(), "vuvadededoru:legal-hold.release");
}

TEST(PolicyActionIdCreate, SegmentsThenCount) {
    const std::vector<std::string_view> none;
    const std::vector<std::string_view> seven = {"a", "b", "c", "d", "e", "f", "g"};
    const std::vector<std::string_view> seven_with_bad = {"a", "b", "c", "d", "e", "f", "G"};
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {none, "validation failed: policy action id must have at least one path segment"},
        {seven, "validation failed: policy action id must have at most 6 path segments, got 7"},
        {seven_with_bad, std::string(bad_slug_characters)},
        {{"legal-hold", ""}, std::string(empty_slug)},
    };
    for (const auto& [segments, expected] : cases) {
        auto id = PolicyActionId::create(product("p"), segments);
        ASSERT_FALSE(id);
        EXPECT_EQ(id.error().message(), expected);
    }
}

TEST(PolicyActionIdJson, StringOfTheTextForm) {
    auto id = orrincore_json::parse<PolicyActionId>(R"("vuvadededoru:legal-hold.release")");
    ASSERT_TRUE(id);
    EXPECT_EQ(orrincore_json::to_compact(*id), R"("vuvadededoru:legal-hold.release")");
    EXPECT_EQ(orrincore_json::to_value(*id), "vuvadededoru:legal-hold.release");

    const std::pair<std::string_view, std::string_view> refusals[] = {
        {"5", "invalid type: integer `5`, expected a string at line 1 column 1"},
        {R"("release")",
         R"(validation failed: policy action id "release" must be "<product>:<action.path>" at line 1 column 9)"},
        {R"("p:a..b")", "invalid Slug identifier: must not be empty at line 1 column 8"},
    };
    for (const auto& [text, expected] : refusals) {
        auto refused = orrincore_json::parse<PolicyActionId>(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_EQ(refused.error().message_with_position(), expected);
    }
}

}  // namespace
}  // namespace orrincore_policy::eval
