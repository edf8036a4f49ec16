#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "test_records.hpp"

namespace orrincore_json::testing {

// A record far larger in memory than in text.
struct Bulky {
    std::string name;
    std::array<char, 1 << 16> room{};
    bool operator==(const Bulky&) const = default;
};

}  // namespace orrincore_json::testing

template <>
struct orrincore_json::Json<orrincore_json::testing::Bulky> : RecordJson<orrincore_json::testing::Bulky> {
    using R = orrincore_json::testing::Bulky;
    static constexpr std::string_view name = "Bulky";
    static constexpr auto fields = std::tuple{required("name", &R::name)};
};

namespace orrincore_json::testing {
namespace {

template <class T>
std::string outcome(std::string_view input) {
    auto result = parse<T>(input);
    if (!result) return result.error().message_with_position();
    return to_compact(*result);
}

struct Case {
    std::string input;
    std::string outcome;  // the value written back compactly, or the message
};

TEST(Numbers, KindsAndRanges) {
    const Case u64[] = {
        {"18446744073709551615", "18446744073709551615"},
        {"0", "0"},
        {" 7 ", "7"},
        {"18446744073709551616",
         "invalid type: floating point `18446744073709552000`, expected u64 at line 1 column 20"},
        {"-0", "invalid type: floating point `-0`, expected u64 at line 1 column 2"},
        {"1e3", "invalid type: floating point `1000`, expected u64 at line 1 column 3"},
        {"1.5", "invalid type: floating point `1.5`, expected u64 at line 1 column 3"},
        {"1.0", "invalid type: floating point `1`, expected u64 at line 1 column 3"},
        {"1e21", "invalid type: floating point `1000000000000000000000`, expected u64 at line 1 column 4"},
        {"-1", "invalid value: integer `-1`, expected u64 at line 1 column 2"},
        {"1e400", "number out of range at line 1 column 5"},
        {"-1e400", "number out of range at line 1 column 6"},
        {"1e99999999999", "number out of range at line 1 column 12"},
        {"0e99999999999", "invalid type: floating point `0`, expected u64 at line 1 column 13"},
        {"1e-400", "invalid type: floating point `0`, expected u64 at line 1 column 6"},
        {"25e-1", "invalid type: floating point `2.5`, expected u64 at line 1 column 5"},
        {"123456789012345678901234567890",
         "invalid type: floating point `123456789012345680000000000000`, expected u64 at line 1 column 30"},
        {"18446744073709551616.", "EOF while parsing a value at line 1 column 21"},
        {"18446744073709551616.5",
         "invalid type: floating point `18446744073709552000`, expected u64 at line 1 column 22"},
        {"01", "invalid number at line 1 column 2"},
        {"-", "EOF while parsing a value at line 1 column 1"},
        {"-x", "invalid number at line 1 column 2"},
        {"1.", "EOF while parsing a value at line 1 column 2"},
        {"1.x", "invalid number at line 1 column 3"},
        {"1e", "EOF while parsing a value at line 1 column 2"},
        {"1e+", "EOF while parsing a value at line 1 column 3"},
        {"1ex", "invalid number at line 1 column 3"},
        {"+1", "expected value at line 1 column 1"},
        {"1 2", "trailing characters at line 1 column 3"},
        {"", "EOF while parsing a value at line 1 column 0"},
        {"null", "invalid type: null, expected u64 at line 1 column 4"},
        {"true", "invalid type: boolean `true`, expected u64 at line 1 column 4"},
        {"[1]", "invalid type: sequence, expected u64 at line 1 column 0"},
        {" {}", "invalid type: map, expected u64 at line 1 column 1"},
        {"\"5\"", "invalid type: string \"5\", expected u64 at line 1 column 3"},
    };
    for (const auto& c : u64) EXPECT_EQ(outcome<std::uint64_t>(c.input), c.outcome) << c.input;

    EXPECT_EQ(outcome<std::uint16_t>("70000"), "invalid value: integer `70000`, expected u16 at line 1 column 5");
    EXPECT_EQ(outcome<std::uint16_t>("65535"), "65535");
    EXPECT_EQ(outcome<std::uint32_t>("-1"), "invalid value: integer `-1`, expected u32 at line 1 column 2");
    EXPECT_EQ(outcome<std::uint32_t>("4294967296"),
              "invalid value: integer `4294967296`, expected u32 at line 1 column 10");
    EXPECT_EQ(outcome<std::uint8_t>("256"), "invalid value: integer `256`, expected u8 at line 1 column 3");

    const Case i64[] = {
        {"-9223372036854775808", "-9223372036854775808"},
        {"9223372036854775807", "9223372036854775807"},
        {"9223372036854775808", "invalid value: integer `9223372036854775808`, expected i64 at line 1 column 19"},
        {"-9223372036854775809",
         "invalid type: floating point `-9223372036854776000`, expected i64 at line 1 column 20"},
        {"-0", "invalid type: floating point `-0`, expected i64 at line 1 column 2"},
        {"5.0", "invalid type: floating point `5`, expected i64 at line 1 column 3"},
        {"\"5\"", "invalid type: string \"5\", expected i64 at line 1 column 3"},
    };
    for (const auto& c : i64) EXPECT_EQ(outcome<std::int64_t>(c.input), c.outcome) << c.input;
}

TEST(Numbers, FloatTextOfMessages) {
    const std::pair<double, const char*> cases[] = {
        {1.5, "1.5"},
        {1.0, "1"},
        {-0.0, "-0"},
        {0.0, "0"},
        {1e3, "1000"},
        {1e21, "1000000000000000000000"},
        {18446744073709551616.0, "18446744073709552000"},
        {0.1, "0.1"},
        {1e-7, "0.0000001"},
        {-123.456, "-123.456"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(describe_float(value), text);
    EXPECT_EQ(describe_float(5e-324), "0." + std::string(323, '0') + "5");
}

// Each "1eN" up to the largest double reads as the correctly rounded power
// of ten, as from_chars reads it.
TEST(Numbers, PowersOfTenCorrectlyRounded) {
    for (int n = 0; n <= 308; ++n) {
        const std::string text = "1e" + std::to_string(n);
        double rounded = 0;
        std::from_chars(text.data(), text.data() + text.size(), rounded);
        Reader reader(text);
        const auto number = reader.read_number("a number");
        ASSERT_TRUE(number) << text;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(number->float_value), std::bit_cast<std::uint64_t>(rounded)) << text;
    }
}

TEST(Strings, EscapesAndValidation) {
    const Case cases[] = {
        {R"("a\"b\\c\/d")", R"("a\"b\\c/d")"},
        {R"("\b\f\n\r\t")", R"("\b\f\n\r\t")"},
        {R"("\u00e9\u00E9")", "\"\xC3\xA9\xC3\xA9\""},
        {R"("\ud83d\ude00")", "\"\xF0\x9F\x98\x80\""},
        {R"("\u0000")", R"("\u0000")"},
        {"\"\xC3\xA9\"", "\"\xC3\xA9\""},
        {R"("\ude00")", "lone leading surrogate in hex escape at line 1 column 7"},
        {R"("\ud83d")", "unexpected end of hex escape at line 1 column 8"},
        {R"("\ud83dx")", "unexpected end of hex escape at line 1 column 8"},
        {R"("\ud83d\n")", "unexpected end of hex escape at line 1 column 9"},
        {R"("\ud83d\u0041")", "lone leading surrogate in hex escape at line 1 column 13"},
        {R"("\ud83d)", "EOF while parsing a string at line 1 column 7"},
        {R"("\u12")", "EOF while parsing a string at line 1 column 6"},
        {R"("\u12x4")", "invalid escape at line 1 column 6"},
        {R"("\x")", "invalid escape at line 1 column 3"},
        {R"("\)", "EOF while parsing a string at line 1 column 2"},
        {"\"a\x01\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
        {"\"a\nb\"", "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
        {R"("abc)", "EOF while parsing a string at line 1 column 4"},
        {"\"\xFF\"", "invalid unicode code point at line 1 column 3"},
        {"\"ab\xC3\"", "invalid unicode code point at line 1 column 5"},
        {"\"\xED\xA0\x80\"", "invalid unicode code point at line 1 column 5"},
        {"\"\xC0\xAF\"", "invalid unicode code point at line 1 column 4"},
        {"\"\xF4\x90\x80\x80\"", "invalid unicode code point at line 1 column 6"},
        {R"(5)", "invalid type: integer `5`, expected a string at line 1 column 1"},
        {R"("a"b)", "trailing characters at line 1 column 4"},
        {"\"\xC3\xA9\" x", "trailing characters at line 1 column 6"},
    };
    for (const auto& c : cases) EXPECT_EQ(outcome<std::string>(c.input), c.outcome) << c.input;
}

// A string is scanned eight bytes at a time while nothing in them can end its
// plain run: every kind of stop is found at every place in and around a word.
TEST(Strings, StopsWhereverTheyFall) {
    for (std::size_t before = 0; before < 20; ++before) {
        SCOPED_TRACE(before);
        const std::string plain(before, 'a');
        const std::string after =
            "b\x7f\xC3\xA9"
            "bbbbbbbbb";
        EXPECT_EQ(outcome<std::string>("\"" + plain + "\\n" + after + "\""), "\"" + plain + "\\n" + after + "\"");
        EXPECT_EQ(outcome<std::string>("\"" + plain + "\\\"" + after + "\""), "\"" + plain + "\\\"" + after + "\"");
        EXPECT_EQ(outcome<std::string>("\"" + plain + "\"" + after),
                  "trailing characters at line 1 column " + std::to_string(before + 3));
        EXPECT_EQ(outcome<std::string>("\"" + plain + "\x1f" + after + "\""),
                  "control character (\\u0000-\\u001F) found while parsing a string at line 1 column " +
                      std::to_string(before + 2));
        EXPECT_EQ(outcome<std::string>("\"" + plain + after),
                  "EOF while parsing a string at line 1 column " + std::to_string(1 + before + after.size()));
    }
}

TEST(Syntax, ReaderMessages) {
    using List = std::vector<std::string>;
    using Map = std::map<std::string, std::uint64_t>;
    const Case lists[] = {
        {R"(["a" "b"])", "expected `,` or `]` at line 1 column 6"},
        {R"(["a",)", "EOF while parsing a value at line 1 column 5"},
        {R"(["a")", "EOF while parsing a list at line 1 column 4"},
        {R"([)", "EOF while parsing a list at line 1 column 1"},
        {R"(["a",])", "trailing comma at line 1 column 6"},
        {R"([,"a"])", "expected value at line 1 column 2"},
        {R"([] [])", "trailing characters at line 1 column 4"},
        {"[\n\"a\",\n  x]", "expected value at line 3 column 3"},
        {R"(["a",null])", "invalid type: null, expected a string at line 1 column 9"},
        {R"(["a",nul])", "expected ident at line 1 column 9"},
        {R"(["a",nu)", "EOF while parsing a value at line 1 column 7"},
        {R"("a")", "invalid type: string \"a\", expected a sequence at line 1 column 3"},
    };
    for (const auto& c : lists) EXPECT_EQ(outcome<List>(c.input), c.outcome) << c.input;

    const Case maps[] = {
        {R"({"a":1,"a":2})", R"({"a":2})"},
        {R"({"b":1,"a":2})", R"({"a":2,"b":1})"},
        {R"({"a" 1})", "expected `:` at line 1 column 6"},
        {R"({"a":1 "b":2})", "expected `,` or `}` at line 1 column 8"},
        {R"({1:2})", "key must be a string at line 1 column 2"},
        {R"({"a":1,})", "trailing comma at line 1 column 8"},
        {R"({"a":1)", "EOF while parsing an object at line 1 column 6"},
        {R"({"a":)", "EOF while parsing a value at line 1 column 5"},
        {R"({"a")", "EOF while parsing an object at line 1 column 4"},
        {R"({)", "EOF while parsing an object at line 1 column 1"},
        {R"({"a":1,)", "EOF while parsing a value at line 1 column 7"},
        {R"({"a":1,"a":-2})", "invalid value: integer `-2`, expected u64 at line 1 column 13"},
        {R"([])", "invalid type: sequence, expected a map at line 1 column 0"},
    };
    for (const auto& c : maps) EXPECT_EQ(outcome<Map>(c.input), c.outcome) << c.input;

    const Case bools[] = {
        {"true", "true"},
        {" false", "false"},
        {"tru", "EOF while parsing a value at line 1 column 3"},
        {"trUe", "expected ident at line 1 column 3"},
        {"1", "invalid type: integer `1`, expected a boolean at line 1 column 1"},
        {"x", "expected value at line 1 column 1"},
    };
    for (const auto& c : bools) EXPECT_EQ(outcome<bool>(c.input), c.outcome) << c.input;
}

// One element at a time, a list reads to the same elements, in order, and
// fails with the same message as read whole; the elements before the fault
// have been handed over by then.
TEST(Syntax, ElementsOneAtATimeAsTheWholeList) {
    struct ElementsCase {
        std::string input;
        std::vector<std::string> handed;
    };
    const ElementsCase cases[] = {
        {R"([])", {}},
        {R"( ["a", "b"] )", {"a", "b"}},
        {R"(["a" "b"])", {"a"}},
        {R"(["a",null])", {"a"}},
        {R"(["a","b"] [])", {"a", "b"}},
        {R"(["a",)", {"a"}},
        {R"({"a":"b"})", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> handed;
        auto count = parse_elements<std::string>(
            c.input, [&handed](std::string&& element) { handed.push_back(std::move(element)); });
        auto whole = parse<std::vector<std::string>>(c.input);
        EXPECT_EQ(handed, c.handed) << c.input;
        ASSERT_EQ(count.has_value(), whole.has_value()) << c.input;
        if (whole) EXPECT_EQ(*count, whole->size()) << c.input;
        else EXPECT_EQ(count.error().message_with_position(), whole.error().message_with_position()) << c.input;
    }
}

// A list reserves capacity for its elements up front only as far as its text
// could hold them: two million empty objects fail as records, as they
// always did, rather than asking for a hundred gigabytes.
TEST(Lists, RoomNeverOutgrowsTheText) {
    std::string empty_objects = "[{}";
    for (int i = 1; i < 2'000'000; ++i) empty_objects += ",{}";
    empty_objects += "]";
    EXPECT_EQ(outcome<std::vector<Bulky>>(empty_objects), "missing field `name` at line 1 column 3");
    EXPECT_EQ(outcome<std::vector<Bulky>>(R"([{"name":"a"}, {"name":"b"}])"), R"([{"name":"a"},{"name":"b"}])");
}

TEST(Depth, ReadValuesNestAtMost127) {
    auto nested = [](std::size_t depth, bool closed) {
        std::string text(depth, '[');
        if (closed) text.append(depth, ']');
        return text;
    };
    auto deepest = parse<Tree>(nested(127, true));
    ASSERT_TRUE(deepest) << deepest.error().message_with_position();
    EXPECT_EQ(outcome<Tree>(nested(128, true)), "recursion limit exceeded at line 1 column 128");
    EXPECT_EQ(outcome<Tree>(nested(100000, false)), "recursion limit exceeded at line 1 column 128");
}

TEST(Depth, SkippedValuesHaveNoLimit) {
    const std::string tail = R"(,"field_path":"a","reason":"secret"})";
    std::string deep_arrays = "{\"note\":" + std::string(100000, '[') + std::string(100000, ']') + tail;
    std::string deep_objects = "{\"note\":";
    for (int i = 0; i < 100000; ++i) deep_objects += "{\"k\":";
    deep_objects += "null" + std::string(100000, '}') + tail;
    for (const std::string* input : {&deep_arrays, &deep_objects}) {
        auto marker = parse<Marker>(*input);
        ASSERT_TRUE(marker) << marker.error().message_with_position();
        EXPECT_EQ(marker->field_path, "a");
    }
    EXPECT_EQ(outcome<Marker>("{\"note\":" + std::string(100000, '[')),
              "EOF while parsing a list at line 1 column 100008");
}

// A value read for later: its exact text, or the error a typed read of it
// would give, the nesting limit included.
TEST(ReadAny, TextOfOneValueForALaterTypedRead) {
    auto read_any = [](std::string_view input) {
        Reader reader(input);
        auto text = reader.read_any();
        if (!text) return "error: " + text.error().message_with_position();
        return std::string(*text) + "|" + std::string(input.substr(reader.offset()));
    };
    const Case cases[] = {
        {" null,", "null|,"},
        {"true]", "true|]"},
        {"-12.5e1 ", "-12.5e1| "},
        {R"("a\"b" x)", R"("a\"b"| x)"},
        {"[ 1, {\"k\" : [] } ]}", "[ 1, {\"k\" : [] } ]|}"},
        {"{\"a\":1,}", "error: trailing comma at line 1 column 8"},
        {"[1 2]", "error: expected `,` or `]` at line 1 column 4"},
        {"x", "error: expected value at line 1 column 1"},
        {"", "error: EOF while parsing a value at line 1 column 0"},
        {std::string(128, '[') + std::string(128, ']'), "error: recursion limit exceeded at line 1 column 128"},
    };
    for (const auto& c : cases) EXPECT_EQ(read_any(c.input), c.outcome) << c.input;

    const std::string text = "{\"values\":[\"a\", \"b\"]}";
    Reader reader(text);
    ASSERT_TRUE(reader.begin_object("a map"));
    Cursor cursor;
    ASSERT_TRUE(reader.next_key(cursor));
    ASSERT_TRUE(reader.read_colon());
    auto kept = reader.read_any();
    ASSERT_TRUE(kept);
    Reader again(*kept);
    EXPECT_EQ(Json<std::vector<std::string>>::read(again), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace orrincore_json::testing
