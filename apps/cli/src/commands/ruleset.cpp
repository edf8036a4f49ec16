#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <orrincore_error/hex.hpp>
#include <orrincore_policy/signed_ruleset.hpp>
#include <orrincore_policy/validation.hpp>
#include <zorizorezire_rizozi/custody.hpp>

#include "commands/ruleset.hpp"
#include "files/record_file.hpp"
#include "files/seed_file.hpp"
#include "gate/release_gate.hpp"
#include "output/report.hpp"
#include "system/os_error.hpp"
#include "system/write_entry.hpp"
#include "text/unicode_text.hpp"

namespace vevizovuvazavad {
namespace {

using orrincore_policy::PolicyRuleset;
using orrincore_policy::SignedPolicyRuleset;
using zedododor_avovodizi::time::Timestamp;
namespace custody = zorizorezire_rizozi::custody;

HandlerResult run(const Cli& cli, const RulesetCommand::Pubkey& command) {
    auto key = files::read_seed_file(command.key);
    if (!key) return std::unexpected(std::move(key).error());
    const std::string pubkey_hex = orrincore_error::hex::to_lower(key->verifying_key().bytes());
    output::emit(
        cli.output_form(), nlohmann::json{{"pubkey_hex", pubkey_hex}},
        fmt::format("{}\n\ntrust it wherever this key's rulesets must be accepted:\n  vevizovuvazavad trust add "
                    "--store <trust-store.json> --name <name> --pubkey {}",
                    pubkey_hex, pubkey_hex));
    return {};
}

// What is signed is the ruleset as read, in its canonical form: the file's
// layout, key order and keys a ruleset does not define play no part.
HandlerResult run(const Cli& cli, const RulesetCommand::Sign& command) {
    auto ruleset = files::read_json<PolicyRuleset>(command.input);
    if (!ruleset) return std::unexpected(std::move(ruleset).error());
    // Before the seed is touched: a signature over a malformed ruleset only
    // lends it false confidence.
    if (auto valid = ruleset->validate(); !valid) {
        return std::unexpected(fmt::format("refusing to sign a ruleset that fails its own structural validation: {}",
                                           valid.error().message()));
    }
    // The envelope written over the seed would leave a ruleset whose signing
    // key is gone. The plain document, though, may be replaced by its envelope.
    if (const auto out = system::WriteEntry::of(command.out); out && out->holds_file_at(command.key))
        return std::unexpected("--out must not name the --key seed file");
    auto key = files::read_seed_file(command.key);
    if (!key) return std::unexpected(std::move(key).error());
    const auto key_id = zedododor_avovodizi::ids::KeyId::generate();
    const auto now = Timestamp::now();
    auto envelope = SignedPolicyRuleset::seal(*std::move(ruleset), key_id, *key, now, ruleset_associated_data());
    if (!envelope) return std::unexpected(fmt::format("failed to sign ruleset: {}", envelope.error().message()));
    return output::write_and_emit(cli.output_form(), command.out, *envelope,
                                  fmt::format("signed ruleset written to {} (product {}, purpose policy-ruleset)",
                                              text::lossy_utf8(command.out), custody::product_id().to_string()));
}

}  // namespace

HandlerResult run_ruleset(const Cli& cli, const RulesetCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
