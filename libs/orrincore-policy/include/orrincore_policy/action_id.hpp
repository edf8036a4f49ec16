#pragma once
// `PolicyActionId`: the action a policy rule governs, written
// "<product>:<segment>.<segment>...", as in vuvadededoru:legal-hold.release.

#include <cstddef>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_error/error.hpp>
#include <orrincore_json/json.hpp>
#include <zedododor_avovodizi/ids.hpp>

namespace orrincore_policy::eval {

// A product and 1 to 6 slug segments. Only obtainable through the checks of
// `create` and `from_str`; since a slug holds neither ':' nor '.', two ids
// are equal exactly when their text forms are.
class PolicyActionId {
public:
    static constexpr std::size_t max_segments = 6;

    // Each segment text becomes a `Slug` (the first invalid one fails with
    // its slug error), then the count is checked.
    static orrincore_error::Result<PolicyActionId> create(zedododor_avovodizi::ids::ProductId product,
                                                          std::span<const std::string_view> segments);
    static orrincore_error::Result<PolicyActionId> create(zedododor_avovodizi::ids::ProductId product,
                                                          std::initializer_list<std::string_view> segments) {
        return create(std::move(product), std::span<const std::string_view>(segments.begin(), segments.size()));
    }

    // Only the count: at least one segment, at most six.
    static orrincore_error::Result<void> validate_segments(std::span<const zedododor_avovodizi::ids::Slug> segments);

    // Parses the text form. Every segment is checked before the count, so a
    // long path with a bad segment reports the segment.
    static orrincore_error::Result<PolicyActionId> from_str(std::string_view text);

    const zedododor_avovodizi::ids::ProductId& product() const { return product_; }
    const std::vector<zedododor_avovodizi::ids::Slug>& path() const { return path_; }

    // The text form: product, ':' and the segments joined with '.'.
    std::string to_string() const;

    friend bool operator==(const PolicyActionId&, const PolicyActionId&) = default;

private:
    PolicyActionId(zedododor_avovodizi::ids::ProductId product, std::vector<zedododor_avovodizi::ids::Slug> path)
        : product_(std::move(product)), path_(std::move(path)) {}

    zedododor_avovodizi::ids::ProductId product_;
    std::vector<zedododor_avovodizi::ids::Slug> path_;
};

// The text form, unchanged; stream widths and fills are not applied.
inline std::ostream& operator<<(std::ostream& out, const PolicyActionId& id) {
    const std::string text = id.to_string();
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace orrincore_policy::eval

// A JSON string of the text form; a text that does not parse fails with the
// id's own error message.
template <>
struct orrincore_json::Json<orrincore_policy::eval::PolicyActionId> {
    static ReadResult<orrincore_policy::eval::PolicyActionId> read(Reader& reader);

    template <class J>
    static J write(const orrincore_policy::eval::PolicyActionId& id) {
        return J(id.to_string());
    }
};
