#pragma once
// `vevizovuvazavad disposition review|decide|execute|show`: the disposal review
// of a sealed package.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_disposition(const Cli& cli, const DispositionCommand& command);

}  // namespace vevizovuvazavad
