#include "orrincore_crypto/canonical.hpp"

#include "compose_table.hpp"

#include <orrincore_error/text.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>

namespace orrincore_crypto::canonical {
namespace {

using nlohmann::json;
using orrincore_error::CanonicalSerialization;
using orrincore_error::CoreError;
using orrincore_error::Result;

// ---- strings ---------------------------------------------------------------

using orrincore_error::is_ascii;

// The combining mark U+0300..U+036F whose UTF-8 form starts at `pos`, or 0.
// A mark is always the two bytes CC 80..BF or CD 80..AF.
char32_t combining_mark_at(std::string_view text, std::size_t pos) {
    if (pos + 1 >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    if ((lead != 0xCC && lead != 0xCD) || (trail & 0xC0) != 0x80) return 0;
    const char32_t mark = ((char32_t{lead} & 0x1F) << 6) | (char32_t{trail} & 0x3F);
    return mark <= 0x036F ? mark : 0;
}

// The table's base letters are ASCII, and an ASCII byte is never part of a
// longer sequence, so every other byte is copied as it is: a multi-byte
// character goes through unchanged, one byte at a time.
std::string compose_pairs(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char current = text[i];
        if (static_cast<unsigned char>(current) < 0x80) {
            if (const char32_t mark = combining_mark_at(text, i + 1)) {
                if (const char32_t composed = detail::composed_letter(current, mark)) {
                    orrincore_error::append_utf8(out, composed);
                    i += 3;
                    continue;
                }
            }
        }
        out.push_back(current);
        ++i;
    }
    return out;
}

// Whether compose_pairs would change `text`. It visits every ASCII byte (a
// composed pair skips only the two bytes of its mark), so it changes the text
// exactly when some letter is followed by a mark the table pairs it with.
bool has_composable_pair(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) continue;
        const char32_t mark = combining_mark_at(text, i + 1);
        if (mark != 0 && detail::composed_letter(text[i], mark) != 0) return true;
    }
    return false;
}

// The normal form of a text, or nothing when the text is not UTF-8.
std::optional<std::string> checked_normal_form(std::string_view text) {
    if (is_ascii(text)) return std::string(text);
    if (!orrincore_error::is_valid_utf8(text)) return std::nullopt;
    return compose_pairs(text);
}

// ---- canonical shape -------------------------------------------------------

std::string path_text(const Path& path) {
    if (path.empty()) return "<root>";
    std::string text = path.front();
    for (auto it = path.begin() + 1; it != path.end(); ++it) {
        text += '.';
        text += *it;
    }
    return text;
}

std::unexpected<CoreError> refuse(std::string text) {
    return std::unexpected<CoreError>(CanonicalSerialization{std::move(text)});
}

// One depth-first walk. The path grows and shrinks with the walk; after a
// refusal the walk is abandoned, so it is not restored on that way out.
class Walker {
public:
    explicit Walker(Path path) : path_(std::move(path)) {}

    Result<json> visit(const json& value) {
        switch (value.type()) {
        case json::value_t::null:
        case json::value_t::boolean:
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
            return value;
        case json::value_t::number_float:
            return refuse(fmt::format(
                "floating-point number at {} cannot be canonicalised; use an integer or a "
                "decimal string in signed contracts",
                path_text(path_)));
        case json::value_t::string:
            return visit_string(value.get_ref<const std::string&>());
        case json::value_t::array:
            return visit_array(value.get_ref<const json::array_t&>());
        case json::value_t::object:
            return visit_object(value.get_ref<const json::object_t&>());
        case json::value_t::binary:
        case json::value_t::discarded:
            break;
        }
        return refuse(fmt::format("value at {} is not representable as JSON", path_text(path_)));
    }

private:
    Result<json> visit_string(const std::string& text) {
        auto normal = checked_normal_form(text);
        if (!normal) return refuse(fmt::format("string at {} is not valid UTF-8", path_text(path_)));
        return json(std::move(*normal));
    }

    Result<json> visit_array(const json::array_t& elements) {
        json result(json::value_t::array);
        auto& out = result.get_ref<json::array_t&>();
        out.reserve(elements.size());
        for (std::size_t index = 0; index < elements.size(); ++index) {
            path_.push_back(std::to_string(index));
            auto element = visit(elements[index]);
            if (!element) return std::unexpected(element.error());
            out.push_back(std::move(*element));
            path_.pop_back();
        }
        return result;
    }

    // Values are canonicalised before the keys are compared, so a refusal
    // inside a value wins over a duplicate key of the object holding it. The
    // duplicate check runs on collected pairs: inserting into the map first
    // would silently merge them.
    Result<json> visit_object(const json::object_t& entries) {
        std::vector<std::pair<std::string, json>> pairs;
        pairs.reserve(entries.size());
        for (const auto& [key, member] : entries) {  // std::map: ascending bytes
            auto normal_key = checked_normal_form(key);
            if (!normal_key)
                return refuse(fmt::format("object key {} at {} is not valid UTF-8",
                                          orrincore_error::quoted_form(key), path_text(path_)));
            path_.push_back(std::move(*normal_key));
            auto value = visit(member);
            if (!value) return std::unexpected(value.error());
            pairs.emplace_back(std::move(path_.back()), std::move(*value));
            path_.pop_back();
        }

        const auto by_key = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(pairs.begin(), pairs.end(), by_key))
            std::sort(pairs.begin(), pairs.end(), by_key);
        const auto duplicate = std::adjacent_find(
            pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first == b.first; });
        if (duplicate != pairs.end())
            return refuse(fmt::format("duplicate object key {} after Unicode normalisation",
                                      orrincore_error::quoted_form(duplicate->first)));

        json result(json::value_t::object);
        auto& out = result.get_ref<json::object_t&>();
        for (auto& [key, value] : pairs) out.emplace_hint(out.end(), std::move(key), std::move(value));
        return result;
    }

    Path path_;
};

// ---- writing ---------------------------------------------------------------

// For each byte: 0 when it is written as it is, otherwise the letter after the
// backslash ('u' for the \u00XX form).
constexpr std::array<char, 256> kEscapes = [] {
    std::array<char, 256> table{};
    for (int c = 0; c < 0x20; ++c) table[c] = 'u';
    table['\b'] = 'b';
    table['\t'] = 't';
    table['\n'] = 'n';
    table['\f'] = 'f';
    table['\r'] = 'r';
    table['"'] = '"';
    table['\\'] = '\\';
    return table;
}();

template <class Integer>
void append_integer(Integer value, std::string& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

template <class Integer>
std::size_t integer_length(Integer value) {
    char digits[24];
    return static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
}

std::size_t escaped_length(std::string_view text) {
    std::size_t length = text.size() + 2;
    for (const char c : text) {
        const char escape = kEscapes[static_cast<unsigned char>(c)];
        length += escape == 0 ? 0 : escape == 'u' ? 5 : 1;
    }
    return length;
}

// The number of bytes write_value appends for `value`. Sizing the output once
// spares a large record a chain of growing copies of its buffer.
std::size_t written_length(const json& value) {
    switch (value.type()) {
    case json::value_t::boolean:
        return value.get_ref<const json::boolean_t&>() ? 4 : 5;
    case json::value_t::number_unsigned:
        return integer_length(value.get_ref<const json::number_unsigned_t&>());
    case json::value_t::number_integer:
        return integer_length(value.get_ref<const json::number_integer_t&>());
    case json::value_t::string:
        return escaped_length(value.get_ref<const std::string&>());
    case json::value_t::array: {
        const auto& elements = value.get_ref<const json::array_t&>();
        std::size_t length = 2 + (elements.empty() ? 0 : elements.size() - 1);
        for (const json& element : elements) length += written_length(element);
        return length;
    }
    case json::value_t::object: {
        const auto& entries = value.get_ref<const json::object_t&>();
        std::size_t length = 2 + (entries.empty() ? 0 : entries.size() - 1);
        for (const auto& [key, member] : entries)
            length += escaped_length(key) + 1 + written_length(member);
        return length;
    }
    default:
        return 4;  // null, and what canonicalize never produces
    }
}

// Whether `text` is UTF-8 that normalisation keeps as it is.
bool is_normal_text(std::string_view text) {
    return is_ascii(text) || (orrincore_error::is_valid_utf8(text) && !has_composable_pair(text));
}

// Appends what canonicalize followed by write_value gives for `value`, as
// long as canonicalize keeps every key as it is. Then the map's ascending byte
// order is the canonical order and no two keys can meet after normalisation.
// Returns false, with `out` partly written, at the first key that does not
// stay or anything canonicalize refuses; the full walk then gives the answer.
bool write_keeping_keys(const json& value, std::string& out) {
    switch (value.type()) {
    case json::value_t::string: {
        const auto& text = value.get_ref<const std::string&>();
        if (is_normal_text(text)) {
            write_escaped_string(text, out);
        } else {
            if (!orrincore_error::is_valid_utf8(text)) return false;
            write_escaped_string(compose_pairs(text), out);
        }
        return true;
    }
    case json::value_t::array: {
        out.push_back('[');
        bool first = true;
        for (const json& element : value.get_ref<const json::array_t&>()) {
            if (!first) out.push_back(',');
            first = false;
            if (!write_keeping_keys(element, out)) return false;
        }
        out.push_back(']');
        return true;
    }
    case json::value_t::object: {
        out.push_back('{');
        bool first = true;
        for (const auto& [key, member] : value.get_ref<const json::object_t&>()) {
            if (!is_normal_text(key)) return false;
            if (!first) out.push_back(',');
            first = false;
            write_escaped_string(key, out);
            out.push_back(':');
            if (!write_keeping_keys(member, out)) return false;
        }
        out.push_back('}');
        return true;
    }
    case json::value_t::null:
    case json::value_t::boolean:
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
        write_value(value, out);
        return true;
    case json::value_t::number_float:
    case json::value_t::binary:
    case json::value_t::discarded:
        break;
    }
    return false;
}

}  // namespace

std::string normalize_string(std::string_view text) {
    if (is_ascii(text)) return std::string(text);
    return compose_pairs(text);
}

Result<json> canonicalize(const json& value, const Path& path) { return Walker(path).visit(value); }

void write_escaped_string(std::string_view text, std::string& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const char escape = kEscapes[byte];
        if (escape == 0) continue;
        out.append(text, run, i - run);
        out.push_back('\\');
        out.push_back(escape);
        if (escape == 'u') {
            out.append("00");
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        }
        run = i + 1;
    }
    out.append(text, run);
    out.push_back('"');
}

void write_value(const json& value, std::string& out) {
    switch (value.type()) {
    case json::value_t::null:
        out += "null";
        return;
    case json::value_t::boolean:
        out += value.get_ref<const json::boolean_t&>() ? "true" : "false";
        return;
    case json::value_t::number_unsigned:
        append_integer(value.get_ref<const json::number_unsigned_t&>(), out);
        return;
    case json::value_t::number_integer:
        append_integer(value.get_ref<const json::number_integer_t&>(), out);
        return;
    case json::value_t::string:
        write_escaped_string(value.get_ref<const std::string&>(), out);
        return;
    case json::value_t::array: {
        out.push_back('[');
        bool first = true;
        for (const json& element : value.get_ref<const json::array_t&>()) {
            if (!first) out.push_back(',');
            first = false;
            write_value(element, out);
        }
        out.push_back(']');
        return;
    }
    case json::value_t::object: {
        out.push_back('{');
        bool first = true;
        for (const auto& [key, member] : value.get_ref<const json::object_t&>()) {
            if (!first) out.push_back(',');
            first = false;
            write_escaped_string(key, out);
            out.push_back(':');
            write_value(member, out);
        }
        out.push_back('}');
        return;
    }
    case json::value_t::number_float:  // refused by canonicalize, never written
    case json::value_t::binary:
    case json::value_t::discarded:
        break;
    }
    out += "null";
}

Result<std::string> to_canonical_json(const json& value_form) {
    // Nearly every value form keeps its keys under normalisation and holds no
    // float: write it straight from the input, sparing the copy canonicalize
    // would build. Composing only shortens a text, so the input's written
    // length bounds the output. Anything else, refusals included, takes the
    // full walk.
    {
        std::string bytes;
        bytes.reserve(written_length(value_form));
        if (write_keeping_keys(value_form, bytes)) return bytes;
    }
    auto canonical = canonicalize(value_form, {});
    if (!canonical) return std::unexpected(canonical.error());
    const std::size_t length = written_length(*canonical);
    std::string bytes;
    bytes.reserve(length);
    write_value(*canonical, bytes);
    assert(bytes.size() == length);
    return bytes;
}

}  // namespace orrincore_crypto::canonical
