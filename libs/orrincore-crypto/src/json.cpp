#include "orrincore_crypto/json.hpp"

namespace orrincore_json {

using orrincore_crypto::ContentHash;
using orrincore_crypto::Signature;

ReadResult<ContentHash> Json<ContentHash>::read(Reader& reader) {
    return read_parsed_string<ContentHash>(reader, &ContentHash::from_str);
}

ReadResult<Signature> Json<Signature>::read(Reader& reader) {
    return read_parsed_string<Signature>(reader, &Signature::from_hex);
}

}  // namespace orrincore_json
