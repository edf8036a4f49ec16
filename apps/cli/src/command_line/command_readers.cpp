#include "command_line/command_readers.hpp"

#include <algorithm>
#include <limits>
#include <optional>

#include <fmt/format.h>

#include <orrincore_error/text.hpp>

#include "command_line/command_tree.hpp"
#include "io/os_error.hpp"

namespace vevizovuvazavad {
namespace {

using command_tree::Argument;
using command_tree::Command;
using command_tree::FieldValue;
using command_tree::Kind;

// What only a parser that let a malformed command line through can cause:
// shown with the top-level usage.
[[noreturn]] void fallback(std::string message) { throw UsageError{std::move(message), {}}; }

// The command that `names` name, which has no subcommands.
const Command& leaf_named(const std::vector<std::string>& names) {
    const command_tree::CommandPath path = command_tree::find_path(names);
    if (path.back()->subcommands.empty()) return *path.back();
    const std::size_t depth = path.size() - 1;
    if (depth == names.size()) fallback("a subcommand is required but one was not provided");
    fallback(fmt::format("the subcommand '{}' wasn't recognized", io::display_path(names[depth])));
}

// The values given to the command named, read by their arguments' kinds.
class Values {
public:
    explicit Values(const ParsedArguments& parsed) : parsed_(parsed) {}

    FieldValue read(const Argument& argument) const {
        const std::vector<std::string>* given = all(argument);
        switch (argument.kind) {
        case Kind::path:
            return checked_path(argument, required(argument, given));
        case Kind::text:
            return checked_text(required(argument, given));
        case Kind::day_count:
            return checked_days(argument, required(argument, given));
        case Kind::optional_day_count:
            return given == nullptr ? std::nullopt : std::optional(checked_days(argument, given->front()));
        case Kind::flag:
            return given != nullptr;
        case Kind::optional_tenant_id:
            return optional_identifier<TenantId>(argument, given);
        case Kind::optional_workspace_id:
            return optional_identifier<WorkspaceId>(argument, given);
        case Kind::paths:
            break;
        }
        std::vector<std::string> paths;
        if (given != nullptr) {
            for (const std::string& value : *given) paths.push_back(checked_path(argument, value));
        }
        return paths;
    }

private:
    const std::vector<std::string>* all(const Argument& argument) const {
        const auto found = parsed_.values.find(argument.id);
        return found == parsed_.values.end() || found->second.empty() ? nullptr : &found->second;
    }

    static const std::string& required(const Argument& argument, const std::vector<std::string>* given) {
        if (given == nullptr) {
            fallback(fmt::format("the following required argument was not provided: {}", argument.id));
        }
        return given->front();
    }

    const std::string& checked_text(const std::string& value) const {
        if (!orrincore_error::is_valid_utf8(value)) refuse("invalid UTF-8 was detected in one or more arguments");
        return value;
    }

    const std::string& checked_path(const Argument& argument, const std::string& value) const {
        if (value.empty()) {
            refuse(fmt::format("a value is required for '{}' but none was supplied",
                               command_tree::display_name(argument)));
        }
        return value;
    }

    std::uint32_t checked_days(const Argument& argument, const std::string& value) const {
        const auto days = read_day_count(checked_text(value));
        if (!days) invalid_value(argument, value, days.error());
        return *days;
    }

    template <class Identifier>
    std::optional<Identifier> optional_identifier(const Argument& argument,
                                                  const std::vector<std::string>* given) const {
        if (given == nullptr) return std::nullopt;
        auto identifier = Identifier::from_str(checked_text(given->front()));
        if (!identifier) invalid_value(argument, given->front(), identifier.error().message());
        return *identifier;
    }

    [[noreturn]] void invalid_value(const Argument& argument, std::string_view value, std::string_view reason) const {
        refuse(fmt::format("invalid value '{}' for '{}': {}", value, command_tree::display_name(argument), reason));
    }

    // A value the parser took but its kind refuses: shown with the command's
    // own usage.
    [[noreturn]] void refuse(std::string message) const { throw UsageError{std::move(message), parsed_.command_path}; }

    const ParsedArguments& parsed_;
};

}  // namespace

Cli read_cli(const ParsedArguments& parsed) {
    const Command& command = leaf_named(parsed.command_path);
    const Values values(parsed);
    CliCommand value = command.make();
    for (const Argument& argument : command.arguments()) argument.fill(value, values.read(argument));
    return Cli{.json = parsed.json, .command = std::move(value)};
}

std::expected<std::uint32_t, std::string> read_day_count(std::string_view text) {
    if (text.empty()) return std::unexpected(std::string("cannot parse integer from empty string"));
    const bool negative = text.front() == '-';
    std::string_view digits = text;
    if (text.front() == '-' || text.front() == '+') digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::unexpected(std::string("invalid digit found in string"));
    }
    // The text is first read as a signed 64-bit number, then range-checked,
    // so that -1 and 4294967296 are named in the refusal.
    std::int64_t value = 0;
    for (char c : digits) {
        const int digit = c - '0';
        if (__builtin_mul_overflow(value, 10, &value) ||
            (negative ? __builtin_sub_overflow(value, digit, &value) : __builtin_add_overflow(value, digit, &value))) {
            return std::unexpected(std::string(negative ? "number too small to fit in target type"
                                                        : "number too large to fit in target type"));
        }
    }
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max()) {
        return std::unexpected(fmt::format("{} is not in 0..=4294967295", value));
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace vevizovuvazavad
