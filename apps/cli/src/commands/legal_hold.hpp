#pragma once
// `vevizovuvazavad legal-hold ...`: legal holds, released only on the decision of a
// signed ruleset that the operator trusts.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_legal_hold(const Cli& cli, const LegalHoldCommand& command);

}  // namespace vevizovuvazavad
