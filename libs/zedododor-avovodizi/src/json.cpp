#include "zedododor_avovodizi/json.hpp"

namespace orrincore_json {
namespace {

// Reads a string and converts it with `parse`, whose CoreError message
// becomes the reading error.
template <class T, class Parse>
ReadResult<T> read_text(Reader& reader, Parse parse) {
    auto text = reader.read_string_view("a string");
    if (!text) return std::unexpected(text.error());
    auto value = parse(*text);
    if (!value) return std::unexpected(reader.custom_error(value.error().message()));
    return *std::move(value);
}

}  // namespace

using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::Slug;
using zedododor_avovodizi::time::Timestamp;

ReadResult<ProductId> Json<ProductId>::read(Reader& reader) {
    return read_text<ProductId>(reader, [](std::string_view text) { return ProductId::create(text); });
}

ReadResult<Slug> Json<Slug>::read(Reader& reader) {
    return read_text<Slug>(reader, [](std::string_view text) { return Slug::create(text); });
}

ReadResult<Timestamp> Json<Timestamp>::read(Reader& reader) {
    return read_text<Timestamp>(reader, [](std::string_view text) { return Timestamp::from_str(text); });
}

}  // namespace orrincore_json
