#include "orrincore_object/object_reference.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <string>
#include <vector>

namespace orrincore_object {
namespace {

using orrincore_json::parse;
namespace hash = orrincore_crypto::hash;

const std::string kChunk = "chunk bytes";
const std::string kHash = hash::blake3_hash(kChunk).to_string();

// The first ten array elements: everything up to created_at.
std::string first_ten(const std::string& hint, const std::string& manifest_hash) {
    return R"(["11111111-1111-4111-8111-111111111111","22222222-2222-4222-8222-222222222222",)"
           R"("33333333-3333-4333-8333-333333333333","vuvadededoru","archive_object",")" +
           kHash + R"(",11,)" + hint + "," + manifest_hash + R"(,"2026-03-01T12:00:00Z")";
}

ObjectReference reference() {
    auto read = parse<ObjectReference>(first_ten("null", "null") + "]");
    EXPECT_TRUE(read) << read.error().message_with_position();
    return *read;
}

TEST(ObjectReference, WritesEightKeysWhenNoOptionIsSet) {
    const auto ref = reference();
    const std::string eight =
        R"({"object_id":"11111111-1111-4111-8111-111111111111","tenant_id":"22222222-2222-4222-8222-222222222222",)"
        R"("workspace_id":"33333333-3333-4333-8333-333333333333","product_id":"vuvadededoru",)"
        R"("object_kind":"archive_object","content_hash":")" +
        kHash +
        R"(","ciphertext_size":11,)"
        R"("created_at":"2026-03-01T12:00:00Z"})";
    EXPECT_EQ(orrincore_json::to_compact(ref), eight);
    EXPECT_EQ(orrincore_json::to_value(ref).size(), 8u);

    auto with_hash = ref;
    with_hash.storage_backend_hint = "";
    with_hash.manifest_hash = ref.content_hash;
    const auto written = orrincore_json::to_compact(with_hash);
    EXPECT_NE(written.find(R"("ciphertext_size":11,"storage_backend_hint":"","manifest_hash":")"), std::string::npos);
    EXPECT_EQ(orrincore_json::to_value(with_hash).size(), 10u);
}

TEST(ObjectReference, ReadsBothFormsAndRoundTrips) {
    auto with_null_expiry = parse<ObjectReference>(first_ten("null", "null") + ",null]");
    ASSERT_TRUE(with_null_expiry);
    EXPECT_EQ(*with_null_expiry, reference());
    EXPECT_EQ(orrincore_json::to_compact(*with_null_expiry).find("expires_at"), std::string::npos);

    auto full = parse<ObjectReference>(first_ten("\"s3\"", "\"" + kHash + "\"") + R"(,"2027-01-01T00:00:00Z"])");
    ASSERT_TRUE(full) << full.error().message_with_position();
    auto again = parse<ObjectReference>(orrincore_json::to_pretty(*full));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *full);

    auto max_size = parse<ObjectReference>(
        orrincore_json::to_compact(reference())
            .replace(orrincore_json::to_compact(reference()).find(":11,") + 1, 2, "18446744073709551615"));
    ASSERT_TRUE(max_size);
    EXPECT_EQ(max_size->ciphertext_size, 18446744073709551615u);
}

TEST(ObjectReference, RefusesShortArraysAndBadFields) {
    const std::string expected = ", expected struct ObjectReference with 11 elements";
    const std::string six = R"(["11111111-1111-4111-8111-111111111111","22222222-2222-4222-8222-222222222222",)"
                            R"("33333333-3333-4333-8333-333333333333","vuvadededoru","archive_object",")" +
                            kHash + "\"";
    auto cut = [](const std::string& text) { return parse<ObjectReference>(text + "]").error().message(); };
    EXPECT_EQ(cut(six), "invalid length 6" + expected);
    EXPECT_EQ(cut(six + ",11"), "invalid length 9" + expected);
    EXPECT_EQ(cut(six + ",11,null,null"), "invalid length 9" + expected);

    const std::string base = orrincore_json::to_compact(reference());
    auto with = [&](const std::string& from, const std::string& to) {
        std::string text = base;
        text.replace(text.find(from), from.size(), to);
        return parse<ObjectReference>(text).error().message();
    };
    EXPECT_EQ(with("\"archive_object\"", "\"Archive_object\""),
              "unknown variant `Archive_object`, expected one of `encrypted_file`, "
              "`encrypted_message_attachment`, `backup_object`, `archive_object`, `policy_bundle`, "
              "`audit_export`, `map_tile_bundle`, `trust_proof`, `report_artifact`");
    EXPECT_EQ(with("\"archive_object\"", "\"archive-object\"").substr(0, 33), "unknown variant `archive-object`,");
    EXPECT_EQ(with(":11,", ":-1,"), "invalid value: integer `-1`, expected u64");
    EXPECT_EQ(with(":11,", ":1.5,"), "invalid type: floating point `1.5`, expected u64");
    EXPECT_EQ(with("\"vuvadededoru\"", "\"Vuva\""),
              "invalid Slug identifier: may contain only lowercase ASCII letters, digits and hyphens");
    EXPECT_EQ(with(kHash, "blake3:abc"), "validation failed: content hash digest must be 64 hex characters, got 3");
    EXPECT_EQ(with(kHash, "md5:abc"), "unknown or rejected algorithm: md5");
    EXPECT_EQ(with("\"" + kHash + "\"", "7"), "invalid type: integer `7`, expected a string");
    EXPECT_EQ(parse<ObjectReference>("true").error().message(),
              "invalid type: boolean `true`, expected struct ObjectReference");
}

TEST(ObjectReference, VerifiesContentByItsRecordedAlgorithm) {
    const auto ref = reference();
    auto bytes = [](std::string text) { return std::vector<std::uint8_t>(text.begin(), text.end()); };
    EXPECT_TRUE(ref.verify_content(bytes(kChunk)));
    EXPECT_FALSE(ref.verify_content(bytes("chunk bytez")));  // same length, other bytes
    EXPECT_FALSE(ref.verify_content(bytes(kChunk + "!")));   // one trailing byte
    auto wrong_size = ref;
    wrong_size.ciphertext_size = 12;
    EXPECT_FALSE(wrong_size.verify_content(bytes(kChunk)));  // hash matches, size does not

    auto sha = ref;
    sha.content_hash = hash::sha256(kChunk);
    EXPECT_TRUE(sha.verify_content(bytes(kChunk)));
    sha.content_hash.algorithm = orrincore_crypto::HashAlgorithm::blake3;  // same digest, other algorithm
    EXPECT_FALSE(sha.verify_content(bytes(kChunk)));
}

}  // namespace
}  // namespace orrincore_object
