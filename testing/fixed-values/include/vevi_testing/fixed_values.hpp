#pragma once
// The fixed values the tests write as text: instants and identifiers, read
// by the types' own parsers, and `must` for a constant that has to be valid.

#include <expected>
#include <stdexcept>
#include <string_view>
#include <utility>

#include <zedododor_avovodizi/time.hpp>

namespace vevi_testing {

// The value, or an exception naming the refusal: a test constant that does
// not hold is a fault of the test, not a case of it.
template <class T, class E>
T must(std::expected<T, E> result) {
    if (!result) throw std::runtime_error("bad test constant: " + result.error().message());
    return std::move(*result);
}

// The instant an RFC 3339 text names, as in "2024-01-01T00:00:00Z".
inline zedododor_avovodizi::time::Timestamp at(std::string_view text) {
    return must(zedododor_avovodizi::time::Timestamp::from_str(text));
}

// The identifier of type `Id` (TenantId, LegalHoldId, ...) that `text` spells.
template <class Id>
Id id(std::string_view text) {
    return must(Id::from_str(text));
}

}  // namespace vevi_testing
