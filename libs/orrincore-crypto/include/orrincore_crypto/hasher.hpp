#pragma once
// Hashing content that arrives in pieces, such as a file read through a
// buffer: the hash of all pieces in order equals the one-shot hash of their
// concatenation, so content of any size is hashed without holding it whole.

#include <cstdint>
#include <memory>
#include <span>

#include "orrincore_crypto/hash.hpp"

namespace orrincore_crypto::hash {

class Hasher {
public:
    explicit Hasher(HashAlgorithm algorithm);
    ~Hasher();
    Hasher(Hasher&&) noexcept;
    Hasher& operator=(Hasher&&) noexcept;

    // Appends `bytes` to the content hashed so far.
    void update(std::span<const std::uint8_t> bytes);

    // The hash of everything given to update; the hasher is spent.
    ContentHash finalize();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The hash of `bytes` under `algorithm`.
ContentHash hash_with(HashAlgorithm algorithm, std::span<const std::uint8_t> bytes);

}  // namespace orrincore_crypto::hash
