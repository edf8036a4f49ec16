#pragma once
// The instants the engine rules are about: a package sealed on 2024-01-01
// for 30 days, and the times around its expiry.

#include <vevi_testing/fixed_values.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace engine_fixture {

namespace ids = zedododor_avovodizi::ids;
using zedododor_avovodizi::time::Timestamp;

inline const Timestamp sealed_at = vevi_testing::at("2024-01-01T00:00:00Z");
inline const Timestamp expiry = vevi_testing::at("2024-01-31T00:00:00Z");  // 30 days later
inline const Timestamp before_expiry = vevi_testing::at("2024-01-15T00:00:00Z");
inline const Timestamp after_expiry = vevi_testing::at("2024-02-01T00:00:00Z");

}  // namespace engine_fixture
