#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>
#include <vuvadededoru_contracts/disposition.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zorizorezire_rizozi/disposition.hpp>

#include "enumerated_word.hpp"
#include "handlers.hpp"
#include "io/emit.hpp"
#include "io/record_file.hpp"

namespace vevizovuvazavad {
namespace {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::DispositionDecision;
using vuvadededoru_contracts::DispositionReview;
using zedododor_avovodizi::time::Timestamp;
namespace disposition = zorizorezire_rizozi::disposition;

// The review, then the package; the package is not read when the review
// cannot be.
struct ReviewAndPackage {
    DispositionReview review;
    ArchivePackage package;
};

std::expected<ReviewAndPackage, std::string> read_review_and_package(const std::string& review_path,
                                                                     const std::string& package_path) {
    auto review = io::read_json<DispositionReview>(review_path);
    if (!review) return std::unexpected(std::move(review).error());
    auto package = io::read_json<ArchivePackage>(package_path);
    if (!package) return std::unexpected(std::move(package).error());
    return ReviewAndPackage{std::move(*review), std::move(*package)};
}

HandlerResult run(const Cli& cli, const DispositionCommand::Review& command) {
    auto package = io::read_json<ArchivePackage>(command.package);
    if (!package) return std::unexpected(std::move(package).error());
    const auto now = Timestamp::now();
    auto review = disposition::create_disposition_review(*package, now);
    if (!review) return std::unexpected(review.error().message());
    if (auto written = io::write_json(command.out, *review); !written) return written;
    io::emit(cli, *review,
             fmt::format("disposition review {} opened for package {} (eligible at {})", review->id.to_string(),
                         package->id.to_string(), review->eligible_at.to_rfc3339()));
    return {};
}

HandlerResult run(const Cli& cli, const DispositionCommand::Decide& command) {
    // Both files come before the word, so a file error is reported first.
    auto records = read_review_and_package(command.review, command.package);
    if (!records) return std::unexpected(std::move(records).error());
    auto decision = read_enumerated_word<DispositionDecision>(command.decision, "disposition decision");
    if (!decision) return std::unexpected(std::move(decision).error());
    const auto now = Timestamp::now();
    auto decided =
        disposition::decide_disposition_review(records->review, records->package, *decision, command.reviewed_by, now);
    if (!decided) return std::unexpected(decided.error().message());
    if (auto written = io::write_json(command.out, *decided); !written) return written;
    io::emit(cli, *decided,
             fmt::format("disposition review {} decided: {}", decided->id.to_string(),
                         orrincore_json::debug_name(*decision)));
    return {};
}

// The review is neither checked for its status nor completed: only its
// decision authorises the disposal, and it stays as it was given.
HandlerResult run(const Cli& cli, const DispositionCommand::Execute& command) {
    auto records = read_review_and_package(command.review, command.package);
    if (!records) return std::unexpected(std::move(records).error());
    const auto now = Timestamp::now();
    auto disposed = disposition::execute_disposition(records->review, records->package, now);
    if (!disposed) return std::unexpected(disposed.error().message());
    if (auto written = io::write_json(command.out_package, *disposed); !written) return written;
    io::emit(cli, *disposed, fmt::format("package {} disposed", disposed->id.to_string()));
    return {};
}

HandlerResult run(const Cli& cli, const DispositionCommand::Show& command) {
    auto review = io::read_json<DispositionReview>(command.review);
    if (!review) return std::unexpected(std::move(review).error());
    io::emit(cli, *review,
             fmt::format("{} status={} decision={}", review->id.to_string(), orrincore_json::debug_name(review->status),
                         vuvadededoru_contracts::debug_form(review->decision)));
    return {};
}

}  // namespace

HandlerResult run_disposition(const Cli& cli, const DispositionCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
