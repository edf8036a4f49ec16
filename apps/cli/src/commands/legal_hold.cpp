#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zorizorezire_rizozi/legal_hold.hpp>

#include "command_line/enumerated_word.hpp"
#include "commands/given_or_fresh.hpp"
#include "commands/legal_hold.hpp"
#include "files/record_file.hpp"
#include "gate/authorize_hold_release.hpp"
#include "gate/release_refusal.hpp"
#include "output/report.hpp"

namespace vevizovuvazavad {
namespace {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldReasonCode;
using zedododor_avovodizi::time::Timestamp;
namespace engine = zorizorezire_rizozi::legal_hold;

// A hold's status is shown by its record word ("release_requested"), as the
// record file has it and scripts match it; a policy decision by its debug
// name ("NotApplicable").

HandlerResult run(const Cli& cli, const LegalHoldCommand::Request& command) {
    const auto tenant = given_or_fresh(command.tenant);
    const auto workspace = given_or_fresh(command.workspace);
    auto reason = read_enumerated_word<LegalHoldReasonCode>(command.reason, "reason code");
    if (!reason) return std::unexpected(std::move(reason).error());
    const auto now = Timestamp::now();
    auto hold = LegalHold::create({.tenant_id = tenant,
                                   .workspace_id = workspace,
                                   .name = command.name,
                                   .scope = command.scope,
                                   .reason_code = *reason,
                                   .requested_by = command.requested_by},
                                  now);
    if (!hold) return std::unexpected(hold.error().message());
    return output::write_and_emit(
        cli.output_form(), command.out, *hold,
        fmt::format("legal hold {} requested: {}", hold->id.to_string(), orrincore_json::word(hold->status)));
}

HandlerResult run(const Cli& cli, const LegalHoldCommand::Approve& command) {
    auto hold = files::read_json<LegalHold>(command.hold);
    if (!hold) return std::unexpected(std::move(hold).error());
    auto approved = hold->approve(command.approved_by, Timestamp::now());
    if (!approved) return std::unexpected(approved.error().message());
    return output::write_and_emit(cli.output_form(), command.out, *approved,
                                  fmt::format("legal hold {} is now active", approved->id.to_string()));
}

HandlerResult run(const Cli& cli, const LegalHoldCommand::Deny& command) {
    auto hold = files::read_json<LegalHold>(command.hold);
    if (!hold) return std::unexpected(std::move(hold).error());
    auto denied = hold->deny(command.approved_by, Timestamp::now());
    if (!denied) return std::unexpected(denied.error().message());
    return output::write_and_emit(cli.output_form(), command.out, *denied,
                                  fmt::format("legal hold {} denied", denied->id.to_string()));
}

HandlerResult run(const Cli& cli, const LegalHoldCommand::RequestRelease& command) {
    auto hold = files::read_json<LegalHold>(command.hold);
    if (!hold) return std::unexpected(std::move(hold).error());
    auto requested = hold->request_release(Timestamp::now());
    if (!requested) return std::unexpected(requested.error().message());
    return output::write_and_emit(cli.output_form(), command.out, *requested,
                                  fmt::format("release requested for {}", requested->id.to_string()));
}

// The decision comes from a ruleset signed by a trusted key, never from the
// command line, and is sought before the hold's status is tested: a hold in
// any status needs a verifiable ruleset to get that far.
HandlerResult run(const Cli& cli, const LegalHoldCommand::Release& command) {
    auto hold = files::read_json<LegalHold>(command.hold);
    if (!hold) return std::unexpected(std::move(hold).error());
    const auto now = Timestamp::now();
    auto decision =
        authorize_hold_release(*hold, command.approved_by, command.policy_ruleset, command.trust_store, now);
    if (!decision) return std::unexpected(std::move(decision).error());
    auto released = hold->release(command.approved_by, decision->decision, now);
    if (!released) return std::unexpected(release_refusal_text(*decision, released.error()));
    return output::write_and_emit(cli.output_form(), command.out, *released,
                                  fmt::format("legal hold {} released (policy {}: {})", released->id.to_string(),
                                              orrincore_json::debug_name(decision->decision), decision->reason));
}

// A package carries one hold at a time: the engine refuses a package that
// carries another.
HandlerResult run(const Cli& cli, const LegalHoldCommand::Assign& command) {
    auto records = files::read_json_pair<LegalHold, ArchivePackage>(command.hold, command.package);
    if (!records) return std::unexpected(std::move(records).error());
    const auto& [hold, package] = *records;
    auto held = engine::assign_legal_hold(hold, package);
    if (!held) return std::unexpected(held.error().message());
    return output::write_and_emit(
        cli.output_form(), command.out_package, *held,
        fmt::format("package {} is now under legal hold {}", held->id.to_string(), hold.id.to_string()));
}

// Only the hold the package carries clears it, or releasing any throwaway
// hold would free every held package.
HandlerResult run(const Cli& cli, const LegalHoldCommand::Unassign& command) {
    auto records = files::read_json_pair<LegalHold, ArchivePackage>(command.hold, command.package);
    if (!records) return std::unexpected(std::move(records).error());
    const auto& [hold, package] = *records;
    auto cleared = engine::release_legal_hold_from_package(hold, package);
    if (!cleared) return std::unexpected(cleared.error().message());
    return output::write_and_emit(cli.output_form(), command.out_package, *cleared,
                                  fmt::format("legal hold cleared from package {}", cleared->id.to_string()));
}

HandlerResult run(const Cli& cli, const LegalHoldCommand::Show& command) {
    auto hold = files::read_json<LegalHold>(command.hold);
    if (!hold) return std::unexpected(std::move(hold).error());
    output::emit(cli.output_form(), *hold,
                 fmt::format("{} status={}", hold->id.to_string(), orrincore_json::word(hold->status)));
    return {};
}

}  // namespace

HandlerResult run_legal_hold(const Cli& cli, const LegalHoldCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
