#include "orrincore_crypto/hasher.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orrincore_crypto {
namespace {

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return bytes;
}

ContentHash one_shot(HashAlgorithm algorithm, std::span<const std::uint8_t> bytes) {
    return algorithm == HashAlgorithm::sha256 ? hash::sha256(bytes) : hash::blake3_hash(bytes);
}

// Pieces of every size, across BLAKE3's 1 KiB chunks and SHA-256's 64-byte
// blocks, empty ones included, hash like the whole.
TEST(Hasher, PiecesHashLikeTheWhole) {
    const auto content = pattern(5000);
    for (const auto algorithm : {HashAlgorithm::blake3, HashAlgorithm::sha256}) {
        for (const std::size_t piece : {1uz, 63uz, 64uz, 1000uz, 1024uz, 4096uz, 5000uz}) {
            SCOPED_TRACE(std::string(to_string(algorithm)) + " in pieces of " + std::to_string(piece));
            hash::Hasher hasher(algorithm);
            hasher.update({});
            for (std::size_t at = 0; at < content.size(); at += piece)
                hasher.update(std::span(content).subspan(at, std::min(piece, content.size() - at)));
            EXPECT_EQ(hasher.finalize(), one_shot(algorithm, content));
        }
        EXPECT_EQ(hash::hash_with(algorithm, content), one_shot(algorithm, content));
    }
}

TEST(Hasher, NoContentIsTheHashOfNoBytes) {
    EXPECT_EQ(hash::Hasher(HashAlgorithm::blake3).finalize().to_string(),
              "blake3:af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262");
    EXPECT_EQ(hash::Hasher(HashAlgorithm::sha256).finalize().to_string(),
              "sha256:e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace
}  // namespace orrincore_crypto
