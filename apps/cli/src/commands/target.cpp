#include <fmt/format.h>
#include <vuvadededoru_contracts/target.hpp>

#include "command_line/enumerated_word.hpp"
#include "commands/given_or_fresh.hpp"
#include "commands/target.hpp"
#include "files/record_file.hpp"
#include "output/report.hpp"

namespace vevizovuvazavad {
namespace {

using vuvadededoru_contracts::ArchiveTarget;
using vuvadededoru_contracts::ArchiveTargetStatus;
using vuvadededoru_contracts::ArchiveTargetType;
using zedododor_avovodizi::time::Timestamp;

HandlerResult run(const Cli& cli, const TargetCommand::New& command) {
    const auto tenant = given_or_fresh(command.tenant);
    const auto workspace = given_or_fresh(command.workspace);
    auto target_type = read_enumerated_word<ArchiveTargetType>(command.target_type, "target type");
    if (!target_type) return std::unexpected(std::move(target_type).error());
    const auto now = Timestamp::now();
    auto target = ArchiveTarget::create(
        {.tenant_id = tenant, .workspace_id = workspace, .name = command.name, .target_type = *target_type}, now);
    if (!target) return std::unexpected(target.error().message());
    return output::write_and_emit(cli.output_form(), command.out, *target,
                                  fmt::format("archive target {} registered", target->id.to_string()));
}

HandlerResult run(const Cli& cli, const TargetCommand::Show& command) {
    auto target = files::read_json<ArchiveTarget>(command.target);
    if (!target) return std::unexpected(std::move(target).error());
    output::emit(cli.output_form(), *target,
                 fmt::format("{} enabled={}", target->id.to_string(), target->status == ArchiveTargetStatus::enabled));
    return {};
}

}  // namespace

HandlerResult run_target(const Cli& cli, const TargetCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
