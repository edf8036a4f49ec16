#pragma once
// Ed25519 (RFC 8032, no context, no prehash) keys and signatures over the
// canonical JSON bytes of records.

#include <orrincore_crypto/hash.hpp>
#include <orrincore_error/error.hpp>

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrincore_crypto {

// Any 64 bytes: the encoded point R, then the scalar S. Nothing is checked
// until verification.
struct Signature {
    using Bytes = std::array<std::uint8_t, 64>;

    Bytes bytes;

    // The 128 lower-case hex digits.
    std::string to_hex() const;

    // Reads 128 hex digits of either case.
    static orrincore_error::Result<Signature> from_hex(std::string_view text);

    bool operator==(const Signature&) const = default;
};

class VerifyingKey {
public:
    using Bytes = std::array<std::uint8_t, 32>;

    // Any 32 bytes that decode as a compressed Edwards point, small-order
    // points included.
    static orrincore_error::Result<VerifyingKey> from_bytes(const Bytes& bytes);

    // Reads 64 hex digits of either case, then the bytes as from_bytes does.
    static orrincore_error::Result<VerifyingKey> from_hex(std::string_view text);
    // The hex reading of from_hex alone: the bytes, not yet decoded.
    static orrincore_error::Result<Bytes> bytes_from_hex(std::string_view text);

    // Each of `keys` as from_bytes reads it, or the index of the first that
    // it refuses. A long list costs half the decodings of reading its keys
    // one by one.
    static std::expected<std::vector<VerifyingKey>, std::size_t> from_bytes_all(std::span<const Bytes> keys);

    const Bytes& bytes() const { return bytes_; }

    // The BLAKE3 hash of the 32 key bytes.
    ContentHash fingerprint() const;

    // Succeeds only for a valid signature of `message` under this key, or
    // fails with SignatureInvalid. Small-order keys and small-order R are
    // refused: under such a key one fixed signature would verify for every
    // message.
    orrincore_error::Result<void> verify_bytes(std::string_view message, const Signature& signature) const;

    bool operator==(const VerifyingKey&) const = default;

private:
    friend class SigningKey;
    explicit VerifyingKey(const Bytes& bytes) : bytes_(bytes) {}

    Bytes bytes_;
};

// A secret Ed25519 seed with the key derived from it. Move-only; the secret
// bytes are wiped when the key is destroyed, and a moved-from key holds
// zeros and must not be used to sign.
class SigningKey {
public:
    using Seed = std::array<std::uint8_t, 32>;

    // Every 32-byte seed is a valid key.
    static SigningKey from_bytes(const Seed& seed);

    // A key from 32 bytes of operating-system randomness (getentropy); needs
    // orrincore_crypto::initialize() to have succeeded.
    static SigningKey generate();

    SigningKey(SigningKey&& other) noexcept;
    SigningKey& operator=(SigningKey&& other) noexcept;
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;
    ~SigningKey();

    const Seed& seed() const { return seed_; }
    const VerifyingKey& verifying_key() const { return verifying_key_; }

    // The deterministic Ed25519 signature of `message`; signing cannot fail.
    Signature sign_bytes(std::string_view message) const;

private:
    using SecretKey = std::array<std::uint8_t, 64>;  // libsodium's form: seed, then public key

    explicit SigningKey(const Seed& seed);  // derives the key pair
    void wipe() noexcept;

    Seed seed_;
    SecretKey secret_key_;
    VerifyingKey verifying_key_;
};

}  // namespace orrincore_crypto

namespace orrincore_crypto::sign {

// The signature of the canonical JSON bytes of a record's value form; fails
// only when those bytes cannot be produced.
orrincore_error::Result<Signature> sign_canonical(const SigningKey& key, const nlohmann::json& value_form);

}  // namespace orrincore_crypto::sign
