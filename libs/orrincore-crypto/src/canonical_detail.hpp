#pragma once
// The walk to_canonical_json(value_form) tries first, apart for the tests
// that hold it equal to the full walk.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace orrincore_crypto::canonical::detail {

// The canonical bytes written straight from `value`, or nothing when a key
// changes under normalisation or anything would be refused, and the full
// walk must answer.
std::optional<std::string> write_keeping_keys(const nlohmann::json& value);

}  // namespace orrincore_crypto::canonical::detail
