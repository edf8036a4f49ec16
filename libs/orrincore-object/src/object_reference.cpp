#include "orrincore_object/object_reference.hpp"

namespace orrincore_object {

bool ObjectReference::verify_content(std::span<const std::uint8_t> bytes) const {
    const auto computed = content_hash.algorithm == orrincore_crypto::HashAlgorithm::sha256
                              ? orrincore_crypto::hash::sha256(bytes)
                              : orrincore_crypto::hash::blake3_hash(bytes);
    const bool hash_matches = computed.ct_eq(content_hash);
    const bool size_matches = bytes.size() == ciphertext_size;
    return hash_matches & size_matches;  // no early exit on either
}

}  // namespace orrincore_object
