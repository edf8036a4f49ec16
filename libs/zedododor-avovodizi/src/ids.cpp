#include "zedododor_avovodizi/ids.hpp"

#include <fmt/format.h>

namespace zedododor_avovodizi::ids {
namespace {

constexpr std::size_t kMaxSlugBytes = 64;

std::unexpected<orrincore_error::CoreError> slug_error(std::string reason) {
    return std::unexpected<orrincore_error::CoreError>(
        std::in_place, orrincore_error::InvalidIdentifier{"Slug", std::move(reason)});
}

// Bytes, not characters: the locale-dependent <cctype> tests are undefined for
// bytes of 0x80 and above.
constexpr bool is_slug_byte(unsigned char b) {
    return (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-';
}

}  // namespace

orrincore_error::Result<void> Slug::validate(std::string_view text) {
    if (text.empty()) {
        return slug_error("must not be empty");
    }
    if (text.size() > kMaxSlugBytes) {
        return slug_error(
            fmt::format("must be at most {} bytes, got {}", kMaxSlugBytes, text.size()));
    }
    for (char c : text) {
        if (!is_slug_byte(static_cast<unsigned char>(c))) {
            return slug_error("may contain only lowercase ASCII letters, digits and hyphens");
        }
    }
    if (text.front() == '-' || text.back() == '-') {
        return slug_error("must not start or end with a hyphen");
    }
    if (text.find("--") != std::string_view::npos) {
        return slug_error("must not contain consecutive hyphens");
    }
    return {};
}

orrincore_error::Result<Slug> Slug::create(std::string_view text) {
    return try_from(std::string(text));
}

orrincore_error::Result<Slug> Slug::try_from(std::string text) {
    if (auto valid = validate(text); !valid) {
        return std::unexpected(valid.error());
    }
    return Slug(std::move(text));
}

orrincore_error::Result<ProductId> ProductId::create(std::string_view text) {
    if (auto valid = Slug::validate(text); !valid) {
        return std::unexpected(valid.error());
    }
    return ProductId(std::string(text));
}

}  // namespace zedododor_avovodizi::ids
