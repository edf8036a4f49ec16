#include <vector>

#include <fmt/format.h>
#include <orrincore_audit/signed_audit_event.hpp>
#include <zorizorezire_rizozi/custody.hpp>

#include "handlers.hpp"
#include "io/emit.hpp"
#include "io/record_file.hpp"
#include "io/seed_file.hpp"

namespace vevizovuvazavad {
namespace {

// Each event is checked over the canonical bytes of the event as read, not
// over the file's text, so the file's layout, key order and unknown keys
// do not matter. The key comes from the signer's seed.
HandlerResult run(const Cli& cli, const CustodyCommand::Verify& command) {
    auto events = io::read_json<std::vector<orrincore_audit::SignedAuditEvent>>(command.chain);
    if (!events) return std::unexpected(std::move(events).error());
    auto key = io::read_seed_file(command.key_file);
    if (!key) return std::unexpected(std::move(key).error());
    if (auto verified = zorizorezire_rizozi::custody::verify(*events, key->verifying_key()); !verified)
        return std::unexpected(verified.error().message());
    io::emit(cli, io::ResultObject{{"events", events->size()}, {"verified", true}},
             fmt::format("chain of {} event(s) verified", events->size()));
    return {};
}

}  // namespace

HandlerResult run_custody(const Cli& cli, const CustodyCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
