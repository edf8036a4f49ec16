#include "orrincore_crypto/hash.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orrincore_crypto {
namespace {

const std::string lower_hex = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string upper_hex = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
const std::string e_acute = "\xc3\xa9";  // é, one two-byte character

// 64 digest bytes: `pair` at pair index `index`, hex digits elsewhere.
std::string digest_with_pair(std::size_t index, const std::string& pair) {
    std::string digest = lower_hex;
    digest.replace(2 * index, 2, pair);
    return digest;
}

TEST(HashVectors, MatchPublishedDigests) {
    EXPECT_EQ(hash::blake3_hash(std::string_view("")).to_string(),
              "blake3:af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262");
    EXPECT_EQ(hash::blake3_hash(std::string_view("abc")).to_string(),
              "blake3:6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85");
    EXPECT_EQ(hash::sha256(std::string_view("abc")).to_string(),
              "sha256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // A byte span hashes like the same bytes given as text.
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(hash::blake3_hash(abc), hash::blake3_hash(std::string_view("abc")));
    EXPECT_EQ(hash::sha256(abc), hash::sha256(std::string_view("abc")));
}

TEST(ContentHashText, WritesLowerCaseAndReadsEitherCase) {
    for (const std::string algorithm : {"blake3", "sha256"}) {
        const auto lower = ContentHash::from_str(algorithm + ":" + lower_hex);
        const auto upper = ContentHash::from_str(algorithm + ":" + upper_hex);
        ASSERT_TRUE(lower.has_value()) << lower.error().message();
        ASSERT_TRUE(upper.has_value()) << upper.error().message();
        EXPECT_EQ(*lower, *upper);
        EXPECT_EQ(upper->to_string(), algorithm + ":" + lower_hex);
        EXPECT_EQ(upper->to_hex(), lower_hex);
        EXPECT_EQ(to_string(upper->algorithm), algorithm);
        EXPECT_EQ(upper->digest[0], 0x01);
        EXPECT_EQ(upper->digest[31], 0xef);
    }
    for (const auto& hash : {hash::blake3_hash(std::string_view("x")), hash::sha256(std::string_view("x"))})
        EXPECT_EQ(ContentHash::from_str(hash.to_string()), hash);
    // Same digest bytes under the two algorithms are different hashes.
    EXPECT_NE(*ContentHash::from_str("blake3:" + lower_hex), *ContentHash::from_str("sha256:" + lower_hex));
}

TEST(ContentHashText, RefusesInCheckOrderWithExactMessages) {
    const std::pair<std::string, std::string> cases[] = {
        // no ':' at all: the whole text, quoted
        {"blake3", R"(validation failed: content hash must be 'algorithm:hex', got "blake3")"},
        {"", R"(validation failed: content hash must be 'algorithm:hex', got "")"},
        {"a\"b\n", R"(validation failed: content hash must be 'algorithm:hex', got "a\"b\n")"},
        // the algorithm part byte for byte, unchanged, before any digest check
        {"BLAKE3:" + lower_hex, "unknown or rejected algorithm: BLAKE3"},
        {" blake3:" + lower_hex, "unknown or rejected algorithm:  blake3"},
        {":" + lower_hex, "unknown or rejected algorithm: "},
        {"md5:abc", "unknown or rejected algorithm: md5"},
        {"blake3 :", "unknown or rejected algorithm: blake3 "},
        // length in bytes before any character
        {"sha256:" + lower_hex.substr(1), "validation failed: content hash digest must be 64 hex characters, got 63"},
        {"sha256:" + lower_hex + "0", "validation failed: content hash digest must be 64 hex characters, got 65"},
        {"blake3:", "validation failed: content hash digest must be 64 hex characters, got 0"},
        {"blake3:" + e_acute + e_acute + e_acute,
         "validation failed: content hash digest must be 64 hex characters, got 6"},
        // pairs left to right: a pair that cuts a character is "not ASCII"
        {"blake3:a" + e_acute + lower_hex.substr(3), "validation failed: content hash digest is not ASCII"},
        {"blake3:" + digest_with_pair(31, "a\xc3"), "validation failed: content hash digest is not ASCII"},
        {"blake3:" + digest_with_pair(4, "\xc0\xaf"), "validation failed: content hash digest is not ASCII"},
        {"blake3:" + digest_with_pair(4, "a\x80"), "validation failed: content hash digest is not ASCII"},
        {"blake3:ab\xe2\x82\xac" + lower_hex.substr(5), "validation failed: content hash digest is not ASCII"},
        // a whole pair that is not two hex digits, quoted
        {"blake3:" + e_acute + lower_hex.substr(2), "validation failed: invalid hex in content hash: \"\xc3\xa9\""},
        {"blake3:" + digest_with_pair(0, "+a"), R"(validation failed: invalid hex in content hash: "+a")"},
        {"blake3:" + digest_with_pair(7, "-a"), R"(validation failed: invalid hex in content hash: "-a")"},
        {"blake3:" + digest_with_pair(7, "++"), R"(validation failed: invalid hex in content hash: "++")"},
        {"blake3:" + digest_with_pair(31, "a+"), R"(validation failed: invalid hex in content hash: "a+")"},
        {"blake3:" + digest_with_pair(0, "0x"), R"(validation failed: invalid hex in content hash: "0x")"},
        {"blake3:" + digest_with_pair(3, " a"), R"(validation failed: invalid hex in content hash: " a")"},
        {"blake3:" + digest_with_pair(3, "g0"), R"(validation failed: invalid hex in content hash: "g0")"},
        {"blake3:" + digest_with_pair(3, std::string("\0a", 2)),
         R"(validation failed: invalid hex in content hash: "\0a")"},
        // only the first ':' splits; a later one is a digest character
        {"blake3:" + digest_with_pair(5, "a:"), R"(validation failed: invalid hex in content hash: "a:")"},
        // the first failing pair wins
        {"blake3:" + digest_with_pair(1, "+a").replace(20, 2, "a" + e_acute.substr(0, 1)),
         R"(validation failed: invalid hex in content hash: "+a")"},
        {"blake3:" + digest_with_pair(0, "a\xc3").replace(10, 2, "++"),
         "validation failed: content hash digest is not ASCII"},
    };
    for (const auto& [text, expected] : cases) {
        const auto hash = ContentHash::from_str(text);
        ASSERT_FALSE(hash.has_value()) << text;
        EXPECT_EQ(hash.error().message(), expected) << text;
    }
}

TEST(ContentHashText, ReportsTheRightErrorKind) {
    EXPECT_EQ(ContentHash::from_str(":x").error(), orrincore_error::CoreError(orrincore_error::UnknownAlgorithm{""}));
    EXPECT_TRUE(ContentHash::from_str("blake3:x").error().is<orrincore_error::Validation>());
    EXPECT_TRUE(ContentHash::from_str("x").error().is<orrincore_error::Validation>());
}

TEST(ContentHashCompare, ConstantTimeEqualityAgreesWithValueEquality) {
    const auto base = hash::blake3_hash(std::string_view("chunk"));
    ContentHash last_byte = base;
    last_byte.digest[31] ^= 0x01;
    ContentHash first_byte = base;
    first_byte.digest[0] ^= 0x80;
    const ContentHash other_algorithm{HashAlgorithm::sha256, base.digest};

    const std::pair<ContentHash, bool> cases[] = {
        {base, true}, {last_byte, false}, {first_byte, false}, {other_algorithm, false}};
    for (const auto& [other, equal] : cases) {
        EXPECT_EQ(base.ct_eq(other), equal) << other.to_string();
        EXPECT_EQ(other.ct_eq(base), equal) << other.to_string();
        EXPECT_EQ(base == other, equal) << other.to_string();
    }
}

}  // namespace
}  // namespace orrincore_crypto
