#include "io/seed_file.hpp"

#include <sodium.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include "io/hex.hpp"
#include "io/os_error.hpp"
#include "io/read_file.hpp"
#include "io/replace_file.hpp"

namespace vevizovuvazavad::io {
namespace {

constexpr const char* malformed_seed = "key file must hold a 64-char hex seed";

// Wipes a text holding secret digits when it goes out of scope.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& text) : text_(text) {}
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;
    ~WipeOnExit() { sodium_memzero(text_.data(), text_.size()); }

private:
    std::string& text_;
};

// `text` without the characters of the Unicode White_Space property at
// either end; `text` is valid UTF-8. ICU counts in int32_t, so it only ever
// sees one character's window.
std::string_view trim_white_space(std::string_view text) {
    while (!text.empty()) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        const auto window = static_cast<std::int32_t>(std::min<std::size_t>(text.size(), U8_MAX_LENGTH));
        std::int32_t end = 0;
        UChar32 c = 0;
        U8_NEXT(bytes, end, window, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        text.remove_prefix(static_cast<std::size_t>(end));
    }
    while (!text.empty()) {
        const auto window = static_cast<std::int32_t>(std::min<std::size_t>(text.size(), U8_MAX_LENGTH));
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data() + text.size() - window);
        std::int32_t start = window;
        UChar32 c = 0;
        U8_PREV(bytes, 0, start, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        text.remove_suffix(static_cast<std::size_t>(window - start));
    }
    return text;
}

}  // namespace

std::expected<orrincore_crypto::SigningKey, std::string> read_seed_file(const std::string& path) {
    auto content = read_file(path);
    if (!content) return std::unexpected(path_error_text(path, content.error()));
    WipeOnExit wipe_content(*content);
    if (!orrincore_error::is_valid_utf8(*content))
        return std::unexpected(fmt::format("{}: stream did not contain valid UTF-8", display_path(path)));

    const std::string_view digits = trim_white_space(*content);
    orrincore_crypto::SigningKey::Seed seed{};
    if (digits.size() != 2 * seed.size()) return std::unexpected(malformed_seed);
    for (std::size_t i = 0; i < seed.size(); ++i) {
        const int high = orrincore_error::hex::digit_value(digits[2 * i]);
        const int low = orrincore_error::hex::digit_value(digits[2 * i + 1]);
        if (high < 0 || low < 0) {
            sodium_memzero(seed.data(), seed.size());
            return std::unexpected(malformed_seed);
        }
        seed[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    auto key = orrincore_crypto::SigningKey::from_bytes(seed);
    sodium_memzero(seed.data(), seed.size());
    return key;
}

std::expected<void, int> write_seed_file(const std::string& path, const orrincore_crypto::SigningKey& key) {
    std::string digits = hex_lower(key.seed());
    WipeOnExit wipe_digits(digits);
    return replace_file(path, digits, FileMode::owner_only);
}

}  // namespace vevizovuvazavad::io
