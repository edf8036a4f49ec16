#include "orrincore_crypto/json.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <string>

namespace orrincore_crypto {
namespace {

using orrincore_json::parse;

TEST(CryptoJson, HashesAndSignaturesAreStringsOfTheirTextForms) {
    const std::string upper(128, 'A');
    auto signature = parse<Signature>("\"" + upper + "\"");
    ASSERT_TRUE(signature);
    EXPECT_EQ(orrincore_json::to_compact(*signature), "\"" + std::string(128, 'a') + "\"");

    auto hash = parse<ContentHash>("\"sha256:" + std::string(64, 'F') + "\"");
    ASSERT_TRUE(hash);
    EXPECT_EQ(orrincore_json::to_value(*hash).dump(), "\"sha256:" + std::string(64, 'f') + "\"");
}

TEST(CryptoJson, PlainTextIsTheWrittenString) {
    const Signature signature{{0x00, 0x9f, 0xff}};
    const ContentHash hashes[] = {hash::blake3_hash(""), hash::sha256("abc")};
    orrincore_json::PlainBuffer buffer;
    EXPECT_EQ(orrincore_json::Json<Signature>::plain_text(signature, buffer), signature.to_hex());
    for (const auto& hash : hashes)
        EXPECT_EQ(orrincore_json::Json<ContentHash>::plain_text(hash, buffer), hash.to_string());
}

TEST(CryptoJson, RefusalsCarryTheTypeMessageAfterTheString) {
    EXPECT_EQ(parse<Signature>(R"("abc")").error().message_with_position(),
              "validation failed: ed25519 signature must be 128 hex characters, got 3 at line 1 column 5");
    EXPECT_EQ(parse<Signature>("null").error().message_with_position(),
              "invalid type: null, expected a string at line 1 column 4");
    EXPECT_EQ(parse<ContentHash>(R"("nohash")").error().message_with_position(),
              "validation failed: content hash must be 'algorithm:hex', got \"nohash\" at line 1 column 8");
    EXPECT_EQ(parse<ContentHash>("{}").error().message_with_position(),
              "invalid type: map, expected a string at line 1 column 0");
}

}  // namespace
}  // namespace orrincore_crypto
