#include "command_line/similar_name.hpp"

#include <algorithm>
#include <vector>

namespace vevizovuvazavad {

// The rule command-line parsers commonly suggest names by, kept as it is:
// plain Jaro similarity (no Winkler prefix bonus), transpositions halved in
// integers as strcmp95 does, and a name suggested only above 0.7.
double jaro_similarity(std::string_view a, std::string_view b) {
    if (a.empty() && b.empty()) return 1.0;
    if (a.empty() || b.empty()) return 0.0;
    // Characters match when equal and no further apart than this.
    const std::size_t reach = std::max(a.size(), b.size()) / 2;
    const std::size_t window = reach > 0 ? reach - 1 : 0;

    std::vector<bool> b_matched(b.size(), false);
    std::string a_matches;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::size_t from = i > window ? i - window : 0;
        const std::size_t to = std::min(b.size(), i + window + 1);
        for (std::size_t j = from; j < to; ++j) {
            if (!b_matched[j] && a[i] == b[j]) {
                b_matched[j] = true;
                a_matches.push_back(a[i]);
                break;
            }
        }
    }
    if (a_matches.empty()) return 0.0;

    // Matched characters out of order, counted in pairs.
    std::size_t out_of_order = 0;
    std::size_t k = 0;
    for (std::size_t j = 0; j < b.size(); ++j) {
        if (!b_matched[j]) continue;
        if (b[j] != a_matches[k]) ++out_of_order;
        ++k;
    }
    const double m = static_cast<double>(a_matches.size());
    const double t = static_cast<double>(out_of_order / 2);
    return (m / static_cast<double>(a.size()) + m / static_cast<double>(b.size()) + (m - t) / m) / 3.0;
}

std::optional<std::string> most_similar(std::string_view typed, std::span<const std::string> candidates) {
    std::optional<std::string> best;
    double best_similarity = 0.7;
    for (const std::string& candidate : candidates) {
        const double similarity = jaro_similarity(typed, candidate);
        if (similarity > best_similarity) {
            best_similarity = similarity;
            best = candidate;
        }
    }
    return best;
}

}  // namespace vevizovuvazavad
