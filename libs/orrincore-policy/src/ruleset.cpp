#include "orrincore_policy/ruleset.hpp"

namespace orrincore_policy {

bool PolicyRule::conditions_match(const ConditionMap& conditions, const std::map<std::string, std::string>& values) {
    for (const auto& [key, condition] : conditions) {
        const auto found = values.find(key);
        const auto value = found == values.end() ? std::nullopt : std::optional<std::string_view>(found->second);
        if (!condition.matches(value)) return false;
    }
    return true;
}

}  // namespace orrincore_policy
