#pragma once
// Ed25519 keys from fixed seeds, and their public keys as the trust store
// holds them or an operator types them.

#include <cctype>
#include <cstdint>
#include <string>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <orrincore_crypto/sign.hpp>

namespace vevizovuvazavad::testing {

inline orrincore_crypto::SigningKey key_from_seed(std::uint8_t first_seed_byte) {
    return orrincore_crypto::SigningKey::from_bytes({first_seed_byte});
}

inline std::string public_key_hex(const orrincore_crypto::SigningKey& key) {
    return fmt::format("{:02x}", fmt::join(key.verifying_key().bytes(), ""));
}

// ASCII letters in upper case, as an operator may type or edit a key.
inline std::string ascii_upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace vevizovuvazavad::testing
