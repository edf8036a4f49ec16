#pragma once
// The "did you mean" of usage errors: the known name most like a mistyped
// one, by Jaro similarity, as the conventional parsers suggest it.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vevizovuvazavad {

// 1 for equal texts, 0 for texts with nothing in common; compares bytes.
double jaro_similarity(std::string_view a, std::string_view b);

// The candidate most similar to `typed`, if its similarity is above 0.7; the
// first of equally similar ones.
std::optional<std::string> most_similar(std::string_view typed, std::span<const std::string> candidates);

}  // namespace vevizovuvazavad
