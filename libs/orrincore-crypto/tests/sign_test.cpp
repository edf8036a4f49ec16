#include "orrincore_crypto/sign.hpp"

#include <gtest/gtest.h>
#include <sodium.h>
#include <nlohmann/json.hpp>
#include <orrincore_crypto/canonical.hpp>
#include <orrincore_error/hex.hpp>

#include <algorithm>
#include <initializer_list>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace orrincore_crypto {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> bytes_from_hex(std::string_view hex) {
    std::array<std::uint8_t, N> bytes{};
    std::size_t length = 0;
    if (sodium_hex2bin(bytes.data(), N, hex.data(), hex.size(), nullptr, &length, nullptr) != 0 || length != N)
        throw std::invalid_argument("bad test constant: " + std::string(hex));
    return bytes;
}

// RFC 8032, section 7.1, test 1.
const auto rfc_seed = bytes_from_hex<32>("9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60");
constexpr std::string_view rfc_public_key = "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a";
constexpr std::string_view rfc_signature_of_empty =
    "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b";

std::string hex_of(std::span<const std::uint8_t> bytes) { return orrincore_error::hex::to_lower(bytes); }

// The 32-byte little-endian sum a + b (no overflow for the values used here).
std::array<std::uint8_t, 32> add_le(std::span<const std::uint8_t, 32> a, std::span<const std::uint8_t, 32> b) {
    std::array<std::uint8_t, 32> sum{};
    unsigned carry = 0;
    for (std::size_t i = 0; i < 32; ++i) {
        carry += unsigned{a[i]} + b[i];
        sum[i] = static_cast<std::uint8_t>(carry);
        carry >>= 8;
    }
    return sum;
}

std::string message_of(const orrincore_error::Result<void>& result) { return result ? "ok" : result.error().message(); }

TEST(SignRfc8032, Test1SeedKeyAndSignature) {
    const auto key = SigningKey::from_bytes(rfc_seed);
    EXPECT_EQ(key.seed(), rfc_seed);
    EXPECT_EQ(hex_of(key.verifying_key().bytes()), rfc_public_key);
    const auto signature = key.sign_bytes("");
    EXPECT_EQ(signature.to_hex(), rfc_signature_of_empty);
    EXPECT_EQ(message_of(key.verifying_key().verify_bytes("", signature)), "ok");
}

TEST(SignDeterminism, SameSeedSameKeyAndSignatures) {
    const auto first = SigningKey::from_bytes(rfc_seed);
    const auto second = SigningKey::from_bytes(rfc_seed);
    EXPECT_EQ(first.verifying_key(), second.verifying_key());
    EXPECT_EQ(first.sign_bytes(R"({"a":1})"), second.sign_bytes(R"({"a":1})"));
    EXPECT_EQ(first.sign_bytes("x"), first.sign_bytes("x"));
    EXPECT_NE(first.sign_bytes("x"), first.sign_bytes("y"));
}

TEST(SignatureText, WritesLowerCaseAndReadsEitherCase) {
    std::string upper(rfc_signature_of_empty);
    std::ranges::transform(upper, upper.begin(), [](char c) { return c >= 'a' && c <= 'f' ? char(c - 32) : c; });
    const auto signature = Signature::from_hex(upper);
    ASSERT_TRUE(signature.has_value()) << signature.error().message();
    EXPECT_EQ(signature->to_hex(), rfc_signature_of_empty);
    EXPECT_EQ(*signature, *Signature::from_hex(rfc_signature_of_empty));
    EXPECT_EQ(signature->bytes[0], 0xe5);
    EXPECT_EQ(signature->bytes[63], 0x0b);
}

TEST(SignatureText, RefusesInCheckOrderWithExactMessages) {
    const std::string valid(rfc_signature_of_empty);
    const std::string e_acute = "\xc3\xa9";
    std::string all_e_acute;
    for (int i = 0; i < 64; ++i) all_e_acute += e_acute;
    const auto with_pair = [&](std::size_t index, const std::string& pair) {
        return std::string(valid).replace(2 * index, 2, pair);
    };
    const std::pair<std::string, std::string> cases[] = {
        {valid.substr(1), "validation failed: ed25519 signature must be 128 hex characters, got 127"},
        {valid + "0", "validation failed: ed25519 signature must be 128 hex characters, got 129"},
        {"", "validation failed: ed25519 signature must be 128 hex characters, got 0"},
        {valid.substr(2) + e_acute + e_acute,
         "validation failed: ed25519 signature must be 128 hex characters, got 130"},
        {all_e_acute, "validation failed: invalid hex in signature: \"\xc3\xa9\""},
        {"a" + e_acute + valid.substr(3), "validation failed: signature is not ASCII"},
        {with_pair(63, "0\xc3"), "validation failed: signature is not ASCII"},
        {with_pair(0, "+a"), R"(validation failed: invalid hex in signature: "+a")"},
        {with_pair(40, "-a"), R"(validation failed: invalid hex in signature: "-a")"},
        {with_pair(63, "++"), R"(validation failed: invalid hex in signature: "++")"},
        {with_pair(10, "\t0"), R"(validation failed: invalid hex in signature: "\t0")"},
    };
    for (const auto& [text, expected] : cases) {
        const auto signature = Signature::from_hex(text);
        ASSERT_FALSE(signature.has_value()) << text;
        EXPECT_EQ(signature.error().message(), expected) << text;
    }
}

TEST(SignVerify, RefusesEveryTamperingAlike) {
    const auto key = SigningKey::from_bytes(rfc_seed);
    const auto other =
        SigningKey::from_bytes(bytes_from_hex<32>("4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb"));
    const std::string message = R"({"chunk":"blake3:00"})";
    const auto good = key.sign_bytes(message);
    ASSERT_EQ(message_of(key.verifying_key().verify_bytes(message, good)), "ok");

    auto altered_r = good;
    altered_r.bytes[5] ^= 0x01;
    auto altered_s = good;
    altered_s.bytes[40] ^= 0x01;
    // S + L: the same scalar modulo the group order, but not canonical.
    const auto group_order = bytes_from_hex<32>("edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010");
    auto s_plus_order = good;
    const auto sum = add_le(std::span<const std::uint8_t, 32>(good.bytes.data() + 32, 32), group_order);
    std::ranges::copy(sum, s_plus_order.bytes.begin() + 32);
    std::string altered_message = message;
    altered_message[3] ^= 0x01;

    const struct {
        const char* what;
        const VerifyingKey& key;
        std::string message;
        Signature signature;
    } cases[] = {
        {"message", key.verifying_key(), altered_message, good},
        {"R", key.verifying_key(), message, altered_r},
        {"S", key.verifying_key(), message, altered_s},
        {"S plus L", key.verifying_key(), message, s_plus_order},
        {"other key", other.verifying_key(), message, good},
        {"zero signature", key.verifying_key(), message, Signature{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(message_of(c.key.verify_bytes(c.message, c.signature)), "signature verification failed") << c.what;
    }
}

TEST(SignVerify, SmallOrderKeyForgesNothing) {
    // Under the ordinary check the identity key accepts this one signature for
    // every message. The key itself decodes; verification refuses.
    VerifyingKey::Bytes identity{};
    identity[0] = 0x01;
    const auto key = VerifyingKey::from_bytes(identity);
    ASSERT_TRUE(key.has_value());
    Signature forged{};
    forged.bytes[0] = 0x01;
    for (const std::string message : {"", "release hold", R"({"effect":"allow"})"}) {
        const auto result = key->verify_bytes(message, forged);
        ASSERT_FALSE(result.has_value()) << message;
        EXPECT_EQ(result.error(), orrincore_error::CoreError(orrincore_error::SignatureInvalid{}));
    }
}

TEST(VerifyingKeyBytes, DecodesCurvePointsOnly) {
    const std::pair<std::string_view, bool> cases[] = {
        {rfc_public_key, true},
        {"0100000000000000000000000000000000000000000000000000000000000000", true},   // identity
        {"0100000000000000000000000000000000000000000000000000000000000080", true},   // identity, sign bit set
        {"ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", true},   // order 2
        {"0000000000000000000000000000000000000000000000000000000000000000", true},   // order 4
        {"c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a", true},   // order 8
        {"edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", true},   // y = p, read as 0
        {"eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff", true},   // y = p + 1, read as 1
        {"0200000000000000000000000000000000000000000000000000000000000000", false},  // y = 2
        {"efffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", false},  // y = p + 2
        {"0700000000000000000000000000000000000000000000000000000000000080", false},  // y = 7
    };
    for (const auto& [hex, decodes] : cases) {
        const auto bytes = bytes_from_hex<32>(hex);
        const auto key = VerifyingKey::from_bytes(bytes);
        ASSERT_EQ(key.has_value(), decodes) << hex;
        if (decodes) {
            EXPECT_EQ(key->bytes(), bytes);
        } else {
            EXPECT_EQ(
                key.error().message(),
                "validation failed: invalid ed25519 public key: signature error: Cannot decompress Edwards point");
        }
    }
}

// The digest's reading rule with the key's messages, then the point decoding.
TEST(VerifyingKeyText, ReadsEitherCaseAndRefusesInCheckOrder) {
    const std::string valid(rfc_public_key);
    std::string upper = valid;
    std::ranges::transform(upper, upper.begin(), [](char c) { return c >= 'a' && c <= 'f' ? char(c - 32) : c; });
    const auto key = VerifyingKey::from_hex(upper);
    ASSERT_TRUE(key.has_value()) << key.error().message();
    EXPECT_EQ(hex_of(key->bytes()), rfc_public_key);

    const auto with_pair = [&](std::size_t index, const std::string& pair) {
        return std::string(valid).replace(2 * index, 2, pair);
    };
    const std::pair<std::string, std::string> cases[] = {
        {valid.substr(1), "validation failed: ed25519 public key must be 64 hex characters, got 63"},
        {"", "validation failed: ed25519 public key must be 64 hex characters, got 0"},
        {"a\xc3\xa9" + valid.substr(3), "validation failed: public key is not ASCII"},
        {with_pair(31, "g0"), R"(validation failed: invalid hex in public key: "g0")"},
        {"02" + std::string(62, '0'),
         "validation failed: invalid ed25519 public key: signature error: Cannot decompress Edwards point"},
    };
    for (const auto& [text, expected] : cases) {
        const auto refused = VerifyingKey::from_hex(text);
        ASSERT_FALSE(refused.has_value()) << text;
        EXPECT_EQ(refused.error().message(), expected) << text;
    }
}

TEST(VerifyingKeyBytes, AgreesWithLibsodiumPointDecoding) {
    // crypto_core_ed25519_add decodes its operands by the same rule (any y
    // below 2^255, any subgroup) and fails when one of them does not decode.
    ASSERT_GE(sodium_init(), 0);
    using Encoding = std::array<std::uint8_t, 32>;
    std::vector<Encoding> candidates;
    for (const std::uint8_t sign_bit : std::initializer_list<std::uint8_t>{0x00, 0x80}) {
        for (std::uint8_t low = 0; low < 16; ++low) {  // y = 0 .. 15
            Encoding small{low};
            small[31] = sign_bit;
            candidates.push_back(small);
        }
        for (int excess = 0; excess < 19; ++excess) {  // y = p .. 2^255 - 1
            Encoding large;
            large.fill(0xff);
            large[0] = static_cast<std::uint8_t>(0xed + excess);
            large[31] = static_cast<std::uint8_t>(0x7f | sign_bit);
            candidates.push_back(large);
        }
    }
    for (int i = 0; i < 4000; ++i) {
        Encoding random;
        randombytes_buf(random.data(), random.size());
        candidates.push_back(random);
    }

    const Encoding identity{1};
    Encoding sum;
    int decoded = 0;
    for (const auto& candidate : candidates) {
        const bool ours = VerifyingKey::from_bytes(candidate).has_value();
        const bool libsodium = crypto_core_ed25519_add(sum.data(), candidate.data(), identity.data()) == 0;
        ASSERT_EQ(ours, libsodium) << hex_of(candidate);
        decoded += ours;
    }
    EXPECT_GT(decoded, 1500);  // about half of all encodings are points
    EXPECT_LT(decoded, 2600);

    // A list is read as its keys one by one: whole when every key is a point,
    // else refused at its first key that is not, wherever that falls.
    std::vector<Encoding> points, others;
    for (const auto& candidate : candidates)
        (VerifyingKey::from_bytes(candidate).has_value() ? points : others).push_back(candidate);
    for (std::size_t length = 0; length <= 9; ++length) {
        const std::span<const Encoding> list(points.data(), length);
        const auto all = VerifyingKey::from_bytes_all(list);
        ASSERT_TRUE(all.has_value()) << length;
        ASSERT_EQ(all->size(), length);
        for (std::size_t i = 0; i < length; ++i) EXPECT_EQ((*all)[i].bytes(), list[i]);
        for (std::size_t at = 0; at < length; ++at) {
            for (const std::size_t refused : {std::size_t{1}, std::size_t{2}}) {
                auto spoilt = std::vector<Encoding>(list.begin(), list.end());
                for (std::size_t i = at; i < std::min(at + refused, length); ++i) spoilt[i] = others[i % others.size()];
                EXPECT_EQ(VerifyingKey::from_bytes_all(spoilt).error(), at) << length << " " << at << " " << refused;
            }
        }
    }
}

TEST(VerifyingKeyFingerprint, IsTheBlakeHashOfTheKeyBytes) {
    const auto key = SigningKey::from_bytes(rfc_seed).verifying_key();
    const auto fingerprint = key.fingerprint();
    EXPECT_EQ(fingerprint, hash::blake3_hash(key.bytes()));
    EXPECT_EQ(fingerprint.to_string().substr(0, 7), "blake3:");
    EXPECT_EQ(VerifyingKey::from_bytes(key.bytes())->fingerprint(), fingerprint);
    // y = 1 and y = 3 are both points; one byte apart, different fingerprints.
    EXPECT_NE(VerifyingKey::from_bytes({1})->fingerprint(), VerifyingKey::from_bytes({3})->fingerprint());
}

TEST(SigningKeyLifetime, GeneratedKeysAreFreshAndUsable) {
    const auto first = SigningKey::generate();
    const auto second = SigningKey::generate();
    EXPECT_NE(first.seed(), second.seed());
    EXPECT_NE(first.verifying_key(), second.verifying_key());
    const auto decoded = VerifyingKey::from_bytes(first.verifying_key().bytes());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, first.verifying_key());
    EXPECT_EQ(message_of(decoded->verify_bytes("m", first.sign_bytes("m"))), "ok");
    EXPECT_EQ(SigningKey::from_bytes(first.seed()).verifying_key(), first.verifying_key());
}

TEST(SigningKeyLifetime, MoveOnlyAndSecretsWiped) {
    static_assert(!std::is_copy_constructible_v<SigningKey>);
    static_assert(!std::is_copy_assignable_v<SigningKey>);
    static_assert(std::is_nothrow_move_constructible_v<SigningKey>);

    auto source = SigningKey::from_bytes(rfc_seed);
    const SigningKey moved(std::move(source));
    EXPECT_EQ(moved.sign_bytes("").to_hex(), rfc_signature_of_empty);
    EXPECT_EQ(source.seed(), SigningKey::Seed{});  // NOLINT: the moved-from key is wiped

    auto assigned = SigningKey::generate();
    auto donor = SigningKey::from_bytes(rfc_seed);
    assigned = std::move(donor);
    EXPECT_EQ(hex_of(assigned.verifying_key().bytes()), rfc_public_key);
    EXPECT_EQ(donor.seed(), SigningKey::Seed{});  // NOLINT

    // After destruction no trace of the seed is left in the key's storage.
    alignas(SigningKey) unsigned char storage[sizeof(SigningKey)];
    auto* key = new (storage) SigningKey(SigningKey::from_bytes(rfc_seed));
    ASSERT_NE(std::search(storage, storage + sizeof storage, rfc_seed.begin(), rfc_seed.end()),
              storage + sizeof storage);
    key->~SigningKey();
    EXPECT_EQ(std::search(storage, storage + sizeof storage, rfc_seed.begin(), rfc_seed.end()),
              storage + sizeof storage);
}

TEST(SignCanonical, SignsTheCanonicalBytes) {
    const auto key = SigningKey::from_bytes(rfc_seed);
    const auto record = nlohmann::json::parse(R"({"b":[1,2],"a":"x"})");
    const auto signature = sign::sign_canonical(key, record);
    ASSERT_TRUE(signature.has_value()) << signature.error().message();
    EXPECT_EQ(*signature, key.sign_bytes(R"({"a":"x","b":[1,2]})"));
    EXPECT_EQ(message_of(key.verifying_key().verify_bytes(R"({"a":"x","b":[1,2]})", *signature)), "ok");
}

TEST(SignCanonical, PassesTheCanonicalFailureOnUnchanged) {
    const auto key = SigningKey::from_bytes(rfc_seed);
    const auto record = nlohmann::json::parse(R"({"a":{"b":1.5}})");
    const auto signature = sign::sign_canonical(key, record);
    ASSERT_FALSE(signature.has_value());
    EXPECT_TRUE(signature.error().is<orrincore_error::CanonicalSerialization>());
    EXPECT_EQ(signature.error(), canonical::to_canonical_json(record).error());
}

}  // namespace
}  // namespace orrincore_crypto
