#pragma once
// `vevizovuvazavad target new|show`: archive storage targets.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_target(const Cli& cli, const TargetCommand& command);

}  // namespace vevizovuvazavad
