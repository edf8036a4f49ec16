#include "command_line/command_readers.hpp"

#include <charconv>
#include <limits>
#include <optional>
#include <system_error>

#include <fmt/format.h>

#include <orrincore_error/text.hpp>

namespace vevizovuvazavad {
namespace {

namespace ids = zedododor_avovodizi::ids;
using command_tree::Argument;
using command_tree::Command;
using command_tree::FieldValue;
using command_tree::Kind;

// What only a parser that let a malformed command line through can cause:
// shown with the top-level usage.
std::unexpected<UsageError> fallback(std::string message) {
    return std::unexpected(UsageError{std::move(message), {&command_tree::root()}});
}

// The values given to the command named, read by their arguments' kinds.
class Values {
public:
    explicit Values(const ParsedArguments& parsed) : parsed_(parsed) {}

    std::expected<FieldValue, UsageError> read(const Argument& argument) const {
        const auto found = parsed_.values.find(argument.id);
        if (found == parsed_.values.end() || found->second.empty()) return absent(argument);
        const std::vector<std::string>& given = found->second;
        switch (argument.kind) {
        case Kind::path: return checked_path(argument, given.front());
        case Kind::text: return checked_text(given.front());
        case Kind::day_count: return checked_days(argument, given.front());
        case Kind::optional_day_count: {
            const auto days = checked_days(argument, given.front());
            if (!days) return std::unexpected(days.error());
            return std::optional(*days);
        }
        case Kind::flag: return true;
        case Kind::optional_tenant_id: return identifier<ids::TenantId>(argument, given.front());
        case Kind::optional_workspace_id: return identifier<ids::WorkspaceId>(argument, given.front());
        case Kind::paths:
        case Kind::one_or_more_paths: break;
        }
        std::vector<std::string> paths;
        for (const std::string& value : given) {
            auto path = checked_path(argument, value);
            if (!path) return std::unexpected(std::move(path).error());
            paths.push_back(*std::move(path));
        }
        return paths;
    }

private:
    // The value of an argument not given. A required one is the parser's to
    // refuse, so here its absence is a fallback; absent paths read as none,
    // whether the parser required one or not.
    static std::expected<FieldValue, UsageError> absent(const Argument& argument) {
        switch (argument.kind) {
        case Kind::path:
        case Kind::text:
        case Kind::day_count:
            return fallback(fmt::format("the following required argument was not provided: {}", argument.id));
        case Kind::optional_day_count: return std::optional<std::uint32_t>();
        case Kind::flag: return false;
        case Kind::optional_tenant_id: return std::optional<ids::TenantId>();
        case Kind::optional_workspace_id: return std::optional<ids::WorkspaceId>();
        case Kind::paths:
        case Kind::one_or_more_paths: break;
        }
        return std::vector<std::string>();
    }

    // Texts are valid UTF-8, and so are the day counts and identifiers read
    // from them.
    std::expected<std::string, UsageError> checked_text(const std::string& value) const {
        if (!orrincore_error::is_valid_utf8(value)) return not_utf8();
        return value;
    }

    std::expected<std::string, UsageError> checked_path(const Argument& argument, const std::string& value) const {
        if (value.empty()) {
            return refusal(fmt::format("a value is required for '{}' but none was supplied",
                                       command_tree::display_name(argument)));
        }
        return value;
    }

    std::expected<std::uint32_t, UsageError> checked_days(const Argument& argument, const std::string& value) const {
        if (!orrincore_error::is_valid_utf8(value)) return not_utf8();
        const auto days = read_day_count(value);
        if (!days) return invalid_value(argument, value, days.error());
        return *days;
    }

    template <class Identifier>
    std::expected<std::optional<Identifier>, UsageError> identifier(const Argument& argument,
                                                                    const std::string& value) const {
        if (!orrincore_error::is_valid_utf8(value)) return not_utf8();
        auto identifier = Identifier::from_str(value);
        if (!identifier) return invalid_value(argument, value, identifier.error().message());
        return std::optional(*std::move(identifier));
    }

    std::unexpected<UsageError> not_utf8() const {
        return refusal("invalid UTF-8 was detected in one or more arguments");
    }

    std::unexpected<UsageError> invalid_value(const Argument& argument, std::string_view value,
                                              std::string_view reason) const {
        return refusal(
            fmt::format("invalid value '{}' for '{}': {}", value, command_tree::display_name(argument), reason));
    }

    // A value the parser took but its kind refuses: shown with the command's
    // own usage.
    std::unexpected<UsageError> refusal(std::string message) const {
        return std::unexpected(UsageError{std::move(message), parsed_.command_path});
    }

    const ParsedArguments& parsed_;
};

}  // namespace

std::expected<Cli, UsageError> read_cli(const ParsedArguments& parsed) {
    const command_tree::CommandPath& path = parsed.command_path;
    if (path.empty() || !path.back()->subcommands.empty()) {
        return fallback("a subcommand is required but one was not provided");
    }
    const Command& command = *path.back();
    const Values values(parsed);
    CliCommand value = command.make();
    for (const Argument& argument : command.arguments) {
        auto read = values.read(argument);
        if (!read) return std::unexpected(std::move(read).error());
        argument.fill(value, *std::move(read));
    }
    return Cli{.json = parsed.json, .command = std::move(value)};
}

std::expected<std::uint32_t, std::string> read_day_count(std::string_view text) {
    if (text.empty()) return std::unexpected(std::string("cannot parse integer from empty string"));
    // from_chars takes a leading '-' but not a '+': a '+' is taken off first,
    // and a sign after it is refused as any other character but a digit.
    const bool plus = text.front() == '+';
    const std::string_view number = plus ? text.substr(1) : text;
    const char* const last = number.data() + number.size();
    // Read as a signed 64-bit number, then range-checked, so that -1 and
    // 4294967296 are named in the refusal.
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), last, value);
    if (error == std::errc::invalid_argument || end != last || (plus && number.starts_with('-'))) {
        return std::unexpected(std::string("invalid digit found in string"));
    }
    if (error == std::errc::result_out_of_range) {
        return std::unexpected(std::string(number.starts_with('-') ? "number too small to fit in target type"
                                                                   : "number too large to fit in target type"));
    }
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max()) {
        return std::unexpected(fmt::format("{} is not in 0..=4294967295", value));
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace vevizovuvazavad
