#pragma once
// `vevizovuvazavad package new|seal|verify|show`: archive packages and their
// signed manifests.

#include "command_line/cli.hpp"
#include "handler_result.hpp"

namespace vevizovuvazavad {

HandlerResult run_package(const Cli& cli, const PackageCommand& command);

}  // namespace vevizovuvazavad
