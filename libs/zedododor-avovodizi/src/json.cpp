#include "zedododor_avovodizi/json.hpp"

namespace orrincore_json {

using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::Slug;
using zedododor_avovodizi::ids::Uuid;
using zedododor_avovodizi::time::Timestamp;

ReadResult<Uuid> Json<Uuid>::read(Reader& reader) {
    return read_parsed_string<Uuid>(reader, "a formatted UUID string", &Uuid::parse,
                                    [](const auto& error) { return "UUID parsing failed: " + error.message(); });
}

ReadResult<ProductId> Json<ProductId>::read(Reader& reader) {
    return read_parsed_string<ProductId>(reader, &ProductId::create);
}

ReadResult<Slug> Json<Slug>::read(Reader& reader) { return read_parsed_string<Slug>(reader, &Slug::create); }

ReadResult<Timestamp> Json<Timestamp>::read(Reader& reader) {
    return read_parsed_string<Timestamp>(reader, &Timestamp::from_str);
}

}  // namespace orrincore_json
