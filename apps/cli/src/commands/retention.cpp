#include <fmt/format.h>
#include <vuvadededoru_contracts/retention.hpp>

#include "command_line/enumerated_word.hpp"
#include "commands/given_or_fresh.hpp"
#include "commands/retention.hpp"
#include "files/record_file.hpp"
#include "output/report.hpp"

namespace vevizovuvazavad {
namespace {

using vuvadededoru_contracts::DispositionBehavior;
using vuvadededoru_contracts::RetentionPolicy;
using zedododor_avovodizi::time::Timestamp;

HandlerResult run(const Cli& cli, const RetentionCommand::New& command) {
    const auto tenant = given_or_fresh(command.tenant);
    const auto workspace = given_or_fresh(command.workspace);
    auto retention_class =
        read_enumerated_word<orrincore_retention::RetentionClass>(command.class_word, "retention class");
    if (!retention_class) return std::unexpected(std::move(retention_class).error());
    const auto now = Timestamp::now();
    const auto behavior =
        command.automated_disposition ? DispositionBehavior::automated_allowed : DispositionBehavior::review_required;
    auto policy = RetentionPolicy::create({.tenant_id = tenant,
                                           .workspace_id = workspace,
                                           .name = command.name,
                                           .retention_class = *retention_class,
                                           .minimum_retention_days = command.min_days,
                                           .maximum_retention_days = command.max_days,
                                           .disposition_behavior = behavior},
                                          now);
    if (!policy) return std::unexpected(policy.error().message());
    const std::string maximum =
        policy->maximum_retention_days ? fmt::format(", maximum {}d", *policy->maximum_retention_days) : "";
    return output::write_and_emit(cli.output_form(), command.out, *policy,
                                  fmt::format("retention policy {} created: minimum {}d{}", policy->id.to_string(),
                                              policy->minimum_retention_days, maximum));
}

HandlerResult run(const Cli& cli, const RetentionCommand::Extend& command) {
    auto policy = files::read_json<RetentionPolicy>(command.policy);
    if (!policy) return std::unexpected(std::move(policy).error());
    const auto now = Timestamp::now();
    auto amended = policy->extend_minimum_retention(command.min_days, now);
    if (!amended) return std::unexpected(amended.error().message());
    return output::write_and_emit(
        cli.output_form(), command.out, *amended,
        fmt::format("retention policy {} extended: {}d -> {}d (version {})", amended->id.to_string(),
                    policy->minimum_retention_days, amended->minimum_retention_days, amended->version));
}

HandlerResult run(const Cli& cli, const RetentionCommand::Show& command) {
    auto policy = files::read_json<RetentionPolicy>(command.policy);
    if (!policy) return std::unexpected(std::move(policy).error());
    const std::string maximum =
        policy->maximum_retention_days ? fmt::format("Some({})", *policy->maximum_retention_days) : "None";
    output::emit(cli.output_form(), *policy,
                 fmt::format("{} minimum={}d maximum={} retired={}", policy->id.to_string(),
                             policy->minimum_retention_days, maximum, policy->retired_at.has_value()));
    return {};
}

}  // namespace

HandlerResult run_retention(const Cli& cli, const RetentionCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
