#pragma once
// A 128-bit UUID: random version-4 generation, the four text forms on reading
// and the lower-case hyphenated form on writing.

#include <array>
#include <compare>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace zedododor_avovodizi::ids {

class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    constexpr explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // 122 random bits from the operating system, version 4, variant 10.
    // Never fails once zedododor_avovodizi::initialize() has succeeded.
    static Uuid random_v4();

    // Reads the simple (32 hex digits), hyphenated (8-4-4-4-12), braced
    // ("{" hyphenated "}") and URN ("urn:uuid:" hyphenated) forms, hex digits
    // in either case. The error is the parser's message, positions counted
    // in bytes from 0.
    static std::expected<Uuid, std::string> parse(std::string_view text);

    constexpr const Bytes& bytes() const { return bytes_; }

    // 36 characters: lower-case hex in groups 8-4-4-4-12 joined by hyphens.
    std::string to_string() const;

    friend constexpr bool operator==(const Uuid&, const Uuid&) = default;
    friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_;
};

}  // namespace zedododor_avovodizi::ids
