#pragma once
// JSON forms of content hashes and signatures: JSON strings of their text
// forms. A text that does not read fails with the type's own message.

#include <span>
#include <string_view>

#include <orrincore_error/hex.hpp>
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

    static std::string_view plain_text(const orrincore_crypto::ContentHash& hash, PlainBuffer& buffer) {
        const auto text = std::span(buffer).first<orrincore_crypto::ContentHash::text_length>();
        hash.write_text(text);
        return {text.data(), text.size()};
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

    static std::string_view plain_text(const orrincore_crypto::Signature& signature, PlainBuffer& buffer) {
        static_assert(sizeof(orrincore_crypto::Signature::Bytes) * 2 == std::tuple_size_v<PlainBuffer>);
        orrincore_error::hex::write_lower(signature.bytes, buffer.data());
        return {buffer.data(), buffer.size()};
    }
};

}  // namespace orrincore_json
