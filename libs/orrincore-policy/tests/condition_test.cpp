#include "orrincore_policy/condition.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orrincore_policy::eval {
namespace {

using Condition = PolicyCondition;

// The compact form of what reads, or "error: " and the message (with its
// position when `with_position`).
std::string read_back(std::string_view text, bool with_position = false) {
    auto condition = orrincore_json::parse<Condition>(text);
    if (!condition)
        return "error: " + (with_position ? condition.error().message_with_position() : condition.error().message());
    return orrincore_json::to_compact(*condition);
}

constexpr std::string_view op_list =
    "one of `equals`, `not_equals`, `one_of`, `at_least`, `at_most`, `in_range`, `present`, `absent`";

struct ReadCase {
    std::string_view input;
    std::string expected;
};

TEST(PolicyConditionRead, ObjectFormTagAnywhereAndFieldsByTag) {
    const ReadCase cases[] = {
        {R"({"value":"x","op":"equals"})", R"({"op":"equals","value":"x"})"},
        {R"({"op":"equals","value":"x","values":["y"],"note":1})", R"({"op":"equals","value":"x"})"},
        {R"({"op":"present","value":"x"})", R"({"op":"present"})"},
        {R"({"op":"absent","min":"not a number"})", R"({"op":"absent"})"},
        {R"({"op":"not_equals","value":""})", R"({"op":"not_equals","value":""})"},
        {R"({"values":["b","a","b"],"op":"one_of"})", R"({"op":"one_of","values":["b","a","b"]})"},
        {R"({"op":"one_of","values":[]})", R"({"op":"one_of","values":[]})"},
        {R"({"max":1,"op":"in_range","min":5})", R"({"op":"in_range","min":5,"max":1})"},
        {R"({"op":"at_least","min":-9223372036854775808})", R"({"op":"at_least","min":-9223372036854775808})"},
        {R"({"op":"at_most","max":9223372036854775807})", R"({"op":"at_most","max":9223372036854775807})"},
        {R"({"op":"equals","value":"x","deep":{"a":[1,{"b":null}],"c":true}})", R"({"op":"equals","value":"x"})"},
        {R"({"Op":"present","op":"absent"})", R"({"op":"absent"})"},
        {R"({"op":"equals","value":"caf\u00e9"})", "{\"op\":\"equals\",\"value\":\"caf\xc3\xa9\"}"},
    };
    for (const auto& c : cases) EXPECT_EQ(read_back(c.input), c.expected) << c.input;
}

TEST(PolicyConditionRead, ObjectFormRefusals) {
    const ReadCase cases[] = {
        {R"({"value":"x"})", "error: missing field `op`"},
        {R"({})", "error: missing field `op`"},
        {R"({"value":1})", "error: missing field `op`"},  // the tag is missed before fields are read
        {R"({"op":"equals"})", "error: missing field `value`"},
        {R"({"op":"one_of"})", "error: missing field `values`"},
        {R"({"op":"in_range"})", "error: missing field `min`"},
        {R"({"op":"in_range","min":1})", "error: missing field `max`"},
        {R"({"op":"equals","op":"equals","value":"x"})", "error: duplicate field `op`"},
        {R"({"op":"equals","value":"a","value":"b"})", "error: duplicate field `value`"},
        {R"({"op":"Equals","value":"x"})", "error: unknown variant `Equals`, expected " + std::string(op_list)},
        {R"({"op":"eq","value":"x"})", "error: unknown variant `eq`, expected " + std::string(op_list)},
        {R"({"op":"bogus","value":})", "error: unknown variant `bogus`, expected " + std::string(op_list)},
        {R"({"op":1})", "error: invalid type: integer `1`, expected variant identifier"},
        {R"({"op":{"equals":null},"value":"x"})", "error: invalid type: map, expected variant identifier"},
        {R"({"op":"equals","value":null})", "error: invalid type: null, expected a string"},
        {R"({"op":"equals","value":["x"]})", "error: invalid type: sequence, expected a string"},
        {R"({"op":"one_of","values":"a"})", "error: invalid type: string \"a\", expected a sequence"},
        {R"({"op":"one_of","values":["a",1]})", "error: invalid type: integer `1`, expected a string"},
        {R"({"op":"one_of","values":{}})", "error: invalid type: map, expected a sequence"},
        {R"({"op":"at_least","min":"5"})", "error: invalid type: string \"5\", expected i64"},
        {R"({"op":"at_least","min":1.5})", "error: invalid type: floating point `1.5`, expected i64"},
        {R"({"op":"at_least","min":true})", "error: invalid type: boolean `true`, expected i64"},
        {R"({"op":"at_most","max":9223372036854775808})",
         "error: invalid value: integer `9223372036854775808`, expected i64"},
        {R"({"op":"equals","value":"x","junk":tru})", "error: expected ident"},
        {R"({"op":"equals","value":"x")", "error: EOF while parsing an object"},
        {R"("equals")", "error: invalid type: string \"equals\", expected internally tagged enum PolicyCondition"},
        {R"(null)", "error: invalid type: null, expected internally tagged enum PolicyCondition"},
        {R"(5)", "error: invalid type: integer `5`, expected internally tagged enum PolicyCondition"},
    };
    for (const auto& c : cases) EXPECT_EQ(read_back(c.input), c.expected) << c.input;
}

TEST(PolicyConditionRead, FloatsAndOutOfRangeIntegersAreFloatingPointTypes) {
    for (std::string_view text :
         {R"({"op":"at_least","min":5.0})", R"({"op":"at_least","min":-0})", R"({"op":"at_least","min":1e3})",
          R"({"op":"in_range","min":0,"max":-9223372036854775809})",
          R"({"op":"at_most","max":18446744073709551616})"}) {
        const std::string message = read_back(text);
        EXPECT_TRUE(message.starts_with("error: invalid type: floating point `")) << text << " -> " << message;
        EXPECT_TRUE(message.ends_with("`, expected i64")) << text << " -> " << message;
    }
}

TEST(PolicyConditionRead, ArrayForm) {
    const ReadCase cases[] = {
        {R"(["equals","x"])", R"({"op":"equals","value":"x"})"},
        {R"(["in_range",1,5])", R"({"op":"in_range","min":1,"max":5})"},
        {R"(["one_of",["a"]])", R"({"op":"one_of","values":["a"]})"},
        {R"(["present"])", R"({"op":"present"})"},
        {R"([])", "error: missing field `op`"},
        {R"(["equals"])", "error: invalid length 0, expected struct variant PolicyCondition::Equals with 1 element"},
        {R"(["one_of"])", "error: invalid length 0, expected struct variant PolicyCondition::OneOf with 1 element"},
        {R"(["in_range",1])",
         "error: invalid length 1, expected struct variant PolicyCondition::InRange with 2 elements"},
        {R"(["equals","a","b"])", "error: invalid length 2, expected 1 element in sequence"},
        {R"(["in_range",1,2,3])", "error: invalid length 3, expected 2 elements in sequence"},
        {R"(["present",1])", "error: invalid length 1, expected 0 elements in sequence"},
        {R"(["at_most","5"])", "error: invalid type: string \"5\", expected i64"},
        {R"(["nope"])", "error: unknown variant `nope`, expected " + std::string(op_list)},
        {R"([1])", "error: invalid type: integer `1`, expected variant identifier"},
    };
    for (const auto& c : cases) EXPECT_EQ(read_back(c.input), c.expected) << c.input;
}

TEST(PolicyConditionRead, SetAsideErrorsStandAtTheEndOfTheObject) {
    // The tag may come last, so a field's type is known only once the object
    // has ended; the error is placed after its closing brace.
    EXPECT_EQ(read_back("{\"value\":1,\n \"op\":\"equals\"}", true),
              "error: invalid type: integer `1`, expected a string at line 2 column 15");
    EXPECT_EQ(read_back(R"({"op":"equals","value":"a","value":"b"})", true),
              "error: duplicate field `value` at line 1 column 39");
    // Tag errors are found while the object is read.
    EXPECT_EQ(read_back(R"({"op":"equals","op":"equals"})", true), "error: duplicate field `op` at line 1 column 19");
}

TEST(PolicyConditionRead, SetAsideValuesCountTowardsTheNestingLimit) {
    const std::string deep = std::string(126, '[') + std::string(126, ']');
    EXPECT_EQ(read_back(R"({"op":"present","x":)" + deep + "}"), R"({"op":"present"})");
    const std::string too_deep = std::string(127, '[') + std::string(127, ']');
    EXPECT_EQ(read_back(R"({"op":"present","x":)" + too_deep + "}"), "error: recursion limit exceeded");
}

TEST(PolicyConditionRead, WrittenFormsReadBackEqual) {
    const Condition conditions[] = {
        Condition::Equals{"x"},       Condition::NotEquals{""},      Condition::OneOf{{}},
        Condition::OneOf{{"a", "a"}}, Condition::AtLeast{INT64_MIN}, Condition::AtMost{INT64_MAX},
        Condition::InRange{-5, 5},    Condition::Present{},          Condition::Absent{},
    };
    for (const auto& condition : conditions) {
        for (const std::string& text : {orrincore_json::to_compact(condition), orrincore_json::to_pretty(condition)}) {
            auto again = orrincore_json::parse<Condition>(text);
            ASSERT_TRUE(again) << text << ": " << again.error().message_with_position();
            EXPECT_EQ(*again, condition) << text;
        }
    }
    EXPECT_EQ(orrincore_json::to_compact(Condition{Condition::InRange{1, 5}}), R"({"op":"in_range","min":1,"max":5})");
    EXPECT_EQ(orrincore_json::to_value(Condition{Condition::Absent{}}).dump(), R"({"op":"absent"})");
}

struct MatchCase {
    Condition condition;
    std::optional<std::string_view> value;
    bool matches;
};

TEST(PolicyConditionMatches, PerOpIncludingAbsentValues) {
    const std::optional<std::string_view> absent;
    const MatchCase cases[] = {
        {Condition::Equals{"x"}, "x", true},
        {Condition::Equals{"x"}, "X", false},
        {Condition::Equals{"x"}, "x ", false},
        {Condition::Equals{"x"}, absent, false},
        {Condition::Equals{""}, "", true},
        {Condition::Equals{""}, absent, false},
        {Condition::Equals{"\xc3\xa9"}, "e\xcc\x81", false},  // bytes, not normal forms
        {Condition::NotEquals{"x"}, "y", true},
        {Condition::NotEquals{"x"}, "x", false},
        {Condition::NotEquals{"x"}, "xx", true},
        {Condition::NotEquals{"x"}, absent, false},  // not the negation of Equals
        {Condition::OneOf{{"a", "b"}}, "b", true},
        {Condition::OneOf{{"a", "b"}}, "c", false},
        {Condition::OneOf{{"a", "b"}}, absent, false},
        {Condition::OneOf{{}}, "", false},
        {Condition::OneOf{{""}}, "", true},
        {Condition::AtLeast{10}, "10", true},
        {Condition::AtLeast{10}, "11", true},
        {Condition::AtLeast{10}, "9", false},
        {Condition::AtLeast{10}, "010", false},
        {Condition::AtLeast{10}, "+10", false},
        {Condition::AtLeast{10}, "10.0", false},
        {Condition::AtLeast{10}, absent, false},
        {Condition::AtLeast{-3}, "-2", true},  // signed comparison
        {Condition::AtMost{INT64_MAX}, "9223372036854775807", true},
        {Condition::AtMost{INT64_MAX}, "9223372036854775808", false},
        {Condition::AtMost{0}, "-1", true},
        {Condition::AtMost{0}, "1", false},
        {Condition::InRange{-5, 5}, "-5", true},
        {Condition::InRange{-5, 5}, "0", true},
        {Condition::InRange{-5, 5}, "5", true},
        {Condition::InRange{-5, 5}, "-0", false},
        {Condition::InRange{-5, 5}, "-6", false},
        {Condition::InRange{-5, 5}, "6", false},
        {Condition::InRange{5, 1}, "3", false},
        {Condition::InRange{7, 7}, "7", true},
        {Condition::Present{}, "", true},
        {Condition::Present{}, "anything", true},
        {Condition::Present{}, absent, false},
        {Condition::Absent{}, "", false},
        {Condition::Absent{}, absent, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.condition.matches(c.value), c.matches)
            << orrincore_json::to_compact(c.condition) << " on " << (c.value ? std::string(*c.value) : "<absent>");
    }
}

TEST(ParseCanonicalI64, OnlyTheCanonicalDecimalForm) {
    const std::pair<std::string_view, std::optional<std::int64_t>> cases[] = {
        {"0", 0},
        {"5", 5},
        {"-5", -5},
        {"1234567890", 1234567890},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+5", std::nullopt},
        {"05", std::nullopt},
        {"007", std::nullopt},
        {"-0", std::nullopt},
        {"+0", std::nullopt},
        {"--5", std::nullopt},
        {"5.0", std::nullopt},
        {"1e3", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"5\n", std::nullopt},
        {"\xd9\xa5", std::nullopt},  // ARABIC-INDIC DIGIT FIVE
        {std::string_view("5\0", 2), std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parse_canonical_i64(text), expected) << '"' << text << '"';
}

}  // namespace
}  // namespace orrincore_policy::eval
