#pragma once
// `SignedEnvelope<Payload>`: one payload record wrapped with its identity,
// the signing key's id, creation and optional expiry times, the associated
// data that binds it to a context, an optional previous hash, and an Ed25519
// signature over the canonical JSON of its other eight fields.
//
//     auto sealed = SignedEnvelope<Ruleset>::seal(std::move(ruleset), key_id, signing_key, now, context);
//     std::string file = orrincore_json::to_pretty(*sealed);
//     ...
//     auto read = orrincore_json::parse<SignedEnvelope<Ruleset>>(file);
//     auto ruleset = read->open(verifying_key, now, context);   // Result<Ruleset>
//
// Use the payload that `open` returns, never the `payload` member of an
// envelope read from a file: `open` reads the payload back from the bytes the
// signature covers. Canonical JSON composes decomposed letters, so a file
// whose payload texts were swapped for their decomposed spelling still
// verifies; the returned payload is the one that was signed regardless.
//
// The payload type needs a JSON form (Json<Payload>) whose value form and
// written forms carry the same keys, so that reading a written envelope gives
// back the value that was signed.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>
#include <orrincore_error/error.hpp>
#include <orrincore_json/document.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "orrincore_crypto/canonical.hpp"
#include "orrincore_crypto/hash.hpp"
#include "orrincore_crypto/json.hpp"
#include "orrincore_crypto/sign.hpp"

namespace orrincore_crypto {

inline constexpr std::uint16_t envelope_format_version = 1;

namespace detail {

orrincore_error::CoreError unsupported_envelope_version(std::uint16_t version);
orrincore_error::CoreError associated_data_mismatch();
orrincore_error::CoreError unreadable_signed_payload(const std::string& reason);

// The bytes of the `payload` member within the canonical bytes of a signing
// input: the payload's own canonical bytes, exactly as they were signed.
orrincore_error::Result<std::string_view> signed_payload_bytes(std::string_view signing_bytes);

}  // namespace detail

template <class Payload>
struct SignedEnvelope {
    std::uint16_t format_version;
    zedododor_avovodizi::ids::EnvelopeId envelope_id;
    zedododor_avovodizi::ids::KeyId key_id;  // signed, never used to pick a key
    zedododor_avovodizi::time::Timestamp created_at;
    std::optional<zedododor_avovodizi::time::Timestamp> expires_at;
    std::vector<std::string> associated_data;
    Payload payload;
    std::optional<ContentHash> previous_hash;  // signed, otherwise not examined
    Signature signature;

    // Format version 1, a new envelope id, no expiry, no previous hash.
    // Fails only when the signing input has no canonical JSON.
    static orrincore_error::Result<SignedEnvelope> seal(Payload payload, zedododor_avovodizi::ids::KeyId key_id,
                                                        const SigningKey& key,
                                                        zedododor_avovodizi::time::Timestamp created_at,
                                                        std::vector<std::string> associated_data);

    // Checks, in this order: the format version; the associated data equal to
    // `expected_associated_data`, string by string and in order; the
    // canonical signing input; the signature under `key`; the expiry (an
    // envelope expiring exactly at `now` still opens). On success returns the
    // payload read back from the canonical bytes that were verified.
    orrincore_error::Result<Payload> open(const VerifyingKey& key, const zedododor_avovodizi::time::Timestamp& now,
                                          std::span<const std::string> expected_associated_data) const;

    // The value form that is signed: always the eight keys, null for an
    // absent expiry or previous hash, [] for empty associated data.
    nlohmann::json signing_input() const;

    // The canonical JSON bytes of the signing input: what seal signs and open
    // verifies.
    orrincore_error::Result<std::string> signing_bytes() const { return canonical::to_canonical_json(signing_input()); }

    bool operator==(const SignedEnvelope&) const = default;
};

template <class Payload>
nlohmann::json SignedEnvelope<Payload>::signing_input() const {
    // Assigned member by member: a braced initializer list would copy the
    // payload's whole value tree once more.
    using nlohmann::json;
    json input = json::object();
    input["format_version"] = format_version;
    input["envelope_id"] = envelope_id.to_string();
    input["key_id"] = key_id.to_string();
    input["created_at"] = created_at.to_rfc3339();
    input["expires_at"] = expires_at ? json(expires_at->to_rfc3339()) : json(nullptr);
    input["associated_data"] = associated_data;  // [] when empty
    input["payload"] = orrincore_json::to_value(payload);
    input["previous_hash"] = previous_hash ? json(previous_hash->to_string()) : json(nullptr);
    return input;
}

template <class Payload>
orrincore_error::Result<SignedEnvelope<Payload>> SignedEnvelope<Payload>::seal(
    Payload payload, zedododor_avovodizi::ids::KeyId key_id, const SigningKey& key,
    zedododor_avovodizi::time::Timestamp created_at, std::vector<std::string> associated_data) {
    SignedEnvelope envelope{
        envelope_format_version,
        zedododor_avovodizi::ids::EnvelopeId::generate(),
        key_id,
        created_at,
        std::nullopt,
        std::move(associated_data),
        std::move(payload),
        std::nullopt,
        Signature{},
    };
    auto signature = sign::sign_canonical(key, envelope.signing_input());
    if (!signature) return std::unexpected(signature.error());
    envelope.signature = *signature;
    return envelope;
}

template <class Payload>
orrincore_error::Result<Payload> SignedEnvelope<Payload>::open(
    const VerifyingKey& key, const zedododor_avovodizi::time::Timestamp& now,
    std::span<const std::string> expected_associated_data) const {
    // Errors are copied into the result: moving a fresh CoreError there gives
    // g++ 12 false -Wmaybe-uninitialized warnings at -O2.
    if (format_version != envelope_format_version) {
        const auto error = detail::unsupported_envelope_version(format_version);
        return std::unexpected(error);
    }
    if (!std::ranges::equal(associated_data, expected_associated_data)) {
        const auto error = detail::associated_data_mismatch();
        return std::unexpected(error);
    }

    const auto bytes = signing_bytes();
    if (!bytes) return std::unexpected(bytes.error());
    if (auto verified = key.verify_bytes(*bytes, signature); !verified) return std::unexpected(verified.error());

    if (expires_at && now.is_after(*expires_at)) {
        const orrincore_error::CoreError error = orrincore_error::Expired{expires_at->to_rfc3339()};
        return std::unexpected(error);
    }

    // What the signature covers is the canonical payload, not this record's
    // texts: hand back exactly that.
    const auto payload_bytes = detail::signed_payload_bytes(*bytes);
    if (!payload_bytes) return std::unexpected(payload_bytes.error());
    auto signed_payload = orrincore_json::parse<Payload>(*payload_bytes);
    if (!signed_payload) {
        const auto error = detail::unreadable_signed_payload(signed_payload.error().message_with_position());
        return std::unexpected(error);
    }
    return *std::move(signed_payload);
}

}  // namespace orrincore_crypto

// Written forms leave out an absent expiry and previous hash and empty
// associated data; reading restores them, so the signature still verifies.
template <class Payload>
struct orrincore_json::Json<orrincore_crypto::SignedEnvelope<Payload>>
    : orrincore_json::RecordJson<orrincore_crypto::SignedEnvelope<Payload>> {
    using R = orrincore_crypto::SignedEnvelope<Payload>;
    static constexpr std::string_view name = "SignedEnvelope";
    static constexpr auto fields = std::tuple{
        required("format_version", &R::format_version),
        required("envelope_id", &R::envelope_id),
        required("key_id", &R::key_id),
        required("created_at", &R::created_at),
        omittable("expires_at", &R::expires_at),
        omittable_empty("associated_data", &R::associated_data),
        required("payload", &R::payload),
        omittable("previous_hash", &R::previous_hash),
        required("signature", &R::signature),
    };
};
