#include "zedododor_avovodizi/uuid.hpp"

#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <span>

namespace zedododor_avovodizi::ids {
namespace {

constexpr std::size_t longest_form = 45;
constexpr std::size_t simple_digits = 32;
constexpr std::string_view urn_prefix = "urn:uuid:";
constexpr std::array<std::size_t, 5> group_lengths{8, 4, 4, 4, 12};

using orrincore_error::hex::digit_value;

struct MessageOf {
    std::string operator()(const uuid_parse_error::InvalidLength& e) const {
        return fmt::format("invalid length: found {}", e.found);
    }
    std::string operator()(const uuid_parse_error::InvalidCharacter& e) const {
        return fmt::format("invalid character: found `{}` at {}", e.character, e.index);
    }
    std::string operator()(const uuid_parse_error::InvalidGroupCount& e) const {
        return fmt::format("invalid group count: expected 5, found {}", e.found);
    }
    std::string operator()(const uuid_parse_error::InvalidGroupLength& e) const {
        return fmt::format("invalid group length in group {}: expected {}, found {}", e.group, e.expected, e.found);
    }
};

// The character that starts at byte `at`, whole, for a message: a UTF-8
// sequence, or U+FFFD when the bytes there are not one (messages must stay
// valid UTF-8).
std::string character_at(std::string_view text, std::size_t at) {
    std::string character;
    orrincore_error::append_utf8(character, orrincore_error::decode_character(text, at).code_point);
    return character;
}

// The version and variant bits over 16 random bytes.
Uuid version_4_of(Uuid::Bytes bytes) {
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);  // variant 10
    return Uuid(bytes);
}

// A new identifier has no error result: without a random source, which a
// program checks at start-up (orrincore_crypto::initialize), the process
// stops.
void draw_random(std::span<std::byte> bytes) {
    if (::getentropy(bytes.data(), bytes.size()) != 0) std::abort();
}

}  // namespace

Uuid Uuid::random_v4() {
    Bytes bytes;
    draw_random(std::as_writable_bytes(std::span(bytes)));
    return version_4_of(bytes);
}

std::vector<Uuid> Uuid::random_v4(std::size_t count) {
    constexpr std::size_t per_draw = 256 / sizeof(Bytes);  // getentropy's most
    std::vector<Uuid> uuids;
    uuids.reserve(count);
    std::array<Bytes, per_draw> drawn;
    while (uuids.size() < count) {
        const std::size_t now = std::min(per_draw, count - uuids.size());
        draw_random(std::as_writable_bytes(std::span(drawn.data(), now)));
        for (std::size_t i = 0; i < now; ++i) uuids.push_back(version_4_of(drawn[i]));
    }
    return uuids;
}

std::string UuidParseError::message() const { return std::visit(MessageOf{}, variant()); }

namespace {

// The hyphenated form, which every writer writes, read straight away; nothing
// when `text` is not that form, and the general reading decides.
std::optional<Uuid> parse_hyphenated(std::string_view text) {
    if (text.size() != Uuid::text_length) return std::nullopt;
    Uuid::Bytes bytes{};
    std::size_t at = 0;
    std::size_t byte = 0;
    for (const std::size_t digits : group_lengths) {
        if (at != 0 && text[at - 1] != '-') return std::nullopt;
        const auto group = std::span(bytes).subspan(byte, digits / 2);
        if (orrincore_error::hex::decode(text.substr(at, digits), group) != group.size()) return std::nullopt;
        at += digits + 1;
        byte += group.size();
    }
    return Uuid(bytes);
}

}  // namespace

std::expected<Uuid, UuidParseError> Uuid::parse(std::string_view text) {
    if (auto uuid = parse_hyphenated(text)) return *uuid;
    if (text.empty() || text.size() > longest_form) {
        return std::unexpected(uuid_parse_error::InvalidLength{text.size()});
    }

    // The braced and URN forms wrap a hyphenated body; a bare text may be
    // simple or hyphenated.
    std::string_view body = text;
    std::size_t offset = 0;
    bool wrapped = true;
    if (text.size() >= 2 && text.front() == '{' && text.back() == '}') {
        offset = 1;
        body = text.substr(1, text.size() - 2);
    } else if (text.starts_with(urn_prefix)) {
        offset = urn_prefix.size();
        body = text.substr(offset);
    } else {
        wrapped = false;
    }

    std::array<std::size_t, 4> hyphen_at{};
    std::size_t hyphens = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '-') {
            if (hyphens < hyphen_at.size()) hyphen_at[hyphens] = i;
            ++hyphens;
        } else if (digit_value(body[i]) < 0) {
            return std::unexpected(uuid_parse_error::InvalidCharacter{character_at(text, offset + i), offset + i});
        }
    }

    if (hyphens == 0 && !wrapped) {
        if (body.size() != simple_digits) return std::unexpected(uuid_parse_error::InvalidLength{text.size()});
    } else {
        if (hyphens != hyphen_at.size()) {
            return std::unexpected(uuid_parse_error::InvalidGroupCount{hyphens + 1});
        }
        std::size_t start = 0;
        for (std::size_t group = 0; group < group_lengths.size(); ++group) {
            const std::size_t end = group < hyphen_at.size() ? hyphen_at[group] : body.size();
            if (end - start != group_lengths[group]) {
                return std::unexpected(uuid_parse_error::InvalidGroupLength{group, group_lengths[group], end - start});
            }
            start = end + 1;
        }
    }

    // Every byte of the body is now a hex digit or a hyphen in its place.
    std::array<char, simple_digits> digits{};
    std::size_t count = 0;
    for (const char c : body)
        if (c != '-') digits[count++] = c;
    Bytes bytes{};
    orrincore_error::hex::decode(std::string_view(digits.data(), digits.size()), bytes);
    return Uuid(bytes);
}

void Uuid::write_text(std::span<char, text_length> out) const {
    char* at = out.data();
    const std::span<const std::uint8_t> bytes(bytes_);
    std::size_t start = 0;
    for (const std::size_t digits : group_lengths) {
        if (start != 0) *at++ = '-';
        at = orrincore_error::hex::write_lower(bytes.subspan(start, digits / 2), at);
        start += digits / 2;
    }
}

std::string Uuid::to_string() const {
    std::array<char, text_length> text;
    write_text(text);
    return std::string(text.data(), text.size());
}

}  // namespace zedododor_avovodizi::ids
