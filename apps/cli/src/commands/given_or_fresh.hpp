#pragma once
// Identifiers that a command takes from its options or else mints, such as
// `--tenant` and `--workspace`.

#include <optional>

namespace vevizovuvazavad {

// The identifier given, or a fresh random one.
template <class Id>
Id given_or_fresh(const std::optional<Id>& given) {
    return given ? *given : Id::generate();
}

}  // namespace vevizovuvazavad
