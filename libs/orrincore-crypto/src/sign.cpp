#include "orrincore_crypto/sign.hpp"

#include "hex.hpp"

#include <sodium.h>
#include <unistd.h>
#include <nlohmann/json.hpp>
#include <orrincore_crypto/canonical.hpp>
#include <orrincore_error/hex.hpp>

#include <cstdlib>

namespace orrincore_crypto {
namespace {

static_assert(crypto_sign_BYTES == Signature::Bytes{}.size());
static_assert(crypto_sign_PUBLICKEYBYTES == VerifyingKey::Bytes{}.size());
static_assert(crypto_sign_SEEDBYTES == SigningKey::Seed{}.size());
static_assert(crypto_sign_SECRETKEYBYTES == 64);
static_assert(crypto_core_ed25519_BYTES == VerifyingKey::Bytes{}.size());

}  // namespace

std::string Signature::to_hex() const { return orrincore_error::hex::to_lower(bytes); }

orrincore_error::Result<Signature> Signature::from_hex(std::string_view text) {
    Signature signature{};
    static constexpr detail::HexReadTexts texts{"ed25519 signature", "signature is not ASCII",
                                                "invalid hex in signature: "};
    if (auto read = detail::read_hex(text, signature.bytes, texts); !read) {
        return std::unexpected(read.error());
    }
    return signature;
}

namespace {

// Whether both encodings are points: an addition decodes its two operands by
// libsodium's own point decoding and fails exactly when one is not a point.
// Unlike crypto_core_ed25519_is_valid_point it accepts small-order points and
// points outside the prime-order subgroup, as a key is read here.
bool both_decode(const VerifyingKey::Bytes& first, const VerifyingKey::Bytes& second) {
    VerifyingKey::Bytes sum;
    return crypto_core_ed25519_add(sum.data(), first.data(), second.data()) == 0;
}

constexpr VerifyingKey::Bytes identity{1};

}  // namespace

orrincore_error::Result<VerifyingKey> VerifyingKey::from_bytes(const Bytes& bytes) {
    if (!both_decode(bytes, identity)) {
        return std::unexpected(orrincore_error::validation(
            "invalid ed25519 public key: signature error: Cannot decompress Edwards point"));
    }
    return VerifyingKey(bytes);
}

// Two keys to an addition; a pair that fails is decoded one key at a time to
// tell which.
std::expected<std::vector<VerifyingKey>, std::size_t> VerifyingKey::from_bytes_all(std::span<const Bytes> keys) {
    for (std::size_t i = 0; i < keys.size(); i += 2) {
        const Bytes& partner = i + 1 < keys.size() ? keys[i + 1] : identity;
        if (both_decode(keys[i], partner)) continue;
        return std::unexpected(both_decode(keys[i], identity) ? i + 1 : i);
    }
    std::vector<VerifyingKey> decoded;
    decoded.reserve(keys.size());
    for (const Bytes& key : keys) decoded.push_back(VerifyingKey(key));
    return decoded;
}

orrincore_error::Result<VerifyingKey::Bytes> VerifyingKey::bytes_from_hex(std::string_view text) {
    Bytes bytes{};
    static constexpr detail::HexReadTexts texts{"ed25519 public key", "public key is not ASCII",
                                                "invalid hex in public key: "};
    if (auto read = detail::read_hex(text, bytes, texts); !read) {
        return std::unexpected(read.error());
    }
    return bytes;
}

orrincore_error::Result<VerifyingKey> VerifyingKey::from_hex(std::string_view text) {
    auto bytes = bytes_from_hex(text);
    if (!bytes) return std::unexpected(bytes.error());
    return from_bytes(*bytes);
}

ContentHash VerifyingKey::fingerprint() const { return hash::blake3_hash(bytes_); }

orrincore_error::Result<void> VerifyingKey::verify_bytes(std::string_view message, const Signature& signature) const {
    // The strict check: besides a canonical S it refuses small-order and
    // non-canonical keys and small-order R. Keys derived from seeds and
    // their signatures verify exactly as under the ordinary check.
    const int status = crypto_sign_verify_detached(
        signature.bytes.data(), reinterpret_cast<const unsigned char*>(message.data()), message.size(), bytes_.data());
    if (status != 0) return std::unexpected(orrincore_error::SignatureInvalid{});
    return {};
}

SigningKey::SigningKey(const Seed& seed) : seed_(seed), secret_key_{}, verifying_key_(VerifyingKey::Bytes{}) {
    crypto_sign_seed_keypair(verifying_key_.bytes_.data(), secret_key_.data(), seed_.data());
}

SigningKey SigningKey::from_bytes(const Seed& seed) { return SigningKey(seed); }

SigningKey SigningKey::generate() {
    Seed seed;
    // A new key has no error result: without a random source, which
    // initialize() checks at start-up, the process stops.
    if (::getentropy(seed.data(), seed.size()) != 0) std::abort();
    SigningKey key(seed);
    sodium_memzero(seed.data(), seed.size());
    return key;
}

SigningKey::SigningKey(SigningKey&& other) noexcept
    : seed_(other.seed_), secret_key_(other.secret_key_), verifying_key_(other.verifying_key_) {
    other.wipe();
}

SigningKey& SigningKey::operator=(SigningKey&& other) noexcept {
    if (this != &other) {
        seed_ = other.seed_;
        secret_key_ = other.secret_key_;
        verifying_key_ = other.verifying_key_;
        other.wipe();
    }
    return *this;
}

SigningKey::~SigningKey() { wipe(); }

void SigningKey::wipe() noexcept {
    sodium_memzero(seed_.data(), seed_.size());
    sodium_memzero(secret_key_.data(), secret_key_.size());
}

Signature SigningKey::sign_bytes(std::string_view message) const {
    Signature signature{};
    // libsodium expands the secret for this one signature and wipes it after.
    crypto_sign_detached(signature.bytes.data(), nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                         message.size(), secret_key_.data());
    return signature;
}

}  // namespace orrincore_crypto

namespace orrincore_crypto::sign {

orrincore_error::Result<Signature> sign_canonical(const SigningKey& key, const nlohmann::json& value_form) {
    auto bytes = canonical::to_canonical_json(value_form);
    if (!bytes) return std::unexpected(bytes.error());
    return key.sign_bytes(*bytes);
}

}  // namespace orrincore_crypto::sign
