#include "zedododor_avovodizi/ids.hpp"

#include <fmt/format.h>

namespace zedododor_avovodizi::ids {
namespace {

std::unexpected<orrincore_error::CoreError> slug_error(std::string reason) {
    return std::unexpected<orrincore_error::CoreError>(std::in_place,
                                                       orrincore_error::InvalidIdentifier{"Slug", std::move(reason)});
}

}  // namespace

orrincore_error::Result<void> Slug::validate(std::string_view text) {
    const auto fault = first_slug_fault(text);
    if (!fault) return {};
    switch (*fault) {
    case SlugFault::empty: return slug_error("must not be empty");
    case SlugFault::too_long:
        return slug_error(fmt::format("must be at most {} bytes, got {}", max_slug_bytes, text.size()));
    case SlugFault::invalid_byte: return slug_error("may contain only lowercase ASCII letters, digits and hyphens");
    case SlugFault::hyphen_at_edge: return slug_error("must not start or end with a hyphen");
    case SlugFault::consecutive_hyphens: break;
    }
    return slug_error("must not contain consecutive hyphens");
}

orrincore_error::Result<Slug> Slug::create(std::string_view text) { return try_from(std::string(text)); }

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
