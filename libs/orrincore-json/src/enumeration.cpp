#include "orrincore_json/enumeration.hpp"

#include <fmt/format.h>

namespace orrincore_json {

std::string word_list(std::span<const std::string_view> words) {
    switch (words.size()) {
    case 0: return {};
    case 1: return fmt::format("`{}`", words[0]);
    case 2: return fmt::format("`{}` or `{}`", words[0], words[1]);
    default: break;
    }
    std::string out = "one of ";
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) out += ", ";
        out += fmt::format("`{}`", words[i]);
    }
    return out;
}

ReadResult<std::size_t> read_word(Reader& reader, std::span<const std::string_view> words) {
    auto text = reader.read_string_view("variant identifier");
    if (!text) return std::unexpected(std::move(text).error());
    for (std::size_t i = 0; i < words.size(); ++i)
        if (words[i] == *text) return i;
    if (words.empty())
        return std::unexpected(reader.custom_error(fmt::format("unknown variant `{}`, there are no variants", *text)));
    return std::unexpected(
        reader.custom_error(fmt::format("unknown variant `{}`, expected {}", *text, word_list(words))));
}

namespace detail {

ReadResult<std::size_t> read_variant(Reader& reader, std::span<const std::string_view> words) {
    auto c = reader.peek();
    if (!c) return std::unexpected(reader.error_at_next("EOF while parsing a value"));
    if (*c == '"') return read_word(reader, words);
    if (*c != '{') return std::unexpected(reader.error_at_next("expected value"));

    // {"word": null}
    if (auto open = reader.begin_object(""); !open) return std::unexpected(std::move(open).error());
    auto index = read_word(reader, words);
    if (!index) return index;
    if (auto colon = reader.read_colon(); !colon) return std::unexpected(std::move(colon).error());
    if (auto unit = reader.read_unit("unit"); !unit) return std::unexpected(std::move(unit).error());
    auto close = reader.peek();
    if (!close) return std::unexpected(reader.custom_error("EOF while parsing an object"));
    if (*close != '}') return std::unexpected(reader.custom_error("expected value"));
    if (auto end = reader.end_object(); !end) return std::unexpected(std::move(end).error());
    return index;
}

}  // namespace detail

}  // namespace orrincore_json
