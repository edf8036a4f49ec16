#include "orrincore_json/reader.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "messages.hpp"
#include "orrincore_error/hex.hpp"
#include "orrincore_error/text.hpp"

namespace orrincore_json {

namespace {

constexpr bool is_whitespace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Bytes that end the plain run of a string: control characters, '"', '\'.
constexpr auto string_stops = [] {
    std::array<bool, 256> table{};
    for (std::size_t c = 0; c < 0x20; ++c) table[c] = true;
    table['"'] = true;
    table['\\'] = true;
    return table;
}();

constexpr bool stops_string(char c) { return string_stops[static_cast<unsigned char>(c)]; }

// The first byte from `at` on that ends the plain run of a string, looked
// for eight bytes at a time while none of them can: most strings are long
// runs of plain text.
std::size_t next_string_stop(std::string_view input, std::size_t at) {
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    for (; input.size() - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, input.data() + at, sizeof word);
        const std::uint64_t quote = word ^ (ones * '"');
        const std::uint64_t backslash = word ^ (ones * '\\');
        // A high bit set where a byte is below 0x20 or equals one of them
        // (or, past the first such byte, spuriously: the bytes are then
        // looked at one by one).
        const std::uint64_t stops =
            ((word - ones * 0x20) & ~word) | ((quote - ones) & ~quote) | ((backslash - ones) & ~backslash);
        if ((stops & highs) != 0) break;
    }
    while (at < input.size() && !stops_string(input[at])) ++at;
    return at;
}

template <class T>
std::unexpected<ReadError> fail(ReadResult<T>&& result) {
    return std::unexpected(std::move(result).error());
}

}  // namespace

Reader::Reader(std::string_view document) : input_(document) {}

std::optional<char> Reader::peek_raw() const {
    if (index_ < input_.size()) return input_[index_];
    return std::nullopt;
}

void Reader::skip_whitespace() {
    while (index_ < input_.size() && is_whitespace(input_[index_])) ++index_;
}

std::optional<char> Reader::peek() {
    skip_whitespace();
    return peek_raw();
}

Position Reader::position_of(std::size_t index) const {
    Position position{1, 0};
    for (std::size_t i = 0; i < index; ++i) {
        if (input_[i] == '\n') {
            ++position.line;
            position.column = 0;
        } else {
            ++position.column;
        }
    }
    return position;
}

ReadError Reader::error_here(std::string message) const { return {std::move(message), position_of(index_)}; }

ReadError Reader::error_at_next(std::string message) const {
    return {std::move(message), position_of(std::min(input_.size(), index_ + 1))};
}

ReadError Reader::custom_error(std::string message) const { return error_here(std::move(message)); }

ReadError Reader::invalid_value(std::string_view found, std::string_view expected) const {
    return error_here(messages::invalid_value(found, expected));
}

ReadError Reader::invalid_type(const Number& found, std::string_view expected) const {
    return error_here(messages::invalid_type(found.describe(), expected));
}

ReadError Reader::invalid_type(std::string_view expected) {
    skip_whitespace();
    std::string found;
    auto c = peek_raw();
    if (!c) return error_at_next(messages::eof_value);
    switch (*c) {
    case 'n':
        ++index_;
        if (auto ok = parse_ident("ull"); !ok) return std::move(ok).error();
        found = "null";
        break;
    case 't':
        ++index_;
        if (auto ok = parse_ident("rue"); !ok) return std::move(ok).error();
        found = "boolean `true`";
        break;
    case 'f':
        ++index_;
        if (auto ok = parse_ident("alse"); !ok) return std::move(ok).error();
        found = "boolean `false`";
        break;
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9': {
        bool positive = *c != '-';
        if (!positive) ++index_;
        auto number = parse_number(positive);
        if (!number) return std::move(number).error();
        found = number->describe();
        break;
    }
    case '"': {
        ++index_;
        auto text = parse_string();
        if (!text) return std::move(text).error();
        found = describe_string(*text);
        break;
    }
    case '[': found = "sequence"; break;
    case '{': found = "map"; break;
    default: return error_at_next(messages::expected_value);
    }
    return error_here(messages::invalid_type(found, expected));
}

ReadError Reader::fail_array(std::string message) {
    skip_whitespace();
    if (auto c = peek_raw(); c == ']') {
        ++index_;
    } else if (c == ',') {
        ++index_;
        skip_whitespace();
    }
    return error_here(std::move(message));
}

ReadError Reader::fail_object(std::string message) {
    skip_whitespace();
    if (peek_raw() == '}') ++index_;
    return error_here(std::move(message));
}

ReadResult<void> Reader::parse_ident(std::string_view rest) {
    for (char expected : rest) {
        if (index_ >= input_.size()) return std::unexpected(error_here(messages::eof_value));
        if (input_[index_++] != expected) return std::unexpected(error_here(messages::expected_ident));
    }
    return {};
}

ReadResult<bool> Reader::read_bool(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c == 't' || *c == 'f') {
        ++index_;
        if (auto ok = parse_ident(*c == 't' ? "rue" : "alse"); !ok) return fail(std::move(ok));
        return *c == 't';
    }
    return std::unexpected(invalid_type(expected));
}

ReadResult<Number> Reader::read_number(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c == '-') {
        ++index_;
        return parse_number(false);
    }
    if (is_digit(*c)) return parse_number(true);
    return std::unexpected(invalid_type(expected));
}

ReadResult<std::string_view> Reader::read_string_view(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c != '"') return std::unexpected(invalid_type(expected));
    ++index_;
    return parse_string();
}

ReadResult<std::string> Reader::read_string(std::string_view expected) {
    auto text = read_string_view(expected);
    if (!text) return fail(std::move(text));
    return std::string(*text);
}

ReadResult<bool> Reader::read_null_if_next() {
    if (peek() != 'n') return false;
    ++index_;
    if (auto ok = parse_ident("ull"); !ok) return fail(std::move(ok));
    return true;
}

ReadResult<void> Reader::read_unit(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c != 'n') return std::unexpected(invalid_type(expected));
    ++index_;
    return parse_ident("ull");
}

// ---------------------------------------------------------------- arrays, objects

ReadResult<void> Reader::enter() {
    if (depth_ >= max_depth) return std::unexpected(error_at_next(messages::recursion_limit));
    ++depth_;
    ++index_;
    return {};
}

ReadResult<Cursor> Reader::begin_array(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c != '[') return std::unexpected(invalid_type(expected));
    if (auto ok = enter(); !ok) return fail(std::move(ok));
    return Cursor{};
}

ReadResult<bool> Reader::next_element(Cursor& cursor) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_list));
    if (*c == ']') return false;
    if (*c == ',' && !cursor.first) {
        ++index_;
        c = peek();
        if (!c) return std::unexpected(error_at_next(messages::eof_value));
        if (*c == ']') return std::unexpected(error_at_next(messages::trailing_comma));
        return true;
    }
    if (!cursor.first) return std::unexpected(error_at_next(messages::expected_list_comma));
    cursor.first = false;
    return true;
}

ReadResult<void> Reader::end_array() {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_list));
    if (*c == ']') {
        ++index_;
        --depth_;
        return {};
    }
    if (*c == ',') {
        ++index_;
        if (peek() == ']') return std::unexpected(error_at_next(messages::trailing_comma));
    }
    return std::unexpected(error_at_next(messages::trailing_characters));
}

ReadResult<Cursor> Reader::begin_object(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c != '{') return std::unexpected(invalid_type(expected));
    if (auto ok = enter(); !ok) return fail(std::move(ok));
    return Cursor{};
}

ReadResult<std::optional<std::string_view>> Reader::next_key(Cursor& cursor) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_object));
    if (*c == '}') return std::optional<std::string_view>{};
    if (*c == ',' && !cursor.first) {
        ++index_;
        c = peek();
    } else if (cursor.first) {
        cursor.first = false;
    } else {
        return std::unexpected(error_at_next(messages::expected_object_comma));
    }
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c == '"') {
        ++index_;
        auto key = parse_string();
        if (!key) return fail(std::move(key));
        return std::optional<std::string_view>{*key};
    }
    if (*c == '}') return std::unexpected(error_at_next(messages::trailing_comma));
    return std::unexpected(error_at_next(messages::key_must_be_string));
}

ReadResult<void> Reader::read_colon() {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_object));
    if (*c != ':') return std::unexpected(error_at_next(messages::expected_colon));
    ++index_;
    return {};
}

ReadResult<void> Reader::end_object() {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_object));
    if (*c == '}') {
        ++index_;
        --depth_;
        return {};
    }
    return std::unexpected(error_at_next(*c == ',' ? messages::trailing_comma : messages::trailing_characters));
}

ReadResult<StructForm> Reader::begin_struct(std::string_view expected) {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    if (*c != '[' && *c != '{') return std::unexpected(invalid_type(expected));
    if (auto ok = enter(); !ok) return fail(std::move(ok));
    return *c == '[' ? StructForm::array : StructForm::object;
}

ReadResult<void> Reader::end() {
    if (peek()) return std::unexpected(error_at_next(messages::trailing_characters));
    return {};
}

ReadResult<std::string_view> Reader::read_any() {
    auto c = peek();
    if (!c) return std::unexpected(error_at_next(messages::eof_value));
    const std::size_t start = index_;
    switch (*c) {
    case 'n':
        if (auto null = read_null_if_next(); !null) return fail(std::move(null));
        break;
    case 't':
    case 'f':
        if (auto flag = read_bool(); !flag) return fail(std::move(flag));
        break;
    case '"':
        if (auto text = read_string_view(); !text) return fail(std::move(text));
        break;
    case '[': {
        auto cursor = begin_array("");
        if (!cursor) return fail(std::move(cursor));
        for (;;) {
            auto more = next_element(*cursor);
            if (!more) return fail(std::move(more));
            if (!*more) break;
            if (auto element = read_any(); !element) return element;
        }
        if (auto end = end_array(); !end) return fail(std::move(end));
        break;
    }
    case '{': {
        auto cursor = begin_object("");
        if (!cursor) return fail(std::move(cursor));
        for (;;) {
            auto key = next_key(*cursor);
            if (!key) return fail(std::move(key));
            if (!*key) break;
            if (auto colon = read_colon(); !colon) return fail(std::move(colon));
            if (auto member = read_any(); !member) return member;
        }
        if (auto end = end_object(); !end) return fail(std::move(end));
        break;
    }
    default:
        if (*c != '-' && !is_digit(*c)) return std::unexpected(error_at_next(messages::expected_value));
        if (auto number = read_number(""); !number) return fail(std::move(number));
        break;
    }
    return input_.substr(start, index_ - start);
}

// ---------------------------------------------------------------- strings

ReadResult<std::string_view> Reader::parse_string() {
    scratch_.clear();
    bool copied = false;
    std::size_t start = index_;
    for (;;) {
        index_ = next_string_stop(input_, index_);
        if (index_ == input_.size()) return std::unexpected(error_here(messages::eof_string));
        char c = input_[index_];
        if (c == '"') {
            std::string_view text = input_.substr(start, index_ - start);
            if (copied) {
                scratch_.append(text);
                text = scratch_;
            }
            ++index_;
            if (!orrincore_error::is_valid_utf8(text)) return std::unexpected(error_here(messages::invalid_code_point));
            return text;
        }
        if (c == '\\') {
            scratch_.append(input_.substr(start, index_ - start));
            copied = true;
            ++index_;
            if (auto ok = parse_escape(); !ok) return fail(std::move(ok));
            start = index_;
            continue;
        }
        ++index_;
        return std::unexpected(error_here(messages::control_character));
    }
}

ReadResult<std::uint16_t> Reader::decode_hex_escape() {
    if (input_.size() - index_ < 4) {
        index_ = input_.size();
        return std::unexpected(error_here(messages::eof_string));
    }
    std::uint16_t n = 0;
    for (int i = 0; i < 4; ++i) {
        const int value = orrincore_error::hex::digit_value(input_[index_++]);
        if (value < 0) return std::unexpected(error_here(messages::invalid_escape));
        n = static_cast<std::uint16_t>((n << 4) + value);
    }
    return n;
}

ReadResult<void> Reader::parse_escape() {
    if (index_ >= input_.size()) return std::unexpected(error_here(messages::eof_string));
    switch (input_[index_++]) {
    case '"': scratch_.push_back('"'); return {};
    case '\\': scratch_.push_back('\\'); return {};
    case '/': scratch_.push_back('/'); return {};
    case 'b': scratch_.push_back('\b'); return {};
    case 'f': scratch_.push_back('\f'); return {};
    case 'n': scratch_.push_back('\n'); return {};
    case 'r': scratch_.push_back('\r'); return {};
    case 't': scratch_.push_back('\t'); return {};
    case 'u': break;
    default: return std::unexpected(error_here(messages::invalid_escape));
    }
    auto first = decode_hex_escape();
    if (!first) return fail(std::move(first));
    std::uint32_t cp = *first;
    if (cp >= 0xDC00 && cp <= 0xDFFF) return std::unexpected(error_here(messages::lone_surrogate));
    if (cp >= 0xD800 && cp <= 0xDBFF) {
        // A high surrogate must be followed at once by \u and a low one.
        for (char expected : {'\\', 'u'}) {
            if (index_ >= input_.size()) return std::unexpected(error_here(messages::eof_string));
            if (input_[index_++] != expected) return std::unexpected(error_here(messages::unexpected_end_of_hex));
        }
        auto second = decode_hex_escape();
        if (!second) return fail(std::move(second));
        if (*second < 0xDC00 || *second > 0xDFFF) return std::unexpected(error_here(messages::lone_surrogate));
        cp = (((cp - 0xD800) << 10) | (*second - 0xDC00u)) + 0x10000;
    }
    orrincore_error::append_utf8(scratch_, cp);
    return {};
}

// ---------------------------------------------------------------- skipping

ReadResult<void> Reader::skip_escape() {
    if (index_ >= input_.size()) return std::unexpected(error_here(messages::eof_string));
    switch (input_[index_++]) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't': return {};
    case 'u':
        if (auto ok = decode_hex_escape(); !ok) return fail(std::move(ok));
        return {};
    default: return std::unexpected(error_here(messages::invalid_escape));
    }
}

ReadResult<void> Reader::skip_string() {
    for (;;) {
        index_ = next_string_stop(input_, index_);
        if (index_ == input_.size()) return std::unexpected(error_here(messages::eof_string));
        char c = input_[index_];
        if (c == '"') {
            ++index_;
            return {};
        }
        if (c != '\\') return std::unexpected(error_here(messages::control_character));
        ++index_;
        if (auto ok = skip_escape(); !ok) return ok;
    }
}

ReadResult<void> Reader::skip_number() {
    // Cut short by the end of the input, a skipped number (an unknown
    // field's) is an "invalid number", and one read for a field
    // (parse_number) "EOF while parsing a value": deliberately, as in
    // serde_json, whose messages ours are and which checks a value it
    // ignores and one it reads apart.
    char c = index_ < input_.size() ? input_[index_++] : '\0';
    if (c == '0') {
        if (auto next = peek_raw(); next && is_digit(*next))
            return std::unexpected(error_at_next(messages::invalid_number));
    } else if (c >= '1' && c <= '9') {
        while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
    } else {
        return std::unexpected(error_here(messages::invalid_number));
    }
    if (peek_raw() == '.') {
        ++index_;
        std::size_t digits = index_;
        while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
        if (index_ == digits) return std::unexpected(error_at_next(messages::invalid_number));
    }
    if (auto e = peek_raw(); e == 'e' || e == 'E') {
        ++index_;
        if (auto sign = peek_raw(); sign == '+' || sign == '-') ++index_;
        char first = index_ < input_.size() ? input_[index_++] : '\0';
        if (!is_digit(first)) return std::unexpected(error_here(messages::invalid_number));
        while (index_ < input_.size() && is_digit(input_[index_])) ++index_;
    }
    return {};
}

Reader::ArrayExtent Reader::skim_array() const {
    Reader ahead(input_);
    ahead.index_ = index_;
    auto cursor = ahead.begin_array("an array");
    if (!cursor) return {};
    std::size_t count = 0;
    for (;;) {
        auto more = ahead.next_element(*cursor);
        if (!more) return {};
        if (!*more) break;
        if (!ahead.skip_value()) return {};
        ++count;
    }
    if (!ahead.end_array()) return {};
    return {count, ahead.index_ - index_};
}

ReadResult<void> Reader::skip_value() {
    // Open brackets live on an explicit stack, so nesting depth costs heap,
    // never call stack.
    std::string frames;
    for (;;) {
        auto c = peek();
        if (!c) return std::unexpected(error_at_next(messages::eof_value));
        bool opened = false;
        switch (*c) {
        case 'n':
            ++index_;
            if (auto ok = parse_ident("ull"); !ok) return ok;
            break;
        case 't':
            ++index_;
            if (auto ok = parse_ident("rue"); !ok) return ok;
            break;
        case 'f':
            ++index_;
            if (auto ok = parse_ident("alse"); !ok) return ok;
            break;
        case '-':
            ++index_;
            if (auto ok = skip_number(); !ok) return ok;
            break;
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9':
            if (auto ok = skip_number(); !ok) return ok;
            break;
        case '"':
            ++index_;
            if (auto ok = skip_string(); !ok) return ok;
            break;
        case '[':
        case '{':
            frames.push_back(*c);
            ++index_;
            opened = true;
            break;
        default: return std::unexpected(error_at_next(messages::expected_value));
        }
        if (frames.empty()) return {};

        // After a value (or an opening bracket): close brackets until the
        // next value of some enclosing array or object begins.
        bool accept_comma = !opened;
        for (;;) {
            char frame = frames.back();
            auto next = peek();
            if (!next) return std::unexpected(error_at_next(frame == '[' ? messages::eof_list : messages::eof_object));
            if (*next == ',' && accept_comma) {
                ++index_;
                break;
            }
            if ((*next == ']' && frame == '[') || (*next == '}' && frame == '{')) {
                ++index_;
                frames.pop_back();
                if (frames.empty()) return {};
                accept_comma = true;
                continue;
            }
            if (accept_comma)
                return std::unexpected(
                    error_at_next(frame == '[' ? messages::expected_list_comma : messages::expected_object_comma));
            break;
        }
        if (frames.back() == '{') {
            auto quote = peek();
            if (!quote) return std::unexpected(error_at_next(messages::eof_object));
            if (*quote != '"') return std::unexpected(error_at_next(messages::key_must_be_string));
            ++index_;
            if (auto ok = skip_string(); !ok) return ok;
            auto colon = peek();
            if (!colon) return std::unexpected(error_at_next(messages::eof_object));
            if (*colon != ':') return std::unexpected(error_at_next(messages::expected_colon));
            ++index_;
        }
    }
}

}  // namespace orrincore_json
