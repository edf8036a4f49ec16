#include "orrincore_crypto/canonical.hpp"

#include "canonical_detail.hpp"
#include "compose_table.hpp"
#include "walk.hpp"

#include <orrincore_error/text.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <array>
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

// Builds the canonical copy of the value it walks, or stops at the first
// refusal. The path grows and shrinks with the walk; after a refusal the walk
// is abandoned, so it is not restored on that way out.
class Canonicalizer {
public:
    explicit Canonicalizer(Path path) : path_(std::move(path)) { open_.reserve(16); }

    bool scalar(const json& value) {
        switch (value.type()) {
        case json::value_t::null:
        case json::value_t::boolean:
        case json::value_t::number_integer:
        case json::value_t::number_unsigned: return deliver(value);
        case json::value_t::number_float:
            return refuse(
                fmt::format("floating-point number at {} cannot be canonicalised; use an integer or a "
                            "decimal string in signed contracts",
                            path_text(path_)));
        case json::value_t::string: {
            auto normal = checked_normal_form(value.get_ref<const std::string&>());
            if (!normal) return refuse(fmt::format("string at {} is not valid UTF-8", path_text(path_)));
            return deliver(std::move(*normal));
        }
        case json::value_t::array:
        case json::value_t::object:
        case json::value_t::binary:
        case json::value_t::discarded: break;
        }
        return refuse(fmt::format("value at {} is not representable as JSON", path_text(path_)));
    }

    bool begin_array(const json::array_t& elements) {
        Open array{json(json::value_t::array), {}};
        array.value.get_ref<json::array_t&>().reserve(elements.size());
        open_.push_back(std::move(array));
        return true;
    }

    bool element(std::size_t index) {
        path_.push_back(std::to_string(index));
        return true;
    }

    bool end_array() { return deliver_innermost(); }

    bool begin_object(const json::object_t& entries) {
        Open object{json(json::value_t::object), {}};
        object.pairs.reserve(entries.size());
        open_.push_back(std::move(object));
        return true;
    }

    bool member(const std::string& key, std::size_t) {
        auto normal_key = checked_normal_form(key);
        if (!normal_key)
            return refuse(fmt::format("object key {} at {} is not valid UTF-8", orrincore_error::quoted_form(key),
                                      path_text(path_)));
        path_.push_back(std::move(*normal_key));
        return true;
    }

    // Values are canonicalised before the keys are compared, so a refusal
    // inside a value wins over a duplicate key of the object holding it. The
    // duplicate check runs on collected pairs: inserting into the map first
    // would silently merge them.
    bool end_object() {
        auto& pairs = open_.back().pairs;
        const auto by_key = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(pairs.begin(), pairs.end(), by_key)) std::sort(pairs.begin(), pairs.end(), by_key);
        const auto duplicate = std::adjacent_find(pairs.begin(), pairs.end(),
                                                  [](const auto& a, const auto& b) { return a.first == b.first; });
        if (duplicate != pairs.end())
            return refuse(fmt::format("duplicate object key {} after Unicode normalisation",
                                      orrincore_error::quoted_form(duplicate->first)));
        auto& out = open_.back().value.get_ref<json::object_t&>();
        for (auto& [key, value] : pairs) out.emplace_hint(out.end(), std::move(key), std::move(value));
        return deliver_innermost();
    }

    Result<json> result() && {
        if (error_) return std::unexpected(std::move(*error_));
        return std::move(result_);
    }

private:
    // An array or object still being filled: an array's elements go straight
    // into `value`, an object's members wait in `pairs` for the key check.
    struct Open {
        json value;
        std::vector<std::pair<std::string, json>> pairs;
    };

    // Hands a finished value to the array or object it is in, which takes the
    // normalised key from the path, or makes it the result.
    template <class Value>
    bool deliver(Value&& value) {
        if (open_.empty()) {
            result_ = std::forward<Value>(value);
            return true;
        }
        Open& parent = open_.back();
        if (auto* elements = parent.value.get_ptr<json::array_t*>()) elements->emplace_back(std::forward<Value>(value));
        else parent.pairs.emplace_back(std::move(path_.back()), std::forward<Value>(value));
        path_.pop_back();
        return true;
    }

    bool deliver_innermost() {
        json finished = std::move(open_.back().value);
        open_.pop_back();
        return deliver(std::move(finished));
    }

    bool refuse(std::string text) {
        error_.emplace(CanonicalSerialization{std::move(text)});
        return false;
    }

    Path path_;
    std::vector<Open> open_;
    json result_;
    std::optional<CoreError> error_;
};

// ---- writing ---------------------------------------------------------------

using orrincore_json::CollectingOutput;
using orrincore_json::TextOutput;

// Puts the compact text of what it walks: write_value.
class CompactWriter {
public:
    explicit CompactWriter(TextOutput& out) : out_(out) {}

    bool scalar(const json& value) {
        switch (value.type()) {
        case json::value_t::boolean: out_.put(value.get_ref<const json::boolean_t&>() ? "true" : "false"); break;
        case json::value_t::number_unsigned:
            orrincore_json::put_integer(value.get_ref<const json::number_unsigned_t&>(), out_);
            break;
        case json::value_t::number_integer:
            orrincore_json::put_integer(value.get_ref<const json::number_integer_t&>(), out_);
            break;
        case json::value_t::string: orrincore_json::put_json_string(value.get_ref<const std::string&>(), out_); break;
        default: out_.put("null");  // null, and floats and binary, which canonicalize refuses
        }
        return true;
    }
    bool begin_array(const json::array_t&) {
        out_.put('[');
        return true;
    }
    bool element(std::size_t index) {
        if (index != 0) out_.put(',');
        return true;
    }
    bool end_array() {
        out_.put(']');
        return true;
    }
    bool begin_object(const json::object_t&) {
        out_.put('{');
        return true;
    }
    bool member(const std::string& key, std::size_t index) {
        if (index != 0) out_.put(',');
        orrincore_json::put_json_string(key, out_);
        out_.put(':');
        return true;
    }
    bool end_object() {
        out_.put('}');
        return true;
    }

protected:
    TextOutput& out_;
};

// Whether `text` is UTF-8 that normalisation keeps as it is.
bool is_normal_text(std::string_view text) {
    return is_ascii(text) || (orrincore_error::is_valid_utf8(text) && !has_composable_pair(text));
}

// The canonical form of a text: as it is, or composed. False, with nothing
// written, when it is not UTF-8.
bool put_normal_text(std::string_view text, TextOutput& out) {
    if (is_normal_text(text)) {
        orrincore_json::put_json_string(text, out);
        return true;
    }
    if (!orrincore_error::is_valid_utf8(text)) return false;
    orrincore_json::put_json_string(compose_pairs(text), out);
    return true;
}

// Puts what canonicalize followed by write_value gives for the value it
// walks, as long as canonicalize keeps every key as it is. Then the map's
// ascending byte order is the canonical order and no two keys can meet after
// normalisation. Stops, with the output partly written, at the first key that
// does not stay or anything canonicalize refuses; the full walk then gives
// the answer.
class KeepingKeysWriter : public CompactWriter {
public:
    using CompactWriter::CompactWriter;

    bool scalar(const json& value) {
        switch (value.type()) {
        case json::value_t::string: return put_normal_text(value.get_ref<const std::string&>(), out_);
        case json::value_t::number_float:
        case json::value_t::binary:
        case json::value_t::discarded: return false;
        default: return CompactWriter::scalar(value);
        }
    }
    bool member(const std::string& key, std::size_t index) {
        return is_normal_text(key) && CompactWriter::member(key, index);
    }
};

}  // namespace

std::string normalize_string(std::string_view text) {
    if (is_ascii(text)) return std::string(text);
    return compose_pairs(text);
}

Result<json> canonicalize(const json& value, const Path& path) {
    Canonicalizer canonicalizer(path);
    detail::walk(value, canonicalizer);
    return std::move(canonicalizer).result();
}

namespace {

// Into an empty `out` without the capacity for it the text moves: appending would
// hold it twice.
void append(CollectingOutput& written, std::string& out) {
    std::string text = written.take();
    if (out.empty() && out.capacity() < text.size()) {
        out = std::move(text);
    } else {
        out += text;
    }
}

}  // namespace

void write_escaped_string(std::string_view text, std::string& out) {
    CollectingOutput written;
    orrincore_json::put_json_string(text, written);
    append(written, out);
}

void write_value(const json& value, std::string& out) {
    CollectingOutput written;
    CompactWriter writer(written);
    detail::walk(value, writer);
    append(written, out);
}

std::optional<std::string> detail::write_keeping_keys(const json& value) {
    CollectingOutput written;
    KeepingKeysWriter writer(written);
    if (!detail::walk(value, writer)) return std::nullopt;
    return written.take();
}

bool detail::CanonicalWriter::text(const std::string& text) { return put_normal_text(text, out_); }

bool detail::CanonicalWriter::value_form(const json& value) {
    KeepingKeysWriter writer(out_);
    return detail::walk(value, writer);
}

Result<std::string> to_canonical_json(const json& value_form) {
    // Nearly every value form keeps its keys under normalisation and holds no
    // float: write it straight from the input, sparing the copy canonicalize
    // would build. Anything else, refusals included, takes the full walk.
    if (auto bytes = detail::write_keeping_keys(value_form)) return *std::move(bytes);
    auto canonical = canonicalize(value_form, {});
    if (!canonical) return std::unexpected(canonical.error());
    std::string bytes;
    write_value(*canonical, bytes);
    return bytes;
}

}  // namespace orrincore_crypto::canonical
