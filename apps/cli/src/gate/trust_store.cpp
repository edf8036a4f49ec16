#include "gate/trust_store.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include "text/unicode_text.hpp"

namespace vevizovuvazavad {
namespace {

using orrincore_error::hex::digit_value;

constexpr std::size_t key_hex_length = 2 * orrincore_crypto::VerifyingKey::Bytes{}.size();

// The bytes of a key text of the right form, or the refusal of its form.
std::expected<orrincore_crypto::VerifyingKey::Bytes, std::string> key_bytes(std::string_view text) {
    const bool all_hex = std::ranges::all_of(text, [](char c) { return digit_value(c) >= 0; });
    if (text.size() != key_hex_length || !all_hex) {
        // The length is tested in bytes but reported in characters.
        return std::unexpected(fmt::format("expected a 64-character hex Ed25519 public key, got {} characters{}",
                                           text::character_count(text), all_hex ? "" : " (and non-hex characters)"));
    }
    return orrincore_crypto::VerifyingKey::bytes_from_hex(text).value();  // 64 hex digits read
}

// Only the point decoding can refuse bytes of the right form.
std::string not_a_point(const orrincore_error::CoreError& error) {
    return fmt::format("not a valid Ed25519 public key: {}", error.message());
}

}  // namespace

std::expected<orrincore_crypto::VerifyingKey, std::string> parse_public_key_hex(std::string_view text) {
    auto bytes = key_bytes(text);
    if (!bytes) return std::unexpected(std::move(bytes).error());
    auto key = orrincore_crypto::VerifyingKey::from_bytes(*bytes);
    if (!key) return std::unexpected(not_a_point(key.error()));
    return *key;
}

std::expected<std::vector<orrincore_crypto::VerifyingKey>, std::string> parse_trusted_keys(const TrustStore& store) {
    // The texts up to the first of the wrong form; a key before it that is
    // not a point is the first refused, so their points are decoded first.
    std::vector<orrincore_crypto::VerifyingKey::Bytes> read;
    read.reserve(store.signers.size());
    std::optional<std::string> wrong_form;
    for (const auto& signer : store.signers) {
        auto bytes = key_bytes(signer.pubkey_hex);
        if (!bytes) {
            wrong_form = std::move(bytes).error();
            break;
        }
        read.push_back(*bytes);
    }
    auto keys = orrincore_crypto::VerifyingKey::from_bytes_all(read);
    // The pair decoding says which key it refused; that key alone says why.
    if (!keys)
        return std::unexpected(not_a_point(orrincore_crypto::VerifyingKey::from_bytes(read[keys.error()]).error()));
    if (wrong_form) return std::unexpected(std::move(*wrong_form));
    return *std::move(keys);
}

std::expected<void, std::string> trust_store_add(TrustStore& store, std::string_view name, std::string_view public_key,
                                                 zedododor_avovodizi::time::Timestamp added_at) {
    std::string key_text = text::full_lower_case(text::trim_white_space(public_key));
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
