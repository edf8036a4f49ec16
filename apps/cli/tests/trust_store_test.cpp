#include "gate/trust_store.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include "key_fixtures.hpp"

namespace vevizovuvazavad {
namespace {

using testing::ascii_upper;
using testing::key_from_seed;
using testing::public_key_hex;
using zedododor_avovodizi::time::Timestamp;

const Timestamp first_added = *Timestamp::from_str("2026-01-05T09:30:00Z");
const Timestamp second_added = *Timestamp::from_str("2026-01-06T10:00:00.5Z");
const std::string key_a = public_key_hex(key_from_seed(0xA1));
const std::string key_b = public_key_hex(key_from_seed(0xB2));
const std::string key_c = public_key_hex(key_from_seed(0xC3));
const std::string key_d = public_key_hex(key_from_seed(0xD4));
const std::string key_e = public_key_hex(key_from_seed(0xE5));

std::string length_message(std::size_t characters, bool non_hex) {
    return "expected a 64-character hex Ed25519 public key, got " + std::to_string(characters) + " characters" +
           (non_hex ? " (and non-hex characters)" : "");
}

// y = 2 has no x on the curve.
const std::string off_curve = "02" + std::string(62, '0');
const std::string off_curve_message =
    "not a valid Ed25519 public key: validation failed: invalid ed25519 public key: signature error: Cannot "
    "decompress Edwards point";

TEST(ParsePublicKeyHex, RefusesWhatIsNotSixtyFourHexDigitsOfAPoint) {
    struct Case {
        const char* label;
        std::string input;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"empty", "", length_message(0, false)},
        {"63 digits", key_a.substr(0, 63), length_message(63, false)},
        {"65 digits", key_a + "0", length_message(65, false)},
        {"one g", key_a.substr(0, 63) + "g", length_message(64, true)},
        {"65 with a g", key_a + "g", length_message(65, true)},
        {"not trimmed", " " + key_a.substr(0, 63), length_message(64, true)},
        {"a line feed after", key_a + "\n", length_message(65, true)},
        // 64 bytes, 63 characters: the length test counts bytes, the message characters.
        {"multi-byte", key_a.substr(0, 62) + "\u00e9", length_message(63, true)},
        {"only white space", " \t", length_message(2, true)},
        {"not lower-cased here", "\u0130", length_message(1, true)},
        {"off the curve", off_curve, off_curve_message},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto key = parse_public_key_hex(c.input);
        ASSERT_FALSE(key);
        EXPECT_EQ(key.error(), c.message);
    }
}

TEST(ParsePublicKeyHex, ReadsEitherCaseIntoTheKeyBytes) {
    const auto expected = key_from_seed(0xA1).verifying_key();
    EXPECT_EQ(parse_public_key_hex(key_a), expected);
    EXPECT_EQ(parse_public_key_hex(ascii_upper(key_a)), expected);
    // Small-order points decode and are accepted; strict verification refuses
    // every signature under them.
    EXPECT_TRUE(parse_public_key_hex("01" + std::string(62, '0')));
    EXPECT_TRUE(parse_public_key_hex("ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f"));
}

TEST(TrustStoreAdd, NormalisesTheTypedKeyBeforeParsingAndStoringIt) {
    struct Case {
        const char* label;
        std::string typed;
    };
    const std::vector<Case> cases = {
        {"upper case", ascii_upper(key_a)},
        {"spaces and a line feed", "  " + key_a + " \n"},
        {"Unicode white space", "\u3000\u00a0\u2028" + ascii_upper(key_a) + "\u0085\u202f\t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto store = TrustStore::empty();
        ASSERT_TRUE(trust_store_add(store, "ops", c.typed, first_added));
        EXPECT_EQ(store, (TrustStore{{{"ops", key_a, first_added}}}));
    }
}

TEST(TrustStoreAdd, RefusalsComeInOrderAndLeaveTheStoreUnchanged) {
    struct Case {
        const char* label;
        std::string name;
        std::string typed;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"white space only", "new", " \n\u3000 ", length_message(0, false)},
        {"63 digits", "new", key_e.substr(0, 63), length_message(63, false)},
        {"a g", "new", "g" + key_e.substr(1), length_message(64, true)},
        // The full lower-case mapping makes two characters of one.
        {"lower-cased before counting", "new", "\u0130", length_message(2, true)},
        {"off the curve", "new", off_curve, off_curve_message},
        // The key is parsed before the name is looked at.
        {"bad key under a taken name", "alpha", "x", length_message(1, true)},
        {"taken name, new key", "alpha", key_e, "a trusted signer named \"alpha\" already exists in this trust store"},
        {"name and key both taken", "alpha", key_a,
         "a trusted signer named \"alpha\" already exists in this trust store"},
        {"key of another signer", "gamma", key_b, "this public key is already trusted, under a different name"},
        {"that key typed otherwise", "gamma", " " + ascii_upper(key_b) + "\n",
         "this public key is already trusted, under a different name"},
        {"the empty name twice", "", key_e, "a trusted signer named \"\" already exists in this trust store"},
        {"a name in quoted form", "say \"hi\"\n", key_e,
         "a trusted signer named \"say \\\"hi\\\"\\n\" already exists in this trust store"},
    };
    auto store = TrustStore::empty();
    ASSERT_TRUE(trust_store_add(store, "alpha", key_a, first_added));
    ASSERT_TRUE(trust_store_add(store, "beta", key_b, first_added));
    ASSERT_TRUE(trust_store_add(store, "", key_c, first_added));  // the empty name, once
    ASSERT_TRUE(trust_store_add(store, "say \"hi\"\n", key_d, first_added));
    const TrustStore before = store;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto added = trust_store_add(store, c.name, c.typed, second_added);
        ASSERT_FALSE(added);
        EXPECT_EQ(added.error(), c.message);
        EXPECT_EQ(store, before);
    }
}

TEST(TrustStoreAdd, NamesAreComparedByteForByteAndSignersAppended) {
    auto store = TrustStore::empty();
    ASSERT_TRUE(trust_store_add(store, "ops", key_a, first_added));
    ASSERT_TRUE(trust_store_add(store, "Ops", key_b, second_added));
    ASSERT_TRUE(trust_store_add(store, " ops", key_c, second_added));
    EXPECT_EQ(store, (TrustStore{{
                         {"ops", key_a, first_added},
                         {"Ops", key_b, second_added},
                         {" ops", key_c, second_added},
                     }}));
}

TEST(TrustStoreFile, PrettyLayout) {
    EXPECT_EQ(orrincore_json::to_pretty(TrustStore::empty()), "{\n  \"signers\": []\n}");
    EXPECT_EQ(orrincore_json::to_pretty(TrustStore::empty()).size(), 19u);

    auto store = TrustStore::empty();
    ASSERT_TRUE(trust_store_add(store, "release \"board\"", key_a, first_added));
    const std::string one_signer =
        "{\n"
        "  \"signers\": [\n"
        "    {\n"
        "      \"name\": \"release \\\"board\\\"\",\n"
        "      \"pubkey_hex\": \"" +
        key_a +
        "\",\n"
        "      \"added_at\": \"2026-01-05T09:30:00Z\"\n"
        "    }\n"
        "  ]\n"
        "}";
    EXPECT_EQ(orrincore_json::to_pretty(store), one_signer);

    ASSERT_TRUE(trust_store_add(store, "b", key_b, second_added));
    EXPECT_EQ(orrincore_json::to_pretty(store),
              "{\n"
              "  \"signers\": [\n"
              "    {\n"
              "      \"name\": \"release \\\"board\\\"\",\n"
              "      \"pubkey_hex\": \"" +
                  key_a +
                  "\",\n"
                  "      \"added_at\": \"2026-01-05T09:30:00Z\"\n"
                  "    },\n"
                  "    {\n"
                  "      \"name\": \"b\",\n"
                  "      \"pubkey_hex\": \"" +
                  key_b +
                  "\",\n"
                  "      \"added_at\": \"2026-01-06T10:00:00.5Z\"\n"
                  "    }\n"
                  "  ]\n"
                  "}");
    EXPECT_EQ(orrincore_json::parse<TrustStore>(orrincore_json::to_pretty(store)), store);
}

TEST(TrustStoreFile, CompactLayout) {
    EXPECT_EQ(orrincore_json::to_compact(TrustStore::empty()), R"({"signers":[]})");
    const TrustStore store{{{"a", key_a, first_added}}};
    EXPECT_EQ(orrincore_json::to_compact(store),
              R"({"signers":[{"name":"a","pubkey_hex":")" + key_a + R"(","added_at":"2026-01-05T09:30:00Z"}]})");
}

TEST(TrustStoreFile, ReaderAcceptsBothFormsAndSkipsUnknownMembers) {
    const std::string signer_object =
        R"({"extra":[1,{"a":null}],"added_at":"2026-01-05T09:30:00Z","pubkey_hex":"ABC","name":"a","more":true})";
    const std::string signer_array = R"(["b","not a key","2026-01-06T10:00:00.5Z"])";
    // Reading checks no invariant of the store: repeated names and keys that
    // do not parse are found out when the gate parses the keys.
    const TrustStore expected{{{"a", "ABC", first_added}, {"b", "not a key", second_added}, {"a", "ABC", first_added}}};
    const std::string signers = "[" + signer_object + "," + signer_array + "," + signer_object + "]";
    EXPECT_EQ(orrincore_json::parse<TrustStore>(R"({"other":{"signers":5},"signers":)" + signers + "}"), expected);
    EXPECT_EQ(orrincore_json::parse<TrustStore>("[" + signers + "]"), expected);
    EXPECT_EQ(orrincore_json::parse<TrustStore>(R"( [ [ ] ] )"), TrustStore::empty());
}

TEST(TrustStoreFile, ReaderRefusals) {
    struct Case {
        std::string input;
        std::string message;
    };
    const std::string time = R"("2026-01-05T09:30:00Z")";
    const std::vector<Case> cases = {
        {R"({})", "missing field `signers` at line 1 column 2"},
        {R"({"signer":[]})", "missing field `signers` at line 1 column 13"},
        {R"({"signers":[],"signers":[]})", "duplicate field `signers` at line 1 column 23"},
        {R"([])", "invalid length 0, expected struct TrustStore with 1 element at line 1 column 2"},
        {R"([[],[]])", "trailing characters at line 1 column 5"},
        {R"(null)", "invalid type: null, expected struct TrustStore at line 1 column 4"},
        {R"("signers")", "invalid type: string \"signers\", expected struct TrustStore at line 1 column 9"},
        {R"(7)", "invalid type: integer `7`, expected struct TrustStore at line 1 column 1"},
        {R"({"signers":null})", "invalid type: null, expected a sequence at line 1 column 15"},
        {R"({"signers":{}})", "invalid type: map, expected a sequence at line 1 column 11"},
        {R"({"signers":"a"})", "invalid type: string \"a\", expected a sequence at line 1 column 14"},
        {R"({"signers":[{}]})", "missing field `name` at line 1 column 14"},
        {R"({"signers":[{"added_at":)" + time + R"(}]})", "missing field `name` at line 1 column 47"},
        {R"({"signers":[{"name":"a","added_at":)" + time + R"(}]})", "missing field `pubkey_hex` at line 1 column 58"},
        {R"({"signers":[{"name":"a","pubkey_hex":"k"}]})", "missing field `added_at` at line 1 column 41"},
        {R"({"signers":[{"name":"a","name":"b"}]})", "duplicate field `name` at line 1 column 30"},
        {R"({"signers":[{"name":"a","pubkey_hex":"k","pubkey_hex":"k"}]})",
         "duplicate field `pubkey_hex` at line 1 column 53"},
        {R"({"signers":[["a","k"]]})",
         "invalid length 2, expected struct TrustedSigner with 3 elements at line 1 column 21"},
        {R"({"signers":[[]]})", "invalid length 0, expected struct TrustedSigner with 3 elements at line 1 column 14"},
        {R"({"signers":[["a","k",)" + time + R"(,null]]})", "trailing characters at line 1 column 45"},
        {R"({"signers":[5]})", "invalid type: integer `5`, expected struct TrustedSigner at line 1 column 13"},
        {R"({"signers":[null]})", "invalid type: null, expected struct TrustedSigner at line 1 column 16"},
        {R"({"signers":[{"name":1}]})", "invalid type: integer `1`, expected a string at line 1 column 21"},
        {R"({"signers":[["a",null,)" + time + R"(]]})", "invalid type: null, expected a string at line 1 column 21"},
        {R"({"signers":[{"name":"a","pubkey_hex":"k","added_at":5}]})",
         "invalid type: integer `5`, expected a string at line 1 column 53"},
        {R"({"signers":[{"name":"a","pubkey_hex":"k","added_at":"2026-01-05"}]})",
         "validation failed: invalid RFC 3339 timestamp \"2026-01-05\": the 'separator' component could not be "
         "parsed at line 1 column 64"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        auto store = orrincore_json::parse<TrustStore>(c.input);
        ASSERT_FALSE(store);
        EXPECT_EQ(store.error().message_with_position(), c.message);
    }
}

}  // namespace
}  // namespace vevizovuvazavad
