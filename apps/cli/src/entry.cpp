#include "entry.hpp"

#include <exception>
#include <type_traits>
#include <variant>

#include <fmt/format.h>

#include "command_line.hpp"
#include "handlers.hpp"
#include "io/os_error.hpp"
#include "io/output.hpp"

namespace vevizovuvazavad {
namespace {

HandlerResult dispatch(const Cli& cli) {
    return std::visit(
        [&cli](const auto& command) -> HandlerResult {
            using Command = std::decay_t<decltype(command)>;
            if constexpr (std::is_same_v<Command, KeygenCommand>) return run_keygen(cli, command);
            else if constexpr (std::is_same_v<Command, RetentionCommand>) return run_retention(cli, command);
            else if constexpr (std::is_same_v<Command, LegalHoldCommand>) return run_legal_hold(cli, command);
            else if constexpr (std::is_same_v<Command, TargetCommand>) return run_target(cli, command);
            else if constexpr (std::is_same_v<Command, PackageCommand>) return run_package(cli, command);
            else if constexpr (std::is_same_v<Command, DispositionCommand>) return run_disposition(cli, command);
            else if constexpr (std::is_same_v<Command, CustodyCommand>) return run_custody(cli, command);
            else if constexpr (std::is_same_v<Command, RulesetCommand>) return run_ruleset(cli, command);
            else if constexpr (std::is_same_v<Command, TrustCommand>) return run_trust(cli, command);
            else {
                static_assert(std::is_same_v<Command, DemoCommand>);
                return demo::run();
            }
        },
        cli.command);
}

int run(std::span<const std::string> args) {
    ParseOutcome outcome = parse_command_line(args, ColourChoice::from_environment());
    if (const auto* exit = std::get_if<ParserExit>(&outcome)) {
        io::write_stream(exit->stream, exit->text);
        return exit->status;
    }
    const HandlerResult result = dispatch(std::get<Cli>(outcome));
    if (!result) {
        io::write_stream(Stream::err, fmt::format("error: {}\n", result.error()));
        return 1;
    }
    return 0;
}

// The last word of a failing process: if standard error cannot take it
// either, the status alone has to tell.
void report_last(std::string_view text) noexcept {
    try {
        io::write_stream(Stream::err, text);
    } catch (...) {
    }
}

}  // namespace

int run_main(std::span<const std::string> args) noexcept {
    try {
        return run(args);
    } catch (const io::OutputFailure& failure) {
        report_last(fmt::format("failed printing to {}: {}\n", failure.stream == Stream::out ? "stdout" : "stderr",
                                io::os_error_text(failure.error_number)));
    } catch (const std::exception& escaped) {
        report_last(fmt::format("internal error: {}\n", escaped.what()));
    } catch (...) {
        report_last("internal error: an unknown exception escaped\n");
    }
    return 101;
}

}  // namespace vevizovuvazavad
