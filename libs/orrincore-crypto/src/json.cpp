#include "orrincore_crypto/json.hpp"

namespace orrincore_json {

using orrincore_crypto::ContentHash;
using orrincore_crypto::Signature;

ReadResult<ContentHash> Json<ContentHash>::read(Reader& reader) {
    auto text = reader.read_string_view("a string");
    if (!text) return std::unexpected(text.error());
    auto hash = ContentHash::from_str(*text);
    if (!hash) return std::unexpected(reader.custom_error(hash.error().message()));
    return *hash;
}

ReadResult<Signature> Json<Signature>::read(Reader& reader) {
    auto text = reader.read_string_view("a string");
    if (!text) return std::unexpected(text.error());
    auto signature = Signature::from_hex(*text);
    if (!signature) return std::unexpected(reader.custom_error(signature.error().message()));
    return *signature;
}

}  // namespace orrincore_json
