#pragma once
// The trust store: the operator's list of named Ed25519 public keys that may
// sign policy rulesets. It is built by hand, one key at a time, from keys
// obtained out of band, and never from a ruleset it is later asked to verify.
// An empty store refuses every ruleset.
//
// Unlike the archive records, a store is changed in place, and only by
// `trust_store_add`: signers are appended, never removed, replaced or
// reordered.

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_crypto/sign.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace vevizovuvazavad {

struct TrustedSigner {
    std::string name;        // as the operator typed it: untrimmed, possibly empty
    std::string pubkey_hex;  // 64 lower-case hex digits of the 32 key bytes
    zedododor_avovodizi::time::Timestamp added_at;

    bool operator==(const TrustedSigner&) const = default;
};

// `trust_store_add` keeps names unique and key texts unique (byte for byte)
// and stores only keys that parse. Reading a file checks none of this: a
// hand-edited key is found out when the release gate parses every stored key.
struct TrustStore {
    std::vector<TrustedSigner> signers;  // in the order they were added

    // No signers: what a store path that leads to nothing stands for (see
    // load_trust_store), and where the demo starts.
    static TrustStore empty() { return TrustStore{}; }

    bool operator==(const TrustStore&) const = default;
};

// Appends a signer under `name` for the key `public_key` as the operator
// typed it: White_Space around it is removed and it is lower-cased, then it
// must parse (parse_public_key_hex, whose error text is returned unchanged).
// Then, in this order, the name must be new and the key must be new; the
// whole name is compared with every signer before any key is. On error the
// store is unchanged.
std::expected<void, std::string> trust_store_add(TrustStore& store, std::string_view name, std::string_view public_key,
                                                 zedododor_avovodizi::time::Timestamp added_at);

// Exactly 64 ASCII hex digits of either case (not trimmed, not lower-cased
// here) that decode to an Ed25519 point, small-order points included: strict
// verification refuses every signature under those anyway.
std::expected<orrincore_crypto::VerifyingKey, std::string> parse_public_key_hex(std::string_view text);

// Every stored key as parse_public_key_hex parses it, in store order, or the
// error of the first that it refuses; the points of a long store are decoded
// two at a time (VerifyingKey::from_bytes_all).
std::expected<std::vector<orrincore_crypto::VerifyingKey>, std::string> parse_trusted_keys(const TrustStore& store);

}  // namespace vevizovuvazavad

// The trust store file: {"signers": [{"name", "pubkey_hex", "added_at"}, ...]}.
template <>
struct orrincore_json::Json<vevizovuvazavad::TrustedSigner>
    : orrincore_json::RecordJson<vevizovuvazavad::TrustedSigner> {
    using R = vevizovuvazavad::TrustedSigner;
    static constexpr std::string_view name = "TrustedSigner";
    static constexpr auto fields = std::tuple{
        required("name", &R::name),
        required("pubkey_hex", &R::pubkey_hex),
        required("added_at", &R::added_at),
    };
};

template <>
struct orrincore_json::Json<vevizovuvazavad::TrustStore> : orrincore_json::RecordJson<vevizovuvazavad::TrustStore> {
    using R = vevizovuvazavad::TrustStore;
    static constexpr std::string_view name = "TrustStore";
    static constexpr auto fields = std::tuple{
        required("signers", &R::signers),
    };
};
