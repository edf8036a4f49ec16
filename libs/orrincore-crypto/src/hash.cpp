#include "orrincore_crypto/hash.hpp"

#include "hex.hpp"

#include <blake3.h>
#include <sodium.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include <algorithm>
#include <array>
#include <optional>

namespace orrincore_crypto {
namespace {

std::optional<HashAlgorithm> algorithm_named(std::string_view name) {
    if (name == "blake3") return HashAlgorithm::blake3;
    if (name == "sha256") return HashAlgorithm::sha256;
    return std::nullopt;
}

std::span<const std::uint8_t> bytes_of(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

namespace {

constexpr std::string_view algorithm_name(HashAlgorithm algorithm) {
    switch (algorithm) {
    case HashAlgorithm::blake3: return "blake3";
    case HashAlgorithm::sha256: return "sha256";
    }
    return "blake3";  // unreachable: the switch covers every algorithm
}

// write_text's fixed length holds for every algorithm.
static_assert(algorithm_name(HashAlgorithm::blake3).size() + 1 + 64 == ContentHash::text_length);
static_assert(algorithm_name(HashAlgorithm::sha256).size() + 1 + 64 == ContentHash::text_length);

}  // namespace

std::string_view to_string(HashAlgorithm algorithm) { return algorithm_name(algorithm); }

std::string ContentHash::to_hex() const { return orrincore_error::hex::to_lower(digest); }

void ContentHash::write_text(std::span<char, text_length> out) const {
    const std::string_view name = orrincore_crypto::to_string(algorithm);
    char* at = std::copy(name.begin(), name.end(), out.data());
    *at++ = ':';
    orrincore_error::hex::write_lower(digest, at);
}

std::string ContentHash::to_string() const {
    std::array<char, text_length> text;
    write_text(text);
    return std::string(text.data(), text.size());
}

orrincore_error::Result<ContentHash> ContentHash::from_str(std::string_view text) {
    using orrincore_error::validation;

    // Only the first ':' splits; any later one belongs to the digest part.
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::unexpected(
            validation("content hash must be 'algorithm:hex', got " + orrincore_error::quoted_form(text)));
    }
    const auto algorithm_part = text.substr(0, colon);
    const auto algorithm = algorithm_named(algorithm_part);
    if (!algorithm) {
        return std::unexpected(orrincore_error::UnknownAlgorithm{std::string(algorithm_part)});
    }
    ContentHash hash{*algorithm, {}};
    static constexpr detail::HexReadTexts texts{"content hash digest", "content hash digest is not ASCII",
                                                "invalid hex in content hash: "};
    if (auto read = detail::read_hex(text.substr(colon + 1), hash.digest, texts); !read) {
        return std::unexpected(read.error());
    }
    return hash;
}

bool ContentHash::ct_eq(const ContentHash& other) const {
    if (algorithm != other.algorithm) return false;
    return sodium_memcmp(digest.data(), other.digest.data(), digest.size()) == 0;
}

}  // namespace orrincore_crypto

namespace orrincore_crypto::hash {

ContentHash blake3_hash(std::span<const std::uint8_t> bytes) {
    ContentHash hash{HashAlgorithm::blake3, {}};
    blake3_hasher hasher;
    blake3_hasher_init(&hasher);
    blake3_hasher_update(&hasher, bytes.data(), bytes.size());
    blake3_hasher_finalize(&hasher, hash.digest.data(), hash.digest.size());
    return hash;
}

ContentHash blake3_hash(std::string_view bytes) { return blake3_hash(bytes_of(bytes)); }

ContentHash sha256(std::span<const std::uint8_t> bytes) {
    static_assert(crypto_hash_sha256_BYTES == ContentHash::Digest{}.size());
    ContentHash hash{HashAlgorithm::sha256, {}};
    crypto_hash_sha256(hash.digest.data(), bytes.data(), bytes.size());
    return hash;
}

ContentHash sha256(std::string_view bytes) { return sha256(bytes_of(bytes)); }

}  // namespace orrincore_crypto::hash
