#include "gate/release_refusal.hpp"

#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>

namespace vevizovuvazavad {

std::string release_refusal_text(const orrincore_policy::PolicyDecision& decision,
                                 const vuvadededoru_contracts::ContractError& error) {
    if (vuvadededoru_contracts::authorises_release(decision.decision)) return error.message();
    return fmt::format("{}: policy evaluated to {} — {}", error.message(),
                       orrincore_json::debug_name(decision.decision), decision.reason);
}

}  // namespace vevizovuvazavad
