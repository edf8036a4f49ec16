#pragma once
// The signed ruleset file: a policy ruleset as the payload of a signed
// envelope. Evaluate only the ruleset that `open` returns.

#include <orrincore_crypto/envelope.hpp>

#include "orrincore_policy/ruleset.hpp"

namespace orrincore_policy {

using SignedPolicyRuleset = orrincore_crypto::SignedEnvelope<PolicyRuleset>;

}  // namespace orrincore_policy
