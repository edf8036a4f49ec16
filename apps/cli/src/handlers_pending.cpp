// Stand-ins so the tool links while the command handlers are being built;
// each goes when its group's real handler lands.
#include "handlers.hpp"

namespace vevizovuvazavad {
namespace {
HandlerResult not_built() { return std::unexpected(std::string("not built yet")); }
}  // namespace

HandlerResult run_legal_hold(const Cli&, const LegalHoldCommand&) { return not_built(); }
HandlerResult run_package(const Cli&, const PackageCommand&) { return not_built(); }
HandlerResult run_ruleset(const Cli&, const RulesetCommand&) { return not_built(); }
HandlerResult run_trust(const Cli&, const TrustCommand&) { return not_built(); }

namespace demo {
HandlerResult run() { return not_built(); }
}  // namespace demo

}  // namespace vevizovuvazavad
