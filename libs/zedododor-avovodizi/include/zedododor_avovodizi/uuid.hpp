#pragma once
// A 128-bit UUID: random version-4 generation, the four text forms on reading
// and the lower-case hyphenated form on writing.

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_error/variant_error.hpp>

namespace zedododor_avovodizi::ids {

// The variants of `UuidParseError`. Positions count bytes from 0.
namespace uuid_parse_error {

struct InvalidLength {
    std::size_t found;  // the byte length of the whole text
    bool operator==(const InvalidLength&) const = default;
};
struct InvalidCharacter {
    std::string character;  // the whole character, or U+FFFD where the bytes are not UTF-8
    std::size_t index;
    bool operator==(const InvalidCharacter&) const = default;
};
struct InvalidGroupCount {
    std::size_t found;
    bool operator==(const InvalidGroupCount&) const = default;
};
struct InvalidGroupLength {
    std::size_t group;  // counted from 0
    std::size_t expected;
    std::size_t found;
    bool operator==(const InvalidGroupLength&) const = default;
};

}  // namespace uuid_parse_error

// Why a text is not a UUID; `message()` is the parser's message.
class UuidParseError
    : public orrincore_error::VariantError<uuid_parse_error::InvalidLength, uuid_parse_error::InvalidCharacter,
                                           uuid_parse_error::InvalidGroupCount, uuid_parse_error::InvalidGroupLength> {
public:
    using VariantError::VariantError;

    std::string message() const;
};

class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    constexpr explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // 122 random bits from the operating system (getentropy), version 4,
    // variant 10. Has no error result: the process stops if the random
    // source fails, which a program rules out at start-up
    // (orrincore_crypto::initialize).
    static Uuid random_v4();
    // `count` of them, each as random_v4 makes one, drawn from the random
    // source in as few calls as it allows (256 bytes a call, 16 UUIDs): a
    // manifest takes one per chunk.
    static std::vector<Uuid> random_v4(std::size_t count);

    // Reads the simple (32 hex digits), hyphenated (8-4-4-4-12), braced
    // ("{" hyphenated "}") and URN ("urn:uuid:" hyphenated) forms, hex digits
    // in either case.
    static std::expected<Uuid, UuidParseError> parse(std::string_view text);

    constexpr const Bytes& bytes() const { return bytes_; }

    // 36 characters: lower-case hex in groups 8-4-4-4-12 joined by hyphens.
    std::string to_string() const;
    static constexpr std::size_t text_length = 36;
    void write_text(std::span<char, text_length> out) const;

    friend constexpr bool operator==(const Uuid&, const Uuid&) = default;
    friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_;
};

}  // namespace zedododor_avovodizi::ids
