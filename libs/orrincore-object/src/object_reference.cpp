#include "orrincore_object/object_reference.hpp"

#include <orrincore_crypto/hasher.hpp>

namespace orrincore_object {

bool ObjectReference::verify_digest(const ContentDigest& digest) const {
    const bool hash_matches = digest.hash.ct_eq(content_hash);
    const bool size_matches = digest.size == ciphertext_size;
    return hash_matches & size_matches;  // no early exit on either
}

bool ObjectReference::verify_content(std::span<const std::uint8_t> bytes) const {
    return verify_digest({bytes.size(), orrincore_crypto::hash::hash_with(content_hash.algorithm, bytes)});
}

}  // namespace orrincore_object
