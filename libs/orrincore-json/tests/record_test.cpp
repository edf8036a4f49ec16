#include <gtest/gtest.h>

#include <string>

#include "test_records.hpp"

namespace orrincore_json::testing {
namespace {

template <class T>
std::string error_of(std::string_view input) {
    auto result = parse<T>(input);
    return result ? std::string("<read>") : result.error().message_with_position();
}

constexpr const char* reason_list =
    "one of `personal_data`, `secret`, `location`, `user_content`, `policy_required`, `subject_request`, "
    "`audience_restricted`, `oversized`";

struct ErrorCase {
    std::string input;
    std::string message;
};

TEST(MarkerJson, WorkedExamplesFail) {
    const ErrorCase cases[] = {
        {R"(["a.b"])", "invalid length 1, expected struct RedactionMarker with 5 elements at line 1 column 7"},
        {R"([])", "invalid length 0, expected struct RedactionMarker with 5 elements at line 1 column 2"},
        {R"([ "a.b" ] )", "invalid length 1, expected struct RedactionMarker with 5 elements at line 1 column 9"},
        {R"(["a.b","secret",null,null,null,null])", "trailing characters at line 1 column 32"},
        {R"(["a","secret",])", "trailing comma at line 1 column 15"},
        {R"({"reason":"secret"})", "missing field `field_path` at line 1 column 19"},
        {R"({})", "missing field `field_path` at line 1 column 2"},
        {R"({"field_path":"a"})", "missing field `reason` at line 1 column 18"},
        {R"({"field_path":"a","reason":"secret","reason":"secret"})", "duplicate field `reason` at line 1 column 44"},
        {R"({"field_path":"a","reason":"secret","reason" :1})", "duplicate field `reason` at line 1 column 45"},
        {R"({"applied_at":null,"field_path":"a","reason":"secret","applied_at":"x"})",
         "duplicate field `applied_at` at line 1 column 66"},
        {R"({"field_path":"a","reason":"Secret"})",
         std::string("unknown variant `Secret`, expected ") + reason_list + " at line 1 column 35"},
        {R"({"field_path":"a","reason":5})", "expected value at line 1 column 28"},
        {R"({"field_path":"a","reason":null})", "expected value at line 1 column 28"},
        {R"({"field_path":"a","reason":{"secret":1}})", "invalid type: integer `1`, expected unit at line 1 column 38"},
        {R"({"field_path":"a","reason":{"secret":null,"x":1}})", "expected value at line 1 column 41"},
        {R"({"field_path":"a","reason":{}})", "expected value at line 1 column 29"},
        {R"({"field_path":"a","reason":{"secret":null)", "EOF while parsing an object at line 1 column 41"},
        {R"({"field_path":"a","reason":{5:null}})",
         "invalid type: integer `5`, expected variant identifier at line 1 column 29"},
        {R"({"field_path":null,"reason":"secret"})", "invalid type: null, expected a string at line 1 column 18"},
        {R"("marker")", "invalid type: string \"marker\", expected struct RedactionMarker at line 1 column 8"},
        {R"(5)", "invalid type: integer `5`, expected struct RedactionMarker at line 1 column 1"},
        {R"(null)", "invalid type: null, expected struct RedactionMarker at line 1 column 4"},
        // The first error in reading order wins, even in a document cut short.
        {R"({"field_path":5,)", "invalid type: integer `5`, expected a string at line 1 column 15"},
        {R"({"field_path":"a","reason":"secret","redaction_policy_id":"nope"})",
         "UUID parsing failed: invalid length: expected 36, found 4 at line 1 column 64"},
        {R"(["a.b","secret","0123"])", "UUID parsing failed: invalid length: expected 36, found 4 at line 1 column 22"},
        {"{\n  \"field_path\": 5\n}", "invalid type: integer `5`, expected a string at line 2 column 17"},
        {R"({"field_path":"a","reason":"secret"} x)", "trailing characters at line 1 column 38"},
        {"\xEF\xBB\xBF{\"field_path\":\"a\",\"reason\":\"secret\"}", "expected value at line 1 column 1"},
        {R"({"field_path":"a","reason":"secret",})", "trailing comma at line 1 column 37"},
        {R"({"note":[1,],"field_path":"a","reason":"secret"})", "expected value at line 1 column 12"},
        {R"({"note":{"a":1,},"field_path":"a","reason":"secret"})", "key must be a string at line 1 column 16"},
        {R"({"note":1.})", "invalid number at line 1 column 11"},
        {R"({"note":[1 2]})", "expected `,` or `]` at line 1 column 12"},
        {R"({"note":-})", "invalid number at line 1 column 10"},
        {"{\"note\":\"\x01\"}", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 9"},
    };
    for (const auto& c : cases) EXPECT_EQ(error_of<Marker>(c.input), c.message) << c.input;
}

TEST(MarkerJson, WorkedExamplesRead) {
    const Marker plain{"a.b", Reason::secret, {}, {}, {}};
    const char* inputs[] = {
        R"({"field_path":"a.b","reason":"secret"})",
        R"(["a.b","secret"])",
        R"(["a.b","secret",null,null])",
        R"({"reason":{"secret":null},"field_path":"a.b"})",
        R"({"field_path":"a.b","reason":{ "secret" : null }})",
        R"({"field_path":"a.b","reason":"secret","applied_at":null})",
        R"({"note":{"x":[1,2,{"y":null}]},"field_path":"a.b","reason":"secret","note":5,"note":"again"})",
        " \n\t{\"field_path\":\"a.b\",\"reason\":\"secret\"}\r\n ",
        R"({"field_\u0070ath":"a.b","reason":"secret"})",
    };
    for (const char* input : inputs) {
        auto marker = parse<Marker>(input);
        ASSERT_TRUE(marker) << input << ": " << marker.error().message_with_position();
        EXPECT_EQ(*marker, plain) << input;
    }
    EXPECT_EQ(to_value(plain), nlohmann::json::parse(R"({"field_path":"a.b","reason":"secret"})"));
    EXPECT_EQ(to_compact(plain), R"({"field_path":"a.b","reason":"secret"})");
}

TEST(MarkerJson, EveryWordReadsAndWritesBack) {
    for (const auto& entry : EnumTable<Reason>::entries) {
        const std::string word(entry.word);
        auto read = parse<Reason>("\"" + word + "\"");
        ASSERT_TRUE(read) << word;
        EXPECT_EQ(*read, entry.value);
        EXPECT_EQ(to_compact(entry.value), "\"" + word + "\"");
        EXPECT_EQ(from_word<Reason>(word), entry.value);
    }
}

TEST(TargetJson, NullWritingRecordNeedsEveryElement) {
    EXPECT_EQ(error_of<Target>(R"(["t1","n","s3",null,5,true,[]])"),
              "invalid length 7, expected struct ArchiveTarget with 8 elements at line 1 column 30");
    EXPECT_EQ(error_of<Target>(R"(["t1","n","s3"])"),
              "invalid length 3, expected struct ArchiveTarget with 8 elements at line 1 column 15");

    auto from_array = parse<Target>(R"(["t1","n","s3",null,5,true,[],null])");
    auto from_object = parse<Target>(R"({"id":"t1","name":"n","backend":"s3","capacity":5,"enabled":true,"tags":[]})");
    ASSERT_TRUE(from_array) << from_array.error().message_with_position();
    ASSERT_TRUE(from_object) << from_object.error().message_with_position();
    EXPECT_EQ(*from_array, *from_object);
    EXPECT_FALSE(from_object->disabled_at);
    EXPECT_EQ(to_pretty(*from_object),
              "{\n"
              "  \"id\": \"t1\",\n"
              "  \"name\": \"n\",\n"
              "  \"backend\": \"s3\",\n"
              "  \"endpoint\": null,\n"
              "  \"capacity\": 5,\n"
              "  \"enabled\": true,\n"
              "  \"tags\": [],\n"
              "  \"disabled_at\": null\n"
              "}");
    EXPECT_EQ(
        to_compact(*from_object),
        R"({"id":"t1","name":"n","backend":"s3","endpoint":null,"capacity":5,"enabled":true,"tags":[],"disabled_at":null})");
}

TEST(EventJson, DefaultsAndLeftOutEmptyLists) {
    const ErrorCase cases[] = {
        {R"([])", "invalid length 0, expected struct Event with 5 elements at line 1 column 2"},
        {R"({"sequence":1,"payload":[1,256]})", "invalid value: integer `256`, expected u8 at line 1 column 30"},
        {R"({"sequence":1,"payload":"AQI="})",
         "invalid type: string \"AQI=\", expected a sequence at line 1 column 30"},
        {R"({"sequence":1,"facts":[]})", "invalid type: sequence, expected a map at line 1 column 22"},
        {R"({"sequence":1,"markers":[{"field_path":"a"}]})", "missing field `reason` at line 1 column 43"},
        {R"({"sequence":1,"version":70000})", "invalid value: integer `70000`, expected u16 at line 1 column 29"},
        {R"({"sequence":-1})", "invalid value: integer `-1`, expected u32 at line 1 column 14"},
        {R"({"sequence":1.5})", "invalid type: floating point `1.5`, expected u32 at line 1 column 15"},
        {R"({"sequence":"5"})", "invalid type: string \"5\", expected u32 at line 1 column 15"},
        {R"([1]] )", "trailing characters at line 1 column 4"},
    };
    for (const auto& c : cases) EXPECT_EQ(error_of<Event>(c.input), c.message) << c.input;

    auto short_array = parse<Event>("[7]");
    ASSERT_TRUE(short_array) << short_array.error().message_with_position();
    EXPECT_EQ(*short_array, (Event{7, {}, {}, {}, 1}));
    EXPECT_EQ(to_compact(*short_array), R"({"sequence":7,"payload":[],"version":1})");

    // User-keyed maps keep the last of two equal keys and come out sorted by bytes.
    auto facts = parse<Event>(R"({"sequence":1,"facts":{"z":"1","\u00e9":"2","a":"3","z":"4"}})");
    ASSERT_TRUE(facts) << facts.error().message_with_position();
    EXPECT_EQ(facts->facts, (std::map<std::string, std::string>{{"a", "3"}, {"z", "4"}, {"\xC3\xA9", "2"}}));
    EXPECT_EQ(to_compact(*facts),
              "{\"sequence\":1,\"facts\":{\"a\":\"3\",\"z\":\"4\",\"\xC3\xA9\":\"2\"},\"payload\":[],\"version\":1}");
}

TEST(RecordJson, NestedRecordsAndOneFieldExpectation) {
    EXPECT_EQ(error_of<Store>("[]"), "invalid length 0, expected struct TrustStore with 1 element at line 1 column 2");
    EXPECT_EQ(error_of<Store>("[[],[]]"), "trailing characters at line 1 column 5");
    EXPECT_EQ(error_of<std::vector<Marker>>("[[]]"),
              "invalid length 0, expected struct RedactionMarker with 5 elements at line 1 column 3");
    EXPECT_EQ(error_of<Tree>("{\"children\":[[[5]]]}"),
              "invalid type: integer `5`, expected struct Tree at line 1 column 16");
    EXPECT_EQ(error_of<std::vector<Tree>>("[{\"children\":{}}]"),
              "invalid type: map, expected a sequence at line 1 column 13");
    auto tree = parse<Tree>("[[[],{}]]");
    ASSERT_TRUE(tree) << tree.error().message_with_position();
    EXPECT_EQ(*tree, (Tree{{Tree{}, Tree{}}}));
}

TEST(RecordJson, RoundTripsInBothForms) {
    const Marker full{"payload.email", Reason::audience_restricted, TestId{"6f1c2e1a-8a7b-4c2e-9f3d-0b1a2c3d4e5f"},
                      "2024-05-01T10:00:00Z", TestId{"00000000-0000-4000-8000-000000000001"}};
    const Event event{42, {full, Marker{"x", Reason::oversized, {}, {}, {}}}, {{"k", "v"}}, {0, 127, 255}, 3};
    const Target target{"t", "name \"quoted\"\n", "s3", "https://e", UINT64_MAX, true, {"a", ""}, {}};

    auto check = [](const auto& value) {
        using T = std::remove_cvref_t<decltype(value)>;
        for (const std::string& text : {to_pretty(value), to_compact(value)}) {
            auto again = parse<T>(text);
            ASSERT_TRUE(again) << text << ": " << again.error().message_with_position();
            EXPECT_EQ(*again, value) << text;
        }
        // Array form: the values of the written object, in field order.
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        const auto object = Json<T>::template write<nlohmann::ordered_json>(value);
        for (const auto& field : object) array.push_back(field);
        auto from_array = parse<T>(array.dump());
        ASSERT_TRUE(from_array) << array.dump() << ": " << from_array.error().message_with_position();
        EXPECT_EQ(*from_array, value);
    };
    check(full);
    check(event);
    check(target);
}

TEST(RecordJson, PrettyLayout) {
    const Event event{1, {Marker{"a", Reason::secret, {}, "t", {}}}, {}, {}, 1};
    EXPECT_EQ(to_pretty(event),
              "{\n"
              "  \"sequence\": 1,\n"
              "  \"markers\": [\n"
              "    {\n"
              "      \"field_path\": \"a\",\n"
              "      \"reason\": \"secret\",\n"
              "      \"applied_at\": \"t\"\n"
              "    }\n"
              "  ],\n"
              "  \"payload\": [],\n"
              "  \"version\": 1\n"
              "}");
    const Target target{"\x01\x1f\"\\\b\f\n\r\t\x7f", "\xC3\xA9", "", {}, 0, false, {}, {}};
    EXPECT_EQ(to_compact(target),
              "{\"id\":\"\\u0001\\u001f\\\"\\\\\\b\\f\\n\\r\\t\x7f\",\"name\":\"\xC3\xA9\",\"backend\":\"\","
              "\"endpoint\":null,\"capacity\":0,\"enabled\":false,\"tags\":[],\"disabled_at\":null}");
    EXPECT_EQ(to_pretty(std::vector<std::vector<std::string>>{{}, {"a"}}), "[\n  [],\n  [\n    \"a\"\n  ]\n]");
    EXPECT_EQ(to_pretty(std::map<std::string, std::string>{}), "{}");
}

}  // namespace
}  // namespace orrincore_json::testing
