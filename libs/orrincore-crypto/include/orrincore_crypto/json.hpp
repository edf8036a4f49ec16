#pragma once
// JSON forms of content hashes and signatures: JSON strings of their text
// forms. A text that does not read fails with the type's own message.

#include <orrincore_json/json.hpp>

#include "orrincore_crypto/hash.hpp"
#include "orrincore_crypto/sign.hpp"

namespace orrincore_json {

template <>
struct Json<orrincore_crypto::ContentHash> {
    static ReadResult<orrincore_crypto::ContentHash> read(Reader& reader);

    template <class J>
    static J write(const orrincore_crypto::ContentHash& hash) {
        return J(hash.to_string());
    }
};

// Signatures have no value form: nothing hashed or signed holds one.
template <>
struct Json<orrincore_crypto::Signature> {
    static ReadResult<orrincore_crypto::Signature> read(Reader& reader);

    template <class J>
    static J write(const orrincore_crypto::Signature& signature) {
        return J(signature.to_hex());
    }
};

}  // namespace orrincore_json
