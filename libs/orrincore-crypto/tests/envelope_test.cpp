#include "orrincore_crypto/envelope.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <orrincore_json/document.hpp>
#include <orrincore_json/record.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A minimal payload record: a required text, an option and a list that the
// written forms leave out when absent or empty.
namespace envelope_test {

struct Note {
    std::string title;
    std::optional<std::string> author;
    std::vector<std::string> tags;

    bool operator==(const Note&) const = default;
};

}  // namespace envelope_test

template <>
struct orrincore_json::Json<envelope_test::Note> : orrincore_json::RecordJson<envelope_test::Note> {
    using R = envelope_test::Note;
    static constexpr std::string_view name = "Note";
    static constexpr auto fields = std::tuple{
        required("title", &R::title),
        omittable("author", &R::author),
        omittable_empty("tags", &R::tags),
    };
};

namespace orrincore_crypto {
namespace {

using envelope_test::Note;
using Envelope = SignedEnvelope<Note>;
using nlohmann::ordered_json;
using zedododor_avovodizi::ids::EnvelopeId;
using zedododor_avovodizi::ids::KeyId;
using zedododor_avovodizi::time::Timestamp;

// RFC 8032, section 7.1, test 1.
SigningKey test_key() {
    return SigningKey::from_bytes({0x9d, 0x61, 0xb1, 0x9d, 0xef, 0xfd, 0x5a, 0x60, 0xba, 0x84, 0x4a,
                                   0xf4, 0x92, 0xec, 0x2c, 0xc4, 0x44, 0x49, 0xc5, 0x69, 0x7b, 0x32,
                                   0x69, 0x19, 0x70, 0x3b, 0xac, 0x03, 0x1c, 0xae, 0x7f, 0x60});
}
SigningKey other_key() { return SigningKey::from_bytes({7}); }

const std::vector<std::string> context = {"product:vuvadededoru", "purpose:policy-ruleset"};
const Timestamp created = *Timestamp::from_str("2026-03-01T12:00:00Z");
const KeyId key_id = *KeyId::from_str("1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d");

// A fixed envelope, as a file would hold it, signed by `key`.
Envelope fixed_envelope(const SigningKey& key, std::optional<Timestamp> expires_at = std::nullopt,
                        std::optional<ContentHash> previous_hash = std::nullopt,
                        std::vector<std::string> associated_data = context) {
    Envelope envelope{1,
                      *EnvelopeId::from_str("0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b"),
                      key_id,
                      created,
                      expires_at,
                      std::move(associated_data),
                      Note{"quarterly hold review", std::nullopt, {}},
                      previous_hash,
                      Signature{}};
    envelope.signature = key.sign_bytes(*envelope.signing_bytes());
    return envelope;
}

std::string opened(const Envelope& envelope, const VerifyingKey& key, const Timestamp& now,
                   const std::vector<std::string>& expected = context) {
    auto payload = envelope.open(key, now, expected);
    return payload ? "ok" : payload.error().message();
}

TEST(SignedEnvelopeSigningInput, AlwaysEightKeysWithNullAndEmptyList) {
    const auto key = test_key();
    auto bytes = fixed_envelope(key).signing_bytes();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(
        *bytes,
        R"({"associated_data":["product:vuvadededoru","purpose:policy-ruleset"],"created_at":"2026-03-01T12:00:00Z",)"
        R"("envelope_id":"0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b","expires_at":null,"format_version":1,)"
        R"("key_id":"1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d","payload":{"title":"quarterly hold review"},)"
        R"("previous_hash":null})");

    const auto hash = hash::blake3_hash("");
    auto full = fixed_envelope(key, Timestamp::from_str("2026-04-01T00:00:00.5Z").value(), hash, {}).signing_bytes();
    ASSERT_TRUE(full);
    EXPECT_EQ(*full, R"({"associated_data":[],"created_at":"2026-03-01T12:00:00Z",)"
                     R"("envelope_id":"0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b","expires_at":"2026-04-01T00:00:00.5Z",)"
                     R"("format_version":1,"key_id":"1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d",)"
                     R"("payload":{"title":"quarterly hold review"},"previous_hash":")" +
                         hash.to_string() + R"("})");
}

TEST(SignedEnvelopeSigningInput, FixedSeedGivesFixedSignature) {
    // Any change to the signing input changes these bytes.
    EXPECT_EQ(fixed_envelope(test_key()).signature.to_hex(),
              "6c583cd9f361a5ad73d8cf06ef7d0141275855644a5f3d20702192f34a0bda6b"
              "77c49c164a83df58d16b57dcf17e300f7922c97554b7abba7eb800a31f5aaa05");
}

TEST(SignedEnvelopeSeal, VersionOneFreshIdNoExpiryAndOpens) {
    const auto key = test_key();
    const Note note{"n", "ann", {"a"}};
    auto first = Envelope::seal(note, key_id, key, created, context);
    auto second = Envelope::seal(note, key_id, key, created, context);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->format_version, 1);
    EXPECT_EQ(first->key_id, key_id);
    EXPECT_EQ(first->created_at, created);
    EXPECT_FALSE(first->expires_at);
    EXPECT_FALSE(first->previous_hash);
    EXPECT_EQ(first->associated_data, context);
    EXPECT_EQ(first->payload, note);
    EXPECT_NE(first->envelope_id, second->envelope_id);
    EXPECT_NE(first->signature, second->signature);

    auto payload = first->open(key.verifying_key(), created, context);
    ASSERT_TRUE(payload) << payload.error().message();
    EXPECT_EQ(*payload, note);
}

TEST(SignedEnvelopeOpen, RefusalsInOrder) {
    const auto key = test_key();
    const auto verifying = key.verifying_key();
    const auto expiry = *Timestamp::from_str("2026-06-01T00:00:00Z");
    const auto after_expiry = *Timestamp::from_unix(expiry.unix_seconds(), 1);
    const auto signature_invalid = std::string("signature verification failed");
    const auto context_mismatch =
        std::string("validation failed: envelope associated data does not match the expected context");

    auto changed = [&](std::function<void(Envelope&)> change, std::optional<Timestamp> expires = std::nullopt) {
        auto envelope = fixed_envelope(key, expires);
        change(envelope);
        return envelope;
    };
    struct Case {
        const char* what;
        Envelope envelope;
        std::string expected;
        Timestamp now = created;
        std::vector<std::string> context_expected = context;
        const VerifyingKey* key = nullptr;
    };
    const auto wrong = other_key().verifying_key();
    const Case cases[] = {
        {"intact", fixed_envelope(key), "ok"},
        {"version 2 before context and signature", changed([](Envelope& e) {
             e.format_version = 2;
             e.associated_data = {"x"};
             e.signature.bytes[0] ^= 1;
         }),
         "unsupported contract version: 2 (supported 1..=1)"},
        {"context in the other order", fixed_envelope(key), context_mismatch, created, {context[1], context[0]}},
        {"context with a third string",
         fixed_envelope(key),
         context_mismatch,
         created,
         {context[0], context[1], "extra"}},
        {"context with one string", fixed_envelope(key), context_mismatch, created, {context[0]}},
        {"context differing in case",
         fixed_envelope(key),
         context_mismatch,
         created,
         {"Product:vuvadededoru", context[1]}},
        {"context differing by a space",
         fixed_envelope(key),
         context_mismatch,
         created,
         {context[0] + " ", context[1]}},
        {"empty context expected", fixed_envelope(key), context_mismatch, created, {}},
        {"context checked before the signature",
         changed([](Envelope& e) { e.signature.bytes[0] ^= 1; }),
         context_mismatch,
         created,
         {}},
        {"tampered payload", changed([](Envelope& e) { e.payload.title += "!"; }), signature_invalid},
        {"payload option added", changed([](Envelope& e) { e.payload.author = "mallory"; }), signature_invalid},
        {"tampered envelope id", changed([](Envelope& e) { e.envelope_id = EnvelopeId::generate(); }),
         signature_invalid},
        {"tampered key id", changed([](Envelope& e) { e.key_id = KeyId::generate(); }), signature_invalid},
        {"tampered creation time", changed([](Envelope& e) { e.created_at = e.created_at.saturating_add_seconds(1); }),
         signature_invalid},
        {"expiry added", changed([&](Envelope& e) { e.expires_at = expiry; }), signature_invalid},
        {"previous hash added", changed([](Envelope& e) { e.previous_hash = hash::blake3_hash("x"); }),
         signature_invalid},
        {"tampered signature", changed([](Envelope& e) { e.signature.bytes[63] ^= 0x10; }), signature_invalid},
        {"wrong key", fixed_envelope(key), signature_invalid, created, context, &wrong},
        {"expiring exactly now", fixed_envelope(key, expiry), "ok", expiry},
        {"one nanosecond after expiry", fixed_envelope(key, expiry), "envelope expired at 2026-06-01T00:00:00Z",
         after_expiry},
        {"expired with a bad signature", changed([](Envelope& e) { e.signature.bytes[0] ^= 1; }, expiry),
         signature_invalid, after_expiry},
        {"created in the future", fixed_envelope(key), "ok", created.saturating_add_seconds(-86400)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(opened(c.envelope, c.key ? *c.key : verifying, c.now, c.context_expected), c.expected) << c.what;
}

TEST(SignedEnvelopeFile, LeavesOutWhatIsAbsentAndReadsBack) {
    const auto key = test_key();
    auto sealed = Envelope::seal(Note{"n", std::nullopt, {}}, key_id, key, created, {});
    ASSERT_TRUE(sealed);
    const std::string compact = orrincore_json::to_compact(*sealed);
    EXPECT_EQ(compact, R"({"format_version":1,"envelope_id":")" + sealed->envelope_id.to_string() +
                           R"(","key_id":"1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d","created_at":"2026-03-01T12:00:00Z",)"
                           R"("payload":{"title":"n"},"signature":")" +
                           sealed->signature.to_hex() + R"("})");
    for (const std::string& text : {compact, orrincore_json::to_pretty(*sealed)}) {
        auto read = orrincore_json::parse<Envelope>(text);
        ASSERT_TRUE(read) << read.error().message_with_position();
        EXPECT_EQ(*read, *sealed);
        EXPECT_EQ(opened(*read, key.verifying_key(), created, {}), "ok");
        EXPECT_EQ(opened(*read, key.verifying_key(), created, context),
                  "validation failed: envelope associated data does not match the expected context");
    }

    const auto full = fixed_envelope(key, created, hash::blake3_hash("x"));
    const std::string pretty = orrincore_json::to_pretty(full);
    EXPECT_EQ(pretty,
              "{\n"
              "  \"format_version\": 1,\n"
              "  \"envelope_id\": \"0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b\",\n"
              "  \"key_id\": \"1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d\",\n"
              "  \"created_at\": \"2026-03-01T12:00:00Z\",\n"
              "  \"expires_at\": \"2026-03-01T12:00:00Z\",\n"
              "  \"associated_data\": [\n"
              "    \"product:vuvadededoru\",\n"
              "    \"purpose:policy-ruleset\"\n"
              "  ],\n"
              "  \"payload\": {\n"
              "    \"title\": \"quarterly hold review\"\n"
              "  },\n"
              "  \"previous_hash\": \"" +
                  hash::blake3_hash("x").to_string() +
                  "\",\n"
                  "  \"signature\": \"" +
                  full.signature.to_hex() +
                  "\"\n"
                  "}");
    auto read = orrincore_json::parse<Envelope>(pretty);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, full);
}

TEST(SignedEnvelopeFile, ReformattedFileStillOpens) {
    // Key order, indentation, unknown keys, null for absent options and the
    // spelling of ids do not survive reading, so the signature still covers it.
    const auto key = test_key();
    const auto envelope = fixed_envelope(key);
    const auto original = ordered_json::parse(orrincore_json::to_compact(envelope));
    ordered_json reordered = ordered_json::object();
    reordered["comment"] = {{"any", {1, 2, nullptr}}};
    std::vector<std::string> keys;
    for (const auto& [k, v] : original.items()) keys.push_back(k);
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) reordered[*k] = original[*k];
    reordered["envelope_id"] = "{0F8E7D6C-5B4A-4938-8271-605F4E3D2C1B}";
    reordered["key_id"] = "urn:uuid:1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D";
    reordered["expires_at"] = nullptr;
    reordered["previous_hash"] = nullptr;
    reordered["payload"]["author"] = nullptr;
    reordered["payload"]["tags"] = ordered_json::array();
    reordered["payload"]["unknown"] = "ignored";
    reordered["created_at"] = "2026-03-01T13:00:00+01:00";

    auto read = orrincore_json::parse<Envelope>(reordered.dump(4));
    ASSERT_TRUE(read) << read.error().message_with_position();
    EXPECT_EQ(*read, envelope);
    EXPECT_EQ(opened(*read, key.verifying_key(), created), "ok");
    EXPECT_EQ(orrincore_json::to_compact(*read), orrincore_json::to_compact(envelope));
}

TEST(SignedEnvelopeOpen, HandsBackThePayloadAsSigned) {
    // Canonical JSON composes e + U+0301 into U+00E9, so both spellings of
    // the title verify under one signature; what `open` returns is the
    // composed text that the signature covers, whatever the file says.
    const auto key = test_key();
    auto sealed =
        Envelope::seal(Note{"caf\xc3\xa9", std::nullopt, {"r\xc3\xa9sum\xc3\xa9"}}, key_id, key, created, context);
    ASSERT_TRUE(sealed);
    std::string file = orrincore_json::to_pretty(*sealed);
    for (auto at = file.find("\xc3\xa9"); at != std::string::npos; at = file.find("\xc3\xa9", at))
        file.replace(at, 2, "e\xcc\x81");

    auto swapped = orrincore_json::parse<Envelope>(file);
    ASSERT_TRUE(swapped) << swapped.error().message_with_position();
    EXPECT_EQ(swapped->payload.title, "cafe\xcc\x81");
    auto payload = swapped->open(key.verifying_key(), created, context);
    ASSERT_TRUE(payload) << payload.error().message();
    EXPECT_EQ(*payload, sealed->payload);
}

// open reads the payload back from the bytes it verified: the `payload`
// member's own bytes, whatever other members or texts mention the word.
TEST(SignedEnvelopeOpen, PayloadBytesAreCutFromTheSignedBytes) {
    EXPECT_EQ(detail::signed_payload_bytes(*fixed_envelope(test_key()).signing_bytes()),
              R"({"title":"quarterly hold review"})");
    EXPECT_EQ(detail::signed_payload_bytes(
                  R"({"associated_data":["\"payload\":1","payload"],"payload":{"payload":[2]},"previous_hash":null})"),
              R"({"payload":[2]})");
    const auto missing = detail::signed_payload_bytes(R"({"associated_data":[]})");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message(),
              "canonical serialization failed: signed payload does not read back: missing field `payload`");
}

TEST(SignedEnvelopeRead, RefusalsOfTheFileForm) {
    const auto envelope = fixed_envelope(test_key());
    const auto object = ordered_json::parse(orrincore_json::to_compact(envelope));
    auto without = [&](const char* key) {
        auto copy = object;
        copy.erase(key);
        return copy.dump();
    };
    auto with = [&](const char* key, ordered_json value) {
        auto copy = object;
        copy[key] = std::move(value);
        return copy.dump();
    };
    const ordered_json as_array = {1,
                                   "0f8e7d6c-5b4a-4938-8271-605f4e3d2c1b",
                                   "1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d",
                                   "2026-03-01T12:00:00Z",
                                   nullptr,
                                   ordered_json::array(),
                                   {{"title", "t"}},
                                   nullptr,
                                   envelope.signature.to_hex()};
    auto first = [&](std::size_t n) {
        ordered_json cut = ordered_json::array();
        for (std::size_t i = 0; i < n; ++i) cut.push_back(as_array[i]);
        return cut.dump();
    };
    auto length = [](std::size_t index) {
        return "invalid length " + std::to_string(index) + ", expected struct SignedEnvelope with 9 elements";
    };
    const std::pair<std::string, std::string> cases[] = {
        {without("signature"), "missing field `signature`"},
        {without("format_version"), "missing field `format_version`"},
        {with("signature", envelope.signature.to_hex().substr(1)),
         "validation failed: ed25519 signature must be 128 hex characters, got 127"},
        {with("associated_data", nullptr), "invalid type: null, expected a sequence"},
        {with("format_version", 65536), "invalid value: integer `65536`, expected u16"},
        {with("envelope_id", "nope"), "UUID parsing failed: invalid character: found `n` at 0"},
        {R"("envelope")", "invalid type: string \"envelope\", expected struct SignedEnvelope"},
        {first(0), length(0)},
        {first(3), length(3)},
        {first(4), length(6)},
        {first(6), length(6)},
        {first(7), length(8)},
        {first(8), length(8)},
        {as_array.dump().substr(0, as_array.dump().size() - 1) + ",1]", "trailing characters"},
    };
    for (const auto& [text, expected] : cases) {
        auto read = orrincore_json::parse<Envelope>(text);
        ASSERT_FALSE(read) << text;
        EXPECT_EQ(read.error().message(), expected) << text;
    }

    // Reading performs none of open's checks; null options read as absent.
    auto read = orrincore_json::parse<Envelope>(as_array.dump());
    ASSERT_TRUE(read) << read.error().message_with_position();
    EXPECT_FALSE(read->previous_hash);
    EXPECT_EQ(orrincore_json::to_compact(*read).find("previous_hash"), std::string::npos);
    auto version_two = orrincore_json::parse<Envelope>(with("format_version", 2));
    ASSERT_TRUE(version_two);
    EXPECT_EQ(version_two->format_version, 2);
}

}  // namespace
}  // namespace orrincore_crypto
