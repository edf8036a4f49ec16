#pragma once
// The handler of each command group. A handler reads its input files, reads
// the clock at most once, does its work, writes its output files and prints
// its one report through io::emit, last. It returns success or one complete
// error text, which only `run_main` prints ("error: {}\n", status 1). Handlers
// never write to standard error and never end the process.

#include <expected>
#include <string>

#include "cli.hpp"

namespace vevizovuvazavad {

using HandlerResult = std::expected<void, std::string>;

HandlerResult run_keygen(const Cli& cli, const KeygenCommand& command);
HandlerResult run_retention(const Cli& cli, const RetentionCommand& command);
HandlerResult run_legal_hold(const Cli& cli, const LegalHoldCommand& command);
HandlerResult run_target(const Cli& cli, const TargetCommand& command);
HandlerResult run_package(const Cli& cli, const PackageCommand& command);
HandlerResult run_disposition(const Cli& cli, const DispositionCommand& command);
HandlerResult run_custody(const Cli& cli, const CustodyCommand& command);
HandlerResult run_ruleset(const Cli& cli, const RulesetCommand& command);
HandlerResult run_trust(const Cli& cli, const TrustCommand& command);

namespace demo {
// The lifecycle demo; it ignores `--json`.
HandlerResult run();
}  // namespace demo

}  // namespace vevizovuvazavad
