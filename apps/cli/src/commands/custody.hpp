#pragma once
// `vevizovuvazavad custody verify`: a signed chain-of-custody file.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_custody(const Cli& cli, const CustodyCommand& command);

}  // namespace vevizovuvazavad
