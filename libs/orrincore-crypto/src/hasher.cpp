#include "orrincore_crypto/hasher.hpp"

#include <blake3.h>
#include <sodium.h>

#include <variant>

namespace orrincore_crypto::hash {

struct Hasher::State {
    HashAlgorithm algorithm;
    std::variant<blake3_hasher, crypto_hash_sha256_state> engine;
};

Hasher::Hasher(HashAlgorithm algorithm) : state_(std::make_unique<State>()) {
    state_->algorithm = algorithm;
    if (algorithm == HashAlgorithm::sha256) {
        crypto_hash_sha256_init(&state_->engine.emplace<crypto_hash_sha256_state>());
    } else {
        blake3_hasher_init(&state_->engine.emplace<blake3_hasher>());
    }
}

Hasher::~Hasher() = default;
Hasher::Hasher(Hasher&&) noexcept = default;
Hasher& Hasher::operator=(Hasher&&) noexcept = default;

void Hasher::update(std::span<const std::uint8_t> bytes) {
    if (auto* sha = std::get_if<crypto_hash_sha256_state>(&state_->engine)) {
        crypto_hash_sha256_update(sha, bytes.data(), bytes.size());
    } else {
        blake3_hasher_update(&std::get<blake3_hasher>(state_->engine), bytes.data(), bytes.size());
    }
}

ContentHash Hasher::finalize() {
    ContentHash hash{state_->algorithm, {}};
    static_assert(crypto_hash_sha256_BYTES == ContentHash::Digest{}.size());
    if (auto* sha = std::get_if<crypto_hash_sha256_state>(&state_->engine)) {
        crypto_hash_sha256_final(sha, hash.digest.data());
    } else {
        blake3_hasher_finalize(&std::get<blake3_hasher>(state_->engine), hash.digest.data(), hash.digest.size());
    }
    return hash;
}

ContentHash hash_with(HashAlgorithm algorithm, std::span<const std::uint8_t> bytes) {
    Hasher hasher(algorithm);
    hasher.update(bytes);
    return hasher.finalize();
}

}  // namespace orrincore_crypto::hash
