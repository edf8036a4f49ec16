#include "gate/trust_store.hpp"

#include <algorithm>
#include <cstddef>

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include "io/unicode_text.hpp"

namespace vevizovuvazavad {
namespace {

using orrincore_error::hex::digit_value;

constexpr std::size_t key_hex_length = 2 * orrincore_crypto::VerifyingKey::Bytes{}.size();

}  // namespace

std::expected<orrincore_crypto::VerifyingKey, std::string> parse_public_key_hex(std::string_view text) {
    const bool all_hex = std::ranges::all_of(text, [](char c) { return digit_value(c) >= 0; });
    if (text.size() != key_hex_length || !all_hex) {
        // The length is tested in bytes but reported in characters.
        return std::unexpected(fmt::format("expected a 64-character hex Ed25519 public key, got {} characters{}",
                                           character_count(text), all_hex ? "" : " (and non-hex characters)"));
    }
    // Only the point decoding can refuse the 64 digits now.
    auto key = orrincore_crypto::VerifyingKey::from_hex(text);
    if (!key) return std::unexpected(fmt::format("not a valid Ed25519 public key: {}", key.error().message()));
    return *key;
}

std::expected<void, std::string> trust_store_add(TrustStore& store, std::string_view name,
                                                 std::string_view public_key,
                                                 zedododor_avovodizi::time::Timestamp added_at) {
    std::string key_text = full_lower_case(trim_white_space(public_key));
    if (auto key = parse_public_key_hex(key_text); !key) return std::unexpected(std::move(key).error());
    // Names are compared first, with every signer: a request repeating both
    // the name and the key of a signer is refused for its name.
    if (std::ranges::any_of(store.signers, [&](const TrustedSigner& signer) { return signer.name == name; })) {
        return std::unexpected(fmt::format("a trusted signer named {} already exists in this trust store",
                                           orrincore_error::quoted_form(name)));
    }
    if (std::ranges::any_of(store.signers,
                            [&](const TrustedSigner& signer) { return signer.pubkey_hex == key_text; })) {
        return std::unexpected(std::string("this public key is already trusted, under a different name"));
    }
    store.signers.push_back(TrustedSigner{std::string(name), std::move(key_text), added_at});
    return {};
}

}  // namespace vevizovuvazavad
