#include <chrono>
#include <cstddef>

#include <fmt/format.h>
#include <orrincore_error/text.hpp>

#include "commands/trust.hpp"
#include "files/record_file.hpp"
#include "gate/trust_store.hpp"
#include "gate/trust_store_file.hpp"
#include "output/report.hpp"
#include "system/folder_lock.hpp"
#include "system/os_error.hpp"
#include "text/unicode_text.hpp"

namespace vevizovuvazavad {
namespace {

using zedododor_avovodizi::time::Timestamp;

// Long enough for any queue of adds, short enough that a neighbour holding
// the lock cannot stall an operator's script for ever.
constexpr std::chrono::seconds store_lock_wait{60};

HandlerResult run(const Cli& cli, const TrustCommand::Add& command) {
    // Read, add and write as one step: of two adds at once, each must find
    // the other's signer in the store or wait for it.
    const auto lock = system::FolderLock::acquire(command.store, store_lock_wait);
    if (!lock) return std::unexpected(system::path_error_text(command.store, lock.error()));
    auto store = load_trust_store(command.store);
    if (!store) return std::unexpected(std::move(store).error());
    const auto now = Timestamp::now();
    if (auto added = trust_store_add(*store, command.name, command.pubkey, now); !added) return added;
    return output::write_and_emit(
        cli.output_form(), command.store, *store,
        fmt::format("trusted signer {} added to {} ({} now trusted)", orrincore_error::quoted_form(command.name),
                    text::lossy_utf8(command.store), store->signers.size()));
}

HandlerResult run(const Cli& cli, const TrustCommand::List& command) {
    auto store = load_trust_store(command.store);
    if (!store) return std::unexpected(std::move(store).error());
    std::string text;
    if (store->signers.empty()) {
        text = fmt::format("{}: no trusted ruleset-signing keys — every ruleset will be refused",
                           text::lossy_utf8(command.store));
    }
    for (std::size_t i = 0; i < store->signers.size(); ++i) {
        if (i > 0) text += '\n';
        text += fmt::format("{}  {}", store->signers[i].pubkey_hex, store->signers[i].name);
    }
    output::emit(cli.output_form(), *store, text);
    return {};
}

}  // namespace

HandlerResult run_trust(const Cli& cli, const TrustCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
