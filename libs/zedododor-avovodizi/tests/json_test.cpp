#include <zedododor_avovodizi/json.hpp>

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <string>

namespace {

using orrincore_json::parse;
using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::TenantId;
using zedododor_avovodizi::time::Timestamp;

template <class T>
std::string refusal(std::string_view document) {
    const auto value = parse<T>(document);
    return value ? "read" : value.error().message_with_position();
}

TEST(IdAndTimeJson, AreStringsOfTheirTextForms) {
    const auto tenant = parse<TenantId>(R"("{67E55044-10B1-426F-9247-BB680E5FE0C8}")");
    ASSERT_TRUE(tenant);
    EXPECT_EQ(orrincore_json::to_compact(*tenant), R"("67e55044-10b1-426f-9247-bb680e5fe0c8")");
    EXPECT_EQ(orrincore_json::to_value(*tenant), "67e55044-10b1-426f-9247-bb680e5fe0c8");

    const auto time = parse<Timestamp>(R"("2026-03-01T12:00:00.500+02:00")");
    ASSERT_TRUE(time);
    EXPECT_EQ(orrincore_json::to_compact(*time), R"("2026-03-01T10:00:00.5Z")");

    const auto product = parse<ProductId>(R"("vuvadededoru")");
    ASSERT_TRUE(product);
    EXPECT_EQ(orrincore_json::to_value(*product), "vuvadededoru");
}

// What the record writers write between quotes is the string of the value
// form, and plain text.
template <class T>
void expect_plain_text_is_written_string(const T& value) {
    orrincore_json::PlainBuffer buffer;
    const std::string_view text = orrincore_json::Json<T>::plain_text(value, buffer);
    EXPECT_EQ(text, orrincore_json::to_value(value).template get<std::string>());
    EXPECT_TRUE(orrincore_json::is_plain_text(text)) << text;
}

TEST(IdAndTimeJson, PlainTextIsTheWrittenString) {
    for (const auto& time : {Timestamp::earliest(), Timestamp::latest(), *Timestamp::from_unix(0, 0),
                             *Timestamp::from_unix(-62'167'219'201, 999'999'999), *Timestamp::from_unix(1, 120)}) {
        expect_plain_text_is_written_string(time);
    }
    expect_plain_text_is_written_string(TenantId::generate());
    expect_plain_text_is_written_string(zedododor_avovodizi::ids::Uuid::random_v4());
    expect_plain_text_is_written_string(*ProductId::create("a-0"));
    expect_plain_text_is_written_string(*zedododor_avovodizi::ids::Slug::create("slug"));
}

TEST(IdAndTimeJson, RefusalsCarryTheTypeMessageAfterTheString) {
    EXPECT_EQ(refusal<TenantId>(R"("nope")"),
              "UUID parsing failed: invalid character: found `n` at 0 at line 1 column 6");
    EXPECT_EQ(refusal<TenantId>("7"), "invalid type: integer `7`, expected a formatted UUID string at line 1 column 1");
    EXPECT_EQ(refusal<Timestamp>(R"("2026-02-30T12:00:00Z")"),
              "validation failed: invalid RFC 3339 timestamp \"2026-02-30T12:00:00Z\": day was not "
              "in range at line 1 column 22");
    EXPECT_EQ(refusal<Timestamp>("null"), "invalid type: null, expected a string at line 1 column 4");
    EXPECT_EQ(refusal<ProductId>(R"("")"), "invalid Slug identifier: must not be empty at line 1 column 2");
    EXPECT_EQ(refusal<ProductId>("1"), "invalid type: integer `1`, expected a string at line 1 column 1");
}

}  // namespace
