#include "orrincore_crypto/canonical.hpp"

#include "canonical_detail.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/record.hpp>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrincore_crypto::canonical {
namespace {

using nlohmann::json;

constexpr const char* kFloatTail = " cannot be canonicalised; use an integer or a decimal string in signed contracts";

std::string float_refusal(const std::string& path) {
    return "canonical serialization failed: floating-point number at " + path + kFloatTail;
}

std::string outcome(const json& value) {
    auto bytes = to_canonical_json(value);
    return bytes ? *bytes : "refused: " + bytes.error().message();
}

// Values written in full: JSON text, then its canonical bytes.
const std::pair<const char*, std::string> kWritten[] = {
    {R"({"b":1,"a":2,"A":3})", R"({"A":3,"a":2,"b":1})"},
    {R"("e\u0301")", "\"\u00e9\""},
    {R"({"e\u0301":"e\u0301"})", "{\"\u00e9\":\"\u00e9\"}"},
    {R"("a\u0301\u0301")", "\"\u00e1\u0301\""},
    {R"(["Y\u0308","y\u0308"])", "[\"Y\u0308\",\"\u00ff\"]"},
    {"[18446744073709551615,-9223372036854775808,-1,0]", "[18446744073709551615,-9223372036854775808,-1,0]"},
    {R"("\t\n/\u001f")", R"("\t\n/\u001f")"},
    {R"("\"\\\b\f\r\u000B\u0000\u007f")", "\"\\\"\\\\\\b\\f\\r\\u000b\\u0000\x7f\""},
    {R"([{},[],""])", R"([{},[],""])"},
    {R"({ "z" : [3, 1, {"b": null, "a": true}], "a": false, "\u00e9": "caf\u00e9 \u65e5" })",
     "{\"a\":false,\"z\":[3,1,{\"a\":true,\"b\":null}],\"\u00e9\":\"caf\u00e9 \u65e5\"}"},
    // normalising moves a key past another one: the pairs are sorted again
    {R"({"e\u0301x":1,"f":2})", "{\"f\":2,\"\u00e9x\":1}"},
    // the same deep inside, after texts that only needed composing
    {R"({"a":"e\u0301","b":{"c":["y\u0308",{"e\u0301x":1,"f":2}]}})",
     "{\"a\":\"\u00e9\",\"b\":{\"c\":[\"\u00ff\",{\"f\":2,\"\u00e9x\":1}]}}"},
};

TEST(CanonicalJson, WritesTheCanonicalBytes) {
    for (const auto& [text, expected] : kWritten) EXPECT_EQ(outcome(json::parse(text)), expected) << text;
}

TEST(CanonicalJson, WritesBothIntegerKindsInFull) {
    EXPECT_EQ(outcome(json(std::numeric_limits<std::uint64_t>::max())), "18446744073709551615");
    EXPECT_EQ(outcome(json(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
    EXPECT_EQ(outcome(json(std::int64_t{42})), "42");
}

// Values refused: the value, then the message of its refusal.
const std::pair<json, std::string> kRefused[] = {
    {json(1.5), float_refusal("<root>")},
    {json::parse(R"({"rules":[{"min":1.5}]})"), float_refusal("rules.0.min")},
    {json::parse(R"({"\u00e9":1,"e\u0301":2})"),
     "canonical serialization failed: duplicate object key \"\u00e9\" after Unicode normalisation"},
    // the two spellings are not neighbours until the pairs are sorted again
    {json::parse(R"({"\u00e9":1,"e\u0301":2,"f":3})"),
     "canonical serialization failed: duplicate object key \"\u00e9\" after Unicode normalisation"},
    // the path holds the normalised key
    {json::parse(R"({"e\u0301":[0,1.5]})"), float_refusal("\u00e9.1")},
    // values are canonicalised before their object's keys are compared
    {json::parse(R"({"\u00e9":1.5,"e\u0301":2})"), float_refusal("\u00e9")},
    // depth first, keys in byte order: "a" is finished before "b" is entered
    {json::parse(R"({"b":1.5,"a":{"\u00e9":1,"e\u0301":2}})"),
     "canonical serialization failed: duplicate object key \"\u00e9\" after Unicode normalisation"},
    {json::parse(R"({"b":[1.5],"a":{"x":2.5}})"), float_refusal("a.x")},
    // keys that stay as they are and a text that needs composing come first
    {json::parse(R"({"a":"e\u0301","b":[true,{"\u00e9":{"c":1.5}}]})"), float_refusal("b.1.\u00e9.c")},
    // a path of one empty key is not the root
    {json::parse(R"({"":1.5})"), float_refusal("")},
    {json::object({{"k", "ok\xff"}}), "canonical serialization failed: string at k is not valid UTF-8"},
    {json::object({{"k", json::object({{"e\xcc", 1}})}}),
     "canonical serialization failed: object key \"e\ufffd\" at k is not valid UTF-8"},
    {json::binary({1, 2}), "canonical serialization failed: value at <root> is not representable as JSON"},
};

TEST(CanonicalJson, RefusesWithTheFirstFaultOfTheWalk) {
    for (const auto& [value, expected] : kRefused)
        EXPECT_EQ(outcome(value), "refused: " + expected) << value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The full walk, canonicalize then write_value, as the definition of the
// canonical bytes.
std::string full_walk(const json& value) {
    auto canonical = canonicalize(value, {});
    if (!canonical) return "refused: " + canonical.error().message();
    std::string bytes;
    write_value(*canonical, bytes);
    return bytes;
}

// to_canonical_json writes most values straight from the input: wherever
// that fast walk writes anything, it must be the full walk's bytes, and it
// must write nothing where the full walk refuses.
TEST(CanonicalJson, FastAndFullWalksAgree) {
    std::vector<json> values;
    for (const auto& [text, expected] : kWritten) values.push_back(json::parse(text));
    for (const auto& [value, expected] : kRefused) values.push_back(value);
    values.push_back(json::parse(R"({"id":"3f2b8c1e","size":18446744073709551615,"offset":-4096,
        "flags":[true,false,null],"labels":["retention","ops\t\u0001"],"note":"Re\u0301sume\u0301 n\u0303",
        "custody":{"actor":{"kind":"operator","name":"caf\u00e9"},"sequence":0},"empty":{},"none":[]})"));

    int fast_written = 0;
    for (const json& value : values) {
        const auto context = value.dump(-1, ' ', false, json::error_handler_t::replace);
        const std::string full = full_walk(value);
        const auto fast = detail::write_keeping_keys(value);
        if (full.starts_with("refused: ")) {
            EXPECT_FALSE(fast) << context;
        }
        if (fast) {
            EXPECT_EQ(*fast, full) << context;
            ++fast_written;
        }
        EXPECT_EQ(outcome(value), full) << context;
    }
    // The written values whose keys all stay (all but three) and the record.
    EXPECT_EQ(fast_written, 10);
}

TEST(CanonicalJson, CanonicalizeStartsFromTheGivenPathAndLeavesTheInput) {
    const json input = json::parse(R"({"min":1.5})");
    const auto refused = canonicalize(input, {"rules", "0"});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message(), float_refusal("rules.0.min"));

    const json decomposed = json::parse(R"({"e\u0301":"e\u0301"})");
    const auto canonical = canonicalize(decomposed, {});
    ASSERT_TRUE(canonical);
    EXPECT_EQ(*canonical, json::parse(R"({"\u00e9":"\u00e9"})"));
    EXPECT_EQ(decomposed, json::parse(R"({"e\u0301":"e\u0301"})"));
}

// `depth` arrays, or objects holding one member `key`, one inside the other
// around `innermost`. Built from the top down: nesting by value would copy,
// and copying recurses once per level.
json nested(std::size_t depth, const std::string& key, json innermost) {
    json root;
    json* level = &root;
    for (std::size_t i = 0; i < depth; ++i) {
        if (key.empty()) {
            *level = json::array({nullptr});
            level = &level->back();
        } else {
            *level = json::object();
            level = &(*level)[key];
        }
    }
    *level = std::move(innermost);
    return root;
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// Records never nest this deep (their reader stops at 127 levels), but the
// functions take any value. Compared with EXPECT_TRUE: a failure should not
// print megabytes.
constexpr std::size_t kDeep = 1'000'000;

TEST(CanonicalJsonDepth, AMillionLevelsAreWritten) {
    // arrays: the fast walk
    const json arrays = nested(kDeep, "", 7);
    const std::string arrays_text = repeated("[", kDeep) + "7" + repeated("]", kDeep);
    EXPECT_TRUE(outcome(arrays) == arrays_text);
    std::string written;
    write_value(arrays, written);
    EXPECT_TRUE(written == arrays_text);
    // objects under a key that composes: the full walk, canonicalize then
    // write_value
    EXPECT_TRUE(outcome(nested(kDeep, "e\u0301", "e\u0301")) ==
                repeated("{\"\u00e9\":", kDeep) + "\"\u00e9\"" + repeated("}", kDeep));
}

TEST(CanonicalJsonDepth, AMillionLevelsAreRefusedWithTheirPath) {
    EXPECT_TRUE(outcome(nested(kDeep, "k", 1.5)) == "refused: " + float_refusal("k" + repeated(".k", kDeep - 1)));
}

TEST(WriteEscapedString, EscapesControlsInLowerCaseAndAppends) {
    std::string controls;
    for (int c = 0; c < 0x20; ++c) controls.push_back(static_cast<char>(c));
    std::string out = "x";
    write_escaped_string(controls + "/\x7f\u00e9", out);
    EXPECT_EQ(out, R"(x"\u0000\u0001\u0002\u0003\u0004\u0005\u0006\u0007\b\t\n\u000b\f\r\u000e\u000f)"
                   R"(\u0010\u0011\u0012\u0013\u0014\u0015\u0016\u0017\u0018\u0019\u001a\u001b\u001c)"
                   "\\u001d\\u001e\\u001f/\x7f\u00e9\"");
}

// The table as printed for readers: base letter, then the letter it makes
// with grave, acute, circumflex, tilde, diaeresis, ring above, caron.
struct HandRow {
    char base;
    const char* composed[7];
};
constexpr char32_t kTableMarks[7] = {0x300, 0x301, 0x302, 0x303, 0x308, 0x30A, 0x30C};
const HandRow kHandTable[] = {
    {'A', {"\u00c0", "\u00c1", "\u00c2", "\u00c3", "\u00c4", "\u00c5", nullptr}},
    {'a', {"\u00e0", "\u00e1", "\u00e2", "\u00e3", "\u00e4", "\u00e5", nullptr}},
    {'E', {"\u00c8", "\u00c9", "\u00ca", nullptr, "\u00cb", nullptr, nullptr}},
    {'e', {"\u00e8", "\u00e9", "\u00ea", nullptr, "\u00eb", nullptr, nullptr}},
    {'I', {"\u00cc", "\u00cd", "\u00ce", nullptr, "\u00cf", nullptr, nullptr}},
    {'i', {"\u00ec", "\u00ed", "\u00ee", nullptr, "\u00ef", nullptr, nullptr}},
    {'O', {"\u00d2", "\u00d3", "\u00d4", "\u00d5", "\u00d6", nullptr, nullptr}},
    {'o', {"\u00f2", "\u00f3", "\u00f4", "\u00f5", "\u00f6", nullptr, nullptr}},
    {'U', {"\u00d9", "\u00da", "\u00db", nullptr, "\u00dc", nullptr, nullptr}},
    {'u', {"\u00f9", "\u00fa", "\u00fb", nullptr, "\u00fc", nullptr, nullptr}},
    {'N', {nullptr, nullptr, nullptr, "\u00d1", nullptr, nullptr, nullptr}},
    {'n', {nullptr, nullptr, nullptr, "\u00f1", nullptr, nullptr, nullptr}},
    {'Y', {nullptr, "\u00dd", nullptr, nullptr, nullptr, nullptr, nullptr}},
    {'y', {nullptr, "\u00fd", nullptr, nullptr, "\u00ff", nullptr, nullptr}},
    {'C', {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "\u010c"}},
    {'c', {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "\u010d"}},
    {'S', {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "\u0160"}},
    {'s', {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "\u0161"}},
    {'Z', {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "\u017d"}},
    {'z', {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "\u017e"}},
};

const char* hand_composed(char base, char32_t mark) {
    for (const HandRow& row : kHandTable)
        for (int column = 0; column < 7; ++column)
            if (row.base == base && kTableMarks[column] == mark) return row.composed[column];
    return nullptr;
}

std::string combining_mark(char32_t mark) {
    return {static_cast<char>(0xC0 | (mark >> 6)), static_cast<char>(0x80 | (mark & 0x3F))};
}

// Every ASCII character before every mark of U+0300..U+036F: exactly the 57
// pairs of the table are composed, each into its letter.
TEST(NormalizeString, ComposesExactlyTheFixedPairs) {
    int composed = 0;
    for (int base = 1; base < 0x80; ++base) {
        for (char32_t mark = 0x300; mark <= 0x36F; ++mark) {
            const std::string pair = static_cast<char>(base) + combining_mark(mark);
            const char* expected = hand_composed(static_cast<char>(base), mark);
            EXPECT_EQ(normalize_string(pair), expected ? expected : pair)
                << "base " << base << " mark " << std::hex << static_cast<std::uint32_t>(mark);
            composed += expected != nullptr;
        }
    }
    EXPECT_EQ(composed, 57);
}

TEST(NormalizeString, ChangesNothingElse) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"Y\u0308", "Y\u0308"},             // only lower-case y takes the diaeresis
        {"C\u0327", "C\u0327"},             // cedilla is not in the table
        {"\u00e9\u0301", "\u00e9\u0301"},   // precomposed letters stay, mark too
        {"e\u0301\u0301", "\u00e9\u0301"},  // one mark per letter
        {"\u0301e", "\u0301e"},             // a leading mark stays
        {"x\u65e5e\u0301!", "x\u65e5\u00e9!"},
        {"\xff"
         "e\u0301",
         "\xff\u00e9"},      // stray bytes are copied
        {"e\xcc", "e\xcc"},  // cut-off mark
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(normalize_string(text), expected) << text;
}

}  // namespace
}  // namespace orrincore_crypto::canonical

namespace canonical_test_records {
struct Sample {
    std::uint64_t size;
    std::string label;
};

struct Part {
    std::string name;
    std::optional<std::int64_t> offset;
};

// A list written as one text, as a field's own codec may write it.
struct JoinedCodec {
    static orrincore_json::ReadResult<std::vector<std::uint64_t>> read(orrincore_json::Reader& reader);
    template <class J>
    static J write(const std::vector<std::uint64_t>& values) {
        std::string text;
        for (const auto value : values) text += std::to_string(value) + ";";
        return J(text);
    }
};

// Every kind of field, with field order unlike key order.
struct Whole {
    std::string zeta;
    std::vector<Part> parts;
    std::optional<Part> spare;
    std::optional<std::string> note;
    std::vector<std::string> tags;
    std::map<std::string, std::int64_t> counts;
    std::vector<std::optional<std::uint64_t>> holes;
    std::vector<std::uint64_t> joined;
    bool flag;
};

// A key that is not ASCII: the value-form walk writes such a record.
struct Accented {
    std::string value;
};
}  // namespace canonical_test_records

template <>
struct orrincore_json::Json<canonical_test_records::Sample>
    : orrincore_json::RecordJson<canonical_test_records::Sample> {
    using R = canonical_test_records::Sample;
    static constexpr std::string_view name = "Sample";
    static constexpr auto fields = std::tuple{required("size", &R::size), required("label", &R::label)};
};

template <>
struct orrincore_json::Json<canonical_test_records::Part> : orrincore_json::RecordJson<canonical_test_records::Part> {
    using R = canonical_test_records::Part;
    static constexpr std::string_view name = "Part";
    static constexpr auto fields = std::tuple{required("name", &R::name), omittable("offset", &R::offset)};
};

template <>
struct orrincore_json::Json<canonical_test_records::Whole> : orrincore_json::RecordJson<canonical_test_records::Whole> {
    using R = canonical_test_records::Whole;
    static constexpr std::string_view name = "Whole";
    static constexpr auto fields = std::tuple{
        required("zeta", &R::zeta),        required("parts", &R::parts),
        nullable("spare", &R::spare),      omittable("note", &R::note),
        omittable_empty("tags", &R::tags), required("counts", &R::counts),
        required("holes", &R::holes),      required<canonical_test_records::JoinedCodec>("joined", &R::joined),
        required("flag", &R::flag),
    };
};

template <>
struct orrincore_json::Json<canonical_test_records::Accented>
    : orrincore_json::RecordJson<canonical_test_records::Accented> {
    using R = canonical_test_records::Accented;
    static constexpr std::string_view name = "Accented";
    static constexpr auto fields = std::tuple{required("e\u0301", &R::value)};
};

namespace orrincore_crypto::canonical {
namespace {

TEST(CanonicalJson, RecordEntryUsesItsValueForm) {
    EXPECT_EQ(to_canonical_json(canonical_test_records::Sample{7, "e\u0301"}), "{\"label\":\"\u00e9\",\"size\":7}");
}

// A record is written field by field where it can be: the bytes are those of
// its value form, and nothing is written where the value form's walk must
// answer (a map key that composes, a text that is not UTF-8), which the entry
// then does.
TEST(CanonicalJson, RecordsWrittenFieldByFieldAsTheirValueForm) {
    using canonical_test_records::Part;
    using canonical_test_records::Whole;
    const Whole full{"y\u0308e\u0301",
                     {{"a", 3}, {"b\t", std::nullopt}},
                     Part{"s", -1},
                     "n\u0303",
                     {"x", "y"},
                     {{"k", 1}, {"j", -2}},
                     {std::nullopt, 5},
                     {1, 2},
                     true};
    const Whole bare{"", {}, std::nullopt, std::nullopt, {}, {}, {}, {}, false};
    auto composing_key = bare;
    composing_key.counts = {{"e\u0301", 1}, {"f", 2}};
    auto not_utf8 = full;
    not_utf8.parts[1].name = "ok\xff";
    struct Case {
        const char* name;
        Whole record;
        bool field_by_field;
    };
    const std::vector<Case> cases = {
        {"every field", full, true},
        {"absent, empty and left out", bare, true},
        {"a map key that composes", composing_key, false},
        {"a text that is not UTF-8", not_utf8, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const json value_form = orrincore_json::to_value(c.record);
        const std::string expected = outcome(value_form);
        const auto parts = detail::write_record_parts(c.record);
        EXPECT_EQ(parts.has_value(), c.field_by_field);
        if (parts) {
            EXPECT_EQ(*parts, expected);
        }
        const auto entry = to_canonical_json(c.record);
        EXPECT_EQ(entry ? *entry : "refused: " + entry.error().message(), expected);
    }
    EXPECT_EQ(*to_canonical_json(bare),
              R"({"counts":{},"flag":false,"holes":[],"joined":"","parts":[],"spare":null,"zeta":""})");
    EXPECT_EQ(*to_canonical_json(full),
              "{\"counts\":{\"j\":-2,\"k\":1},\"flag\":true,\"holes\":[null,5],\"joined\":\"1;2;\",\"note\":\"\u00f1\","
              "\"parts\":[{\"name\":\"a\",\"offset\":3},{\"name\":\"b\\t\"}],\"spare\":{\"name\":\"s\",\"offset\":-1},"
              "\"tags\":[\"x\",\"y\"],\"zeta\":\"\u00ff\u00e9\"}");
    static_assert(!detail::has_plain_keys<canonical_test_records::Accented>());
    EXPECT_EQ(to_canonical_json(canonical_test_records::Accented{"v"}), "{\"\u00e9\":\"v\"}");
}

}  // namespace
}  // namespace orrincore_crypto::canonical
