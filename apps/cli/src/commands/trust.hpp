#pragma once
// `vevizovuvazavad trust add|list`: the trust store of ruleset-signing keys.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_trust(const Cli& cli, const TrustCommand& command);

}  // namespace vevizovuvazavad
