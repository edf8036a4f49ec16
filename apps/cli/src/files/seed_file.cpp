#include "files/seed_file.hpp"

#include <sodium.h>

#include <cerrno>
#include <string_view>

#include <fmt/format.h>
#include <orrincore_error/hex.hpp>
#include <orrincore_error/text.hpp>

#include "system/os_error.hpp"
#include "system/read_file.hpp"
#include "system/replace_file.hpp"
#include "text/unicode_text.hpp"

namespace vevizovuvazavad::files {
namespace {

constexpr const char* malformed_seed = "key file must hold a 64-char hex seed";
// Far more than 64 digits and any white space a person would put around
// them; reading stops there, so that /dev/zero is refused, not read forever.
constexpr std::size_t max_seed_file_size = 64 * 1024;

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

}  // namespace

std::expected<orrincore_crypto::SigningKey, std::string> read_seed_file(const std::string& path) {
    auto content = system::read_file(path, max_seed_file_size);
    if (!content) {
        if (content.error() == EFBIG) return std::unexpected(malformed_seed);
        return std::unexpected(system::path_error_text(path, content.error()));
    }
    WipeOnExit wipe_content(*content);
    if (!orrincore_error::is_valid_utf8(*content))
        return std::unexpected(fmt::format("{}: stream did not contain valid UTF-8", text::lossy_utf8(path)));

    const std::string_view digits = text::trim_white_space(*content);
    orrincore_crypto::SigningKey::Seed seed{};
    if (digits.size() != 2 * seed.size()) return std::unexpected(malformed_seed);
    if (orrincore_error::hex::decode(digits, seed) != seed.size()) {
        sodium_memzero(seed.data(), seed.size());
        return std::unexpected(malformed_seed);
    }
    auto key = orrincore_crypto::SigningKey::from_bytes(seed);
    sodium_memzero(seed.data(), seed.size());
    return key;
}

std::expected<void, int> write_seed_file(const std::string& path, const orrincore_crypto::SigningKey& key) {
    std::string digits = orrincore_error::hex::to_lower(key.seed());
    WipeOnExit wipe_digits(digits);
    return system::replace_file(path, digits, system::FileMode::owner_only);
}

}  // namespace vevizovuvazavad::files
