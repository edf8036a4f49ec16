#pragma once
// Content hashes: a 32-byte digest tagged with the algorithm that made it.
// The system produces BLAKE3 hashes; SHA-256 is accepted when a hash is read
// and when content is verified against a reference that names it.

#include <orrincore_error/error.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orrincore_crypto {

enum class HashAlgorithm { blake3, sha256 };

// "blake3" or "sha256".
std::string_view to_string(HashAlgorithm algorithm);

struct ContentHash {
    using Digest = std::array<std::uint8_t, 32>;

    HashAlgorithm algorithm;
    Digest digest;  // in the algorithm's own output byte order

    // The 64 lower-case hex digits of the digest.
    std::string to_hex() const;

    // The text form "algorithm:hex", e.g. "blake3:" followed by 64 digits.
    std::string to_string() const;
    // The same text written into `out`: both names are six letters long.
    static constexpr std::size_t text_length = 71;
    void write_text(std::span<char, text_length> out) const;

    // Reads the text form; hex digits of either case are accepted.
    static orrincore_error::Result<ContentHash> from_str(std::string_view text);

    // Equality whose time does not depend on the digest bytes; use it wherever
    // content is checked against a recorded hash.
    bool ct_eq(const ContentHash& other) const;

    bool operator==(const ContentHash&) const = default;
};

}  // namespace orrincore_crypto

namespace orrincore_crypto::hash {

// BLAKE3 (unkeyed, 32-byte output) of bytes held in memory.
ContentHash blake3_hash(std::span<const std::uint8_t> bytes);
ContentHash blake3_hash(std::string_view bytes);

// SHA-256 of bytes held in memory.
ContentHash sha256(std::span<const std::uint8_t> bytes);
ContentHash sha256(std::string_view bytes);

}  // namespace orrincore_crypto::hash
