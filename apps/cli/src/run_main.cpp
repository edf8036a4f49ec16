#include "run_main.hpp"

#include <exception>
#include <variant>

#include <fmt/format.h>

#include "command_line/command_line.hpp"
#include "commands/custody.hpp"
#include "commands/disposition.hpp"
#include "commands/keygen.hpp"
#include "commands/legal_hold.hpp"
#include "commands/package.hpp"
#include "commands/retention.hpp"
#include "commands/ruleset.hpp"
#include "commands/target.hpp"
#include "commands/trust.hpp"
#include "demo/run.hpp"
#include "output/stream.hpp"
#include "system/os_error.hpp"

namespace vevizovuvazavad {
namespace {

// One handler per command group, picked by the type of the command value;
// a group without a handler does not compile.
template <class... Handlers>
struct Overloads : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloads(Handlers...) -> Overloads<Handlers...>;

HandlerResult dispatch(const Cli& cli) {
    return std::visit(Overloads{
                          [&cli](const KeygenCommand& command) { return run_keygen(cli, command); },
                          [&cli](const RetentionCommand& command) { return run_retention(cli, command); },
                          [&cli](const LegalHoldCommand& command) { return run_legal_hold(cli, command); },
                          [&cli](const TargetCommand& command) { return run_target(cli, command); },
                          [&cli](const PackageCommand& command) { return run_package(cli, command); },
                          [&cli](const DispositionCommand& command) { return run_disposition(cli, command); },
                          [&cli](const CustodyCommand& command) { return run_custody(cli, command); },
                          [&cli](const RulesetCommand& command) { return run_ruleset(cli, command); },
                          [&cli](const TrustCommand& command) { return run_trust(cli, command); },
                          [](const DemoCommand&) { return demo::run(); },
                      },
                      cli.command);
}

int run(std::span<const std::string> args) {
    ParseOutcome outcome = parse_command_line(args, ColourChoice::from_environment());
    if (const auto* exit = std::get_if<ParserExit>(&outcome)) {
        output::write_stream(exit->stream, exit->text);
        return exit->status;
    }
    const HandlerResult result = dispatch(std::get<Cli>(outcome));
    if (!result) {
        output::write_stream(output::Stream::err, fmt::format("error: {}\n", result.error()));
        return 1;
    }
    return 0;
}

// The last word of a failing process: if standard error cannot take it
// either, or the text cannot even be made, the status alone has to tell.
template <class MakeText>
void report_last(MakeText make_text) noexcept {
    try {
        output::write_stream(output::Stream::err, make_text());
    } catch (...) {
    }
}

}  // namespace

int run_main(std::span<const std::string> args) noexcept {
    try {
        return run(args);
    } catch (const output::OutputFailure& failure) {
        report_last([&failure] {
            return fmt::format("failed printing to {}: {}\n",
                               failure.stream == output::Stream::out ? "stdout" : "stderr",
                               system::os_error_text(failure.error_number));
        });
    } catch (const std::exception& escaped) {
        report_last([&escaped] { return fmt::format("internal error: {}\n", escaped.what()); });
    } catch (...) {
        report_last([] { return std::string("internal error: an unknown exception escaped\n"); });
    }
    return 101;
}

}  // namespace vevizovuvazavad
