#include "orrincore_policy/action_id.hpp"

#include <fmt/format.h>
#include <orrincore_error/text.hpp>

namespace orrincore_policy::eval {

using orrincore_error::Result;
using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::Slug;

Result<void> PolicyActionId::validate_segments(std::span<const Slug> segments) {
    if (segments.empty())
        return std::unexpected(orrincore_error::validation("policy action id must have at least one path segment"));
    if (segments.size() > max_segments)
        return std::unexpected(orrincore_error::validation(
            fmt::format("policy action id must have at most {} path segments, got {}", max_segments, segments.size())));
    return {};
}

Result<PolicyActionId> PolicyActionId::create(ProductId product, std::span<const std::string_view> segments) {
    std::vector<Slug> path;
    path.reserve(segments.size());
    for (std::string_view segment : segments) {
        auto slug = Slug::create(segment);
        if (!slug) return std::unexpected(slug.error());
        path.push_back(std::move(*slug));
    }
    if (auto count = validate_segments(path); !count) return std::unexpected(count.error());
    return PolicyActionId(std::move(product), std::move(path));
}

Result<PolicyActionId> PolicyActionId::from_str(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::unexpected(orrincore_error::validation(fmt::format(
            "policy action id {} must be \"<product>:<action.path>\"", orrincore_error::quoted_form(text))));
    auto product = ProductId::create(text.substr(0, colon));
    if (!product) return std::unexpected(product.error());

    // Every '.' splits, so empty pieces survive (an empty path is one empty
    // piece) and fail as empty slugs.
    std::vector<Slug> path;
    std::string_view rest = text.substr(colon + 1);
    for (;;) {
        const std::size_t dot = rest.find('.');
        auto slug = Slug::create(rest.substr(0, dot));
        if (!slug) return std::unexpected(slug.error());
        path.push_back(std::move(*slug));
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    if (auto count = validate_segments(path); !count) return std::unexpected(count.error());
    return PolicyActionId(std::move(*product), std::move(path));
}

std::string PolicyActionId::to_string() const {
    std::string text = product_.to_string();
    text += ':';
    for (std::size_t i = 0; i < path_.size(); ++i) {
        if (i > 0) text += '.';
        text += path_[i].to_string();
    }
    return text;
}

}  // namespace orrincore_policy::eval

namespace orrincore_json {

using orrincore_policy::eval::PolicyActionId;

ReadResult<PolicyActionId> Json<PolicyActionId>::read(Reader& reader) {
    return read_parsed_string<PolicyActionId>(reader,
                                              [](std::string_view text) { return PolicyActionId::from_str(text); });
}

}  // namespace orrincore_json
