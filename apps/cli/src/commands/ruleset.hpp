#pragma once
// `vevizovuvazavad ruleset pubkey|sign`: a signer's public key, and signed policy
// rulesets.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_ruleset(const Cli& cli, const RulesetCommand& command);

}  // namespace vevizovuvazavad
