#pragma once
// `vevizovuvazavad keygen <OUT>`: a new Ed25519 signing seed file, mode 0600.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_keygen(const Cli& cli, const KeygenCommand& command);

}  // namespace vevizovuvazavad
