#pragma once
// `vevizovuvazavad retention new|extend|show`: retention policies, extend-only.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_retention(const Cli& cli, const RetentionCommand& command);

}  // namespace vevizovuvazavad
