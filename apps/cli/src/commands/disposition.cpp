#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>
#include <vuvadededoru_contracts/disposition.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zorizorezire_rizozi/disposition.hpp>

#include "command_line/enumerated_word.hpp"
#include "commands/disposition.hpp"
#include "files/record_file.hpp"
#include "output/report.hpp"

namespace vevizovuvazavad {
namespace {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::DispositionDecision;
using vuvadededoru_contracts::DispositionReview;
using zedododor_avovodizi::time::Timestamp;
namespace disposition = zorizorezire_rizozi::disposition;

HandlerResult run(const Cli& cli, const DispositionCommand::Review& command) {
    auto package = files::read_json<ArchivePackage>(command.package);
    if (!package) return std::unexpected(std::move(package).error());
    const auto now = Timestamp::now();
    auto review = disposition::create_disposition_review(*package, now);
    if (!review) return std::unexpected(review.error().message());
    return output::write_and_emit(
        cli.output_form(), command.out, *review,
        fmt::format("disposition review {} opened for package {} (eligible at {})", review->id.to_string(),
                    package->id.to_string(), review->eligible_at.to_rfc3339()));
}

HandlerResult run(const Cli& cli, const DispositionCommand::Decide& command) {
    // Both files come before the word, so a file error is reported first.
    auto records = files::read_json_pair<DispositionReview, ArchivePackage>(command.review, command.package);
    if (!records) return std::unexpected(std::move(records).error());
    const auto& [review, package] = *records;
    auto decision = read_enumerated_word<DispositionDecision>(command.decision, "disposition decision");
    if (!decision) return std::unexpected(std::move(decision).error());
    const auto now = Timestamp::now();
    auto decided = disposition::decide_disposition_review(review, package, *decision, command.reviewed_by, now);
    if (!decided) return std::unexpected(decided.error().message());
    return output::write_and_emit(cli.output_form(), command.out, *decided,
                                  fmt::format("disposition review {} decided: {}", decided->id.to_string(),
                                              orrincore_json::debug_name(*decision)));
}

// The review is neither checked for its status nor completed: only its
// decision authorises the disposal, and it stays as it was given.
HandlerResult run(const Cli& cli, const DispositionCommand::Execute& command) {
    auto records = files::read_json_pair<DispositionReview, ArchivePackage>(command.review, command.package);
    if (!records) return std::unexpected(std::move(records).error());
    const auto& [review, package] = *records;
    const auto now = Timestamp::now();
    auto disposed = disposition::execute_disposition(review, package, now);
    if (!disposed) return std::unexpected(disposed.error().message());
    return output::write_and_emit(cli.output_form(), command.out_package, *disposed,
                                  fmt::format("package {} disposed", disposed->id.to_string()));
}

HandlerResult run(const Cli& cli, const DispositionCommand::Show& command) {
    auto review = files::read_json<DispositionReview>(command.review);
    if (!review) return std::unexpected(std::move(review).error());
    output::emit(
        cli.output_form(), *review,
        fmt::format("{} status={} decision={}", review->id.to_string(), orrincore_json::debug_name(review->status),
                    vuvadededoru_contracts::debug_form(review->decision)));
    return {};
}

}  // namespace

HandlerResult run_disposition(const Cli& cli, const DispositionCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
