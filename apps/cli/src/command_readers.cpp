#include "command_readers.hpp"

#include <algorithm>
#include <limits>
#include <optional>

#include <fmt/format.h>

#include <orrincore_error/text.hpp>

#include "command_tree.hpp"
#include "io/os_error.hpp"

namespace vevizovuvazavad {
namespace {

using command_tree::Command;

const Command* find_command(const std::vector<std::string>& path) {
    const Command* command = &command_tree::root();
    for (const std::string& name : path) {
        const auto& subcommands = command->subcommands;
        const auto found = std::find_if(subcommands.begin(), subcommands.end(),
                                        [&name](const Command& sub) { return sub.name == name; });
        if (found == subcommands.end()) return nullptr;
        command = &*found;
    }
    return command;
}

// One command's values, taken by argument id and checked by value type.
class Values {
public:
    explicit Values(const ParsedArguments& parsed) : parsed_(parsed), command_(find_command(parsed.command_path)) {}

    // The name at `depth` in the command path; a group without one is refused.
    const std::string& subcommand(std::size_t depth) const {
        if (parsed_.command_path.size() <= depth) fallback("a subcommand is required but one was not provided");
        return parsed_.command_path[depth];
    }
    [[noreturn]] void unrecognized(std::string_view name) const {
        fallback(fmt::format("the subcommand '{}' wasn't recognized", io::display_path(name)));
    }

    std::string text(std::string_view id) const { return checked_text(id, required(id)); }

    std::string path(std::string_view id) const { return checked_path(id, required(id)); }

    std::vector<std::string> paths(std::string_view id) const {
        std::vector<std::string> paths;
        if (const auto* given = all(id)) {
            for (const std::string& value : *given) paths.push_back(checked_path(id, value));
        }
        return paths;
    }

    bool flag(std::string_view id) const { return all(id) != nullptr; }

    std::uint32_t days(std::string_view id) const { return checked_days(id, required(id)); }

    std::optional<std::uint32_t> optional_days(std::string_view id) const {
        if (const auto* given = all(id)) return checked_days(id, given->front());
        return std::nullopt;
    }

    template <class Identifier>
    std::optional<Identifier> optional_identifier(std::string_view id) const {
        const auto* given = all(id);
        if (given == nullptr) return std::nullopt;
        auto identifier = Identifier::from_str(checked_text(id, given->front()));
        if (!identifier) invalid_value(id, given->front(), identifier.error().message());
        return *identifier;
    }

private:
    const std::vector<std::string>* all(std::string_view id) const {
        const auto found = parsed_.values.find(id);
        return found == parsed_.values.end() || found->second.empty() ? nullptr : &found->second;
    }

    const std::string& required(std::string_view id) const {
        const auto* given = all(id);
        if (given == nullptr) fallback(fmt::format("the following required argument was not provided: {}", id));
        return given->front();
    }

    const std::string& checked_text(std::string_view, const std::string& value) const {
        if (!orrincore_error::is_valid_utf8(value)) refuse("invalid UTF-8 was detected in one or more arguments");
        return value;
    }

    const std::string& checked_path(std::string_view id, const std::string& value) const {
        if (value.empty()) refuse(fmt::format("a value is required for '{}' but none was supplied", shown(id)));
        return value;
    }

    std::uint32_t checked_days(std::string_view id, const std::string& value) const {
        const auto days = read_day_count(checked_text(id, value));
        if (!days) invalid_value(id, value, days.error());
        return *days;
    }

    [[noreturn]] void invalid_value(std::string_view id, std::string_view value, std::string_view reason) const {
        refuse(fmt::format("invalid value '{}' for '{}': {}", value, shown(id), reason));
    }

    std::string shown(std::string_view id) const {
        if (command_ != nullptr) {
            for (const auto& argument : command_->arguments) {
                if (argument.id == id) return command_tree::display_name(argument);
            }
        }
        return std::string(id);
    }

    // A value the parser took but the value type refuses: shown with the
    // command's own usage.
    [[noreturn]] void refuse(std::string message) const { throw UsageError{std::move(message), parsed_.command_path}; }
    // What only a parser that let a malformed command line through can
    // cause: shown with the top-level usage.
    [[noreturn]] void fallback(std::string message) const { throw UsageError{std::move(message), {}}; }

    const ParsedArguments& parsed_;
    const Command* command_;
};

using zedododor_avovodizi::ids::TenantId;
using zedododor_avovodizi::ids::WorkspaceId;

RetentionCommand read_retention(const Values& v) {
    const std::string& name = v.subcommand(1);
    if (name == "new") {
        return {RetentionCommand::New{
            .name = v.text("name"),
            .class_word = v.text("class"),
            .min_days = v.days("min_days"),
            .max_days = v.optional_days("max_days"),
            .automated_disposition = v.flag("automated_disposition"),
            .tenant = v.optional_identifier<TenantId>("tenant"),
            .workspace = v.optional_identifier<WorkspaceId>("workspace"),
            .out = v.path("out"),
        }};
    }
    if (name == "extend") {
        return {RetentionCommand::Extend{
            .policy = v.path("policy"), .min_days = v.days("min_days"), .out = v.path("out")}};
    }
    if (name == "show") return {RetentionCommand::Show{.policy = v.path("policy")}};
    v.unrecognized(name);
}

LegalHoldCommand read_legal_hold(const Values& v) {
    using C = LegalHoldCommand;
    const std::string& name = v.subcommand(1);
    if (name == "request") {
        return {C::Request{
            .name = v.text("name"),
            .scope = v.text("scope"),
            .reason = v.text("reason"),
            .requested_by = v.text("requested_by"),
            .tenant = v.optional_identifier<TenantId>("tenant"),
            .workspace = v.optional_identifier<WorkspaceId>("workspace"),
            .out = v.path("out"),
        }};
    }
    if (name == "approve") {
        return {C::Approve{.hold = v.path("hold"), .approved_by = v.text("approved_by"), .out = v.path("out")}};
    }
    if (name == "deny") {
        return {C::Deny{.hold = v.path("hold"), .approved_by = v.text("approved_by"), .out = v.path("out")}};
    }
    if (name == "request-release") return {C::RequestRelease{.hold = v.path("hold"), .out = v.path("out")}};
    if (name == "release") {
        return {C::Release{
            .hold = v.path("hold"),
            .approved_by = v.text("approved_by"),
            .policy_ruleset = v.path("policy_ruleset"),
            .trust_store = v.path("trust_store"),
            .out = v.path("out"),
        }};
    }
    if (name == "assign") {
        return {C::Assign{
            .hold = v.path("hold"), .package = v.path("package"), .out_package = v.path("out_package")}};
    }
    if (name == "unassign") {
        return {C::Unassign{
            .hold = v.path("hold"), .package = v.path("package"), .out_package = v.path("out_package")}};
    }
    if (name == "show") return {C::Show{.hold = v.path("hold")}};
    v.unrecognized(name);
}

TargetCommand read_target(const Values& v) {
    const std::string& name = v.subcommand(1);
    if (name == "new") {
        return {TargetCommand::New{
            .name = v.text("name"),
            .target_type = v.text("target_type"),
            .tenant = v.optional_identifier<TenantId>("tenant"),
            .workspace = v.optional_identifier<WorkspaceId>("workspace"),
            .out = v.path("out"),
        }};
    }
    if (name == "show") return {TargetCommand::Show{.target = v.path("target")}};
    v.unrecognized(name);
}

PackageCommand read_package(const Values& v) {
    using C = PackageCommand;
    const std::string& name = v.subcommand(1);
    if (name == "new") {
        return {C::New{
            .target = v.path("target"),
            .policy = v.path("policy"),
            .source_product = v.text("source_product"),
            .label = v.text("label"),
            .created_by = v.text("created_by"),
            .tenant = v.optional_identifier<TenantId>("tenant"),
            .workspace = v.optional_identifier<WorkspaceId>("workspace"),
            .out = v.path("out"),
        }};
    }
    if (name == "seal") {
        return {C::Seal{
            .package = v.path("package"),
            .policy = v.path("policy"),
            .key_file = v.path("key_file"),
            .chunks = v.paths("chunks"),
            .out_package = v.path("out_package"),
            .out_manifest = v.path("out_manifest"),
        }};
    }
    if (name == "verify") {
        return {C::Verify{
            .package = v.path("package"),
            .manifest = v.path("manifest"),
            .key_file = v.path("key_file"),
            .chunks = v.paths("chunks"),
        }};
    }
    if (name == "show") return {C::Show{.package = v.path("package")}};
    v.unrecognized(name);
}

DispositionCommand read_disposition(const Values& v) {
    using C = DispositionCommand;
    const std::string& name = v.subcommand(1);
    if (name == "review") return {C::Review{.package = v.path("package"), .out = v.path("out")}};
    if (name == "decide") {
        return {C::Decide{
            .review = v.path("review"),
            .package = v.path("package"),
            .decision = v.text("decision"),
            .reviewed_by = v.text("reviewed_by"),
            .out = v.path("out"),
        }};
    }
    if (name == "execute") {
        return {C::Execute{
            .review = v.path("review"), .package = v.path("package"), .out_package = v.path("out_package")}};
    }
    if (name == "show") return {C::Show{.review = v.path("review")}};
    v.unrecognized(name);
}

CustodyCommand read_custody(const Values& v) {
    const std::string& name = v.subcommand(1);
    if (name == "verify") return {CustodyCommand::Verify{.chain = v.path("chain"), .key_file = v.path("key_file")}};
    v.unrecognized(name);
}

RulesetCommand read_ruleset(const Values& v) {
    const std::string& name = v.subcommand(1);
    if (name == "pubkey") return {RulesetCommand::Pubkey{.key = v.path("key")}};
    if (name == "sign") {
        return {RulesetCommand::Sign{.input = v.path("input"), .key = v.path("key"), .out = v.path("out")}};
    }
    v.unrecognized(name);
}

TrustCommand read_trust(const Values& v) {
    const std::string& name = v.subcommand(1);
    if (name == "add") {
        return {TrustCommand::Add{.store = v.path("store"), .name = v.text("name"), .pubkey = v.text("pubkey")}};
    }
    if (name == "list") return {TrustCommand::List{.store = v.path("store")}};
    v.unrecognized(name);
}

CliCommand read_command(const Values& v) {
    const std::string& group = v.subcommand(0);
    if (group == "keygen") return KeygenCommand{.out = v.path("out")};
    if (group == "retention") return read_retention(v);
    if (group == "legal-hold") return read_legal_hold(v);
    if (group == "target") return read_target(v);
    if (group == "package") return read_package(v);
    if (group == "disposition") return read_disposition(v);
    if (group == "custody") return read_custody(v);
    if (group == "ruleset") return read_ruleset(v);
    if (group == "trust") return read_trust(v);
    if (group == "demo") return DemoCommand{};
    v.unrecognized(group);
}

}  // namespace

Cli read_cli(const ParsedArguments& parsed) {
    const Values values(parsed);
    return Cli{.json = parsed.json, .command = read_command(values)};
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
