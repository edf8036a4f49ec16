#include "orrincore_redaction/redaction_marker.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

namespace orrincore_redaction {
namespace {

using orrincore_json::parse;

constexpr const char* kReasons =
    "one of `personal_data`, `secret`, `location`, `user_content`, `policy_required`, "
    "`subject_request`, `audience_restricted`, `oversized`";

std::string read_error(std::string_view text) {
    auto marker = parse<RedactionMarker>(text);
    EXPECT_FALSE(marker.has_value()) << text;
    return marker ? std::string() : marker.error().message_with_position();
}

TEST(RedactionMarker, ReadsObjectAndArrayFormsAlike) {
    auto from_object = parse<RedactionMarker>(R"({"field_path":"a.b","reason":"secret","note":[1,{"x":null}]})");
    auto from_array = parse<RedactionMarker>(R"(["a.b","secret"])");
    auto from_unit_object =
        parse<RedactionMarker>(R"({"field_path":"a.b","reason":{"secret":null},"applied_at":null})");
    ASSERT_TRUE(from_object && from_array && from_unit_object);
    EXPECT_EQ(*from_object, *from_array);
    EXPECT_EQ(*from_object, *from_unit_object);
    EXPECT_EQ(from_object->reason, RedactionReason::secret);
    EXPECT_FALSE(from_object->redaction_policy_id || from_object->applied_at || from_object->applied_by);
    EXPECT_EQ(orrincore_json::to_value(*from_array).dump(), R"({"field_path":"a.b","reason":"secret"})");
}

TEST(RedactionMarker, WritesPresentOptionsInFieldOrder) {
    auto marker = parse<RedactionMarker>(
        R"(["p","oversized","6BA7B810-9DAD-11D1-80B4-00C04FD430C8","2026-03-01T12:00:00+02:00"])");
    ASSERT_TRUE(marker) << marker.error().message_with_position();
    EXPECT_EQ(
        orrincore_json::to_compact(*marker),
        R"({"field_path":"p","reason":"oversized","redaction_policy_id":"6ba7b810-9dad-11d1-80b4-00c04fd430c8","applied_at":"2026-03-01T10:00:00Z"})");
    auto again = parse<RedactionMarker>(orrincore_json::to_pretty(*marker));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *marker);
}

TEST(RedactionMarker, RefusesWithTheReaderMessages) {
    const std::pair<std::string, std::string> cases[] = {
        {R"(["a.b"])", "invalid length 1, expected struct RedactionMarker with 5 elements at line 1 column 7"},
        {R"([])", "invalid length 0, expected struct RedactionMarker with 5 elements at line 1 column 2"},
        {R"(["a","secret",null,null,null,null])", "trailing characters at line 1 column 30"},
        {R"({"reason":"secret"})", "missing field `field_path` at line 1 column 19"},
        {R"({})", "missing field `field_path` at line 1 column 2"},
        {R"({"field_path":"a"})", "missing field `reason` at line 1 column 18"},
        {R"({"field_path":"a","reason":"secret","reason":"secret"})", "duplicate field `reason` at line 1 column 44"},
        {R"({"field_path":"a","reason":"Secret"})",
         std::string("unknown variant `Secret`, expected ") + kReasons + " at line 1 column 35"},
        {R"({"field_path":"a","reason":5})", "expected value at line 1 column 28"},
        {R"({"field_path":null,"reason":"secret"})", "invalid type: null, expected a string at line 1 column 18"},
        {R"("marker")", "invalid type: string \"marker\", expected struct RedactionMarker at line 1 column 8"},
        {R"({"field_path":"a","reason":"secret","applied_by":"nope"})",
         "UUID parsing failed: invalid character: found `n` at 0 at line 1 column 55"},
        {R"({"field_path":"a","reason":"secret","applied_at":"2023-02-29T00:00:00Z"})",
         "validation failed: invalid RFC 3339 timestamp \"2023-02-29T00:00:00Z\": day was not in range at line 1 column 71"},
        {R"({"field_path":"a","reason":"secret","applied_by":7})",
         "invalid type: integer `7`, expected a formatted UUID string at line 1 column 50"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(read_error(text), message) << text;
}

}  // namespace
}  // namespace orrincore_redaction
