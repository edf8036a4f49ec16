#include "command_line/command_tree.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <type_traits>

#include <fmt/format.h>

namespace vevizovuvazavad::command_tree {
namespace {

namespace ids = zedododor_avovodizi::ids;

// Where the value of a command without subcommands sits in CliCommand: for
// `keygen` and `demo` it is the group's own value, for any other it is one
// alternative of its group's variant.
template <class T, class Variant>
constexpr bool is_alternative = false;
template <class T, class... Alternatives>
constexpr bool is_alternative<T, std::variant<Alternatives...>> = (std::is_same_v<T, Alternatives> || ...);

template <class Value, class Group>
constexpr bool is_subcommand_of() {
    if constexpr (requires { Group::value; }) return is_alternative<Value, decltype(Group::value)>;
    return false;
}

template <class Value, class Groups>
struct GroupOf;
template <class Value, class Group, class... Others>
struct GroupOf<Value, std::variant<Group, Others...>>
    : std::conditional_t<is_subcommand_of<Value, Group>(), std::type_identity<Group>,
                         GroupOf<Value, std::variant<Others...>>> {};

template <class Value>
Value& value_in(CliCommand& command) {
    if constexpr (is_alternative<Value, CliCommand>) {
        return std::get<Value>(command);
    } else {
        using Group = typename GroupOf<Value, CliCommand>::type;
        return std::get<Value>(std::get<Group>(command).value);
    }
}

template <class Value>
CliCommand make() {
    if constexpr (is_alternative<Value, CliCommand>) {
        return Value{};
    } else {
        using Group = typename GroupOf<Value, CliCommand>::type;
        return Group{Value{}};
    }
}

template <class Member>
struct MemberOf;
template <class Class, class Type>
struct MemberOf<Type Class::*> {
    using Value = Class;
    using Field = Type;
};
template <auto member>
using ValueOf = typename MemberOf<decltype(member)>::Value;
template <auto member>
using FieldOf = typename MemberOf<decltype(member)>::Field;

template <auto member>
void fill(CliCommand& command, FieldValue&& value) {
    value_in<ValueOf<member>>(command).*member = std::get<FieldOf<member>>(std::move(value));
}

// An argument that fills a field of `Value`, the value of one command:
// `arguments` takes only arguments of one command's fields.
template <class Value>
struct Field {
    Argument argument;
};

template <auto member, class Type>
constexpr Field<ValueOf<member>> field(std::string_view id, std::string_view option, Kind kind, std::string_view help) {
    static_assert(std::is_same_v<FieldOf<member>, Type>, "the field's type is not the one its kind reads");
    return {{id, option, kind, help, &fill<member>}};
}

template <auto member>
constexpr Field<ValueOf<member>> text(std::string_view id, std::string_view option, std::string_view help = {}) {
    return field<member, std::string>(id, option, Kind::text, help);
}
template <auto member>
constexpr Field<ValueOf<member>> path(std::string_view id, std::string_view option, std::string_view help = {}) {
    return field<member, std::string>(id, option, Kind::path, help);
}
template <auto member>
constexpr Field<ValueOf<member>> positional(std::string_view id) {
    return field<member, std::string>(id, {}, Kind::path, {});
}
template <auto member>
constexpr Field<ValueOf<member>> days(std::string_view id, std::string_view option) {
    if constexpr (std::is_same_v<FieldOf<member>, std::uint32_t>) {
        return field<member, std::uint32_t>(id, option, Kind::day_count, {});
    } else {
        return field<member, std::optional<std::uint32_t>>(id, option, Kind::optional_day_count, {});
    }
}
template <auto member>
constexpr Field<ValueOf<member>> flag(std::string_view id, std::string_view option, std::string_view help) {
    return field<member, bool>(id, option, Kind::flag, help);
}
template <auto member>
constexpr Field<ValueOf<member>> identifier(std::string_view id, std::string_view option) {
    if constexpr (std::is_same_v<FieldOf<member>, std::optional<ids::TenantId>>) {
        return field<member, std::optional<ids::TenantId>>(id, option, Kind::optional_tenant_id, {});
    } else {
        return field<member, std::optional<ids::WorkspaceId>>(id, option, Kind::optional_workspace_id, {});
    }
}
template <auto member>
constexpr Field<ValueOf<member>> paths(std::string_view id, std::string_view option, std::string_view help = {}) {
    return field<member, std::vector<std::string>>(id, option, Kind::paths, help);
}
template <auto member>
constexpr Field<ValueOf<member>> one_or_more_paths(std::string_view id, std::string_view option,
                                                   std::string_view help = {}) {
    return field<member, std::vector<std::string>>(id, option, Kind::one_or_more_paths, help);
}

// The arguments of one command, each of which fills a field of `Value`, the
// command's value; as many as were declared.
template <class Value, std::size_t count>
struct Arguments {
    std::array<Argument, count> list;
};

template <class Value, std::size_t count>
consteval Arguments<Value, count> arguments(const Field<Value> (&fields)[count]) {
    Arguments<Value, count> arguments{};
    for (std::size_t i = 0; i < count; ++i) arguments.list[i] = fields[i].argument;
    if (!has_unambiguous_names(arguments.list))
        throw "the arguments of a command are ambiguous (has_unambiguous_names)";
    for (const Argument& argument : arguments.list)
        if (!option_spells_id(argument)) throw "an option is not its argument's id as typed (option_spells_id)";
    return arguments;
}

struct Texts {
    std::string_view name;
    std::string_view about = {};
    std::string_view long_about = {};
};

// A command without subcommands, whose value `Value` its arguments fill.
template <class Value, std::size_t count>
consteval Command leaf(Texts texts, const Arguments<Value, count>& arguments) {
    return {texts.name, texts.about, texts.long_about, arguments.list, {}, &make<Value>};
}
template <class Value>
consteval Command leaf(Texts texts) {
    return {texts.name, texts.about, texts.long_about, {}, {}, &make<Value>};
}

consteval Command group(Texts texts, std::span<const Command> subcommands) {
    return {texts.name, texts.about, texts.long_about, {}, subcommands, nullptr};
}

constexpr std::string_view retention_classes =
    "One of: ephemeral, operational, security, compliance, privacy_sensitive, debug, user_controlled, legal_hold";
constexpr std::string_view automated_disposition_help =
    "Opt in to policy-level automated disposition (still blocked by any active legal hold — see STATUS.md). "
    "Default is review-required";
constexpr std::string_view hold_reasons =
    "One of: litigation, regulatory_inquiry, internal_investigation, law_enforcement_request, "
    "contractual_obligation";
constexpr std::string_view release_about = "Release a hold, gated on a REAL policy evaluation (spec §17)";
constexpr std::string_view release_long_about =
    "Release a hold, gated on a REAL policy evaluation (spec §17).\n"
    "\n"
    "The decision is produced by `ridoroduz_arozav::evaluate` against a ruleset that a key in `--trust-store` "
    "signed — never by anything the caller types. Both flags are required: there is no default that lets a "
    "release skip policy.\n"
    "\n"
    "Set one up with `vevizovuvazavad keygen`, `ruleset pubkey`, `trust add` and `ruleset sign`.";
constexpr std::string_view policy_ruleset_help =
    "A signed `SignedPolicyRuleset` envelope — see `vevizovuvazavad ruleset sign`. A plain, unsigned "
    "`PolicyRuleset` document is refused";
constexpr std::string_view trust_store_help =
    "The trust store of ruleset-signing public keys the ruleset must verify against — see `vevizovuvazavad "
    "trust add`. A missing or empty store refuses everything";
constexpr std::string_view target_types = "One of: orrin_cloud, s3_compatible, local_filesystem, test_fixture";
constexpr std::string_view seal_about =
    "Seal a package: builds a signed manifest from real chunk files, hashes and signs it, and seals the package "
    "against that manifest's hash. Refuses if the package is already sealed";
constexpr std::string_view verify_about =
    "Verify a sealed package against its manifest: signature, package/manifest linkage, and (if `--chunk` files "
    "are supplied) real chunk-hash integrity";
constexpr std::string_view decisions = "One of: dispose, extend_retention, apply_hold, defer, deny";
constexpr std::string_view ruleset_about =
    "Policy-ruleset signing: turn a plain `PolicyRuleset` document into the signed envelope `legal-hold release "
    "--policy-ruleset` requires, and print a signer's public key so it can be trusted elsewhere";
constexpr std::string_view pubkey_about = "Print the 64-char hex **public** key of a signing seed, for `trust add`";
constexpr std::string_view pubkey_long_about =
    "Print the 64-char hex **public** key of a signing seed, for `trust add`.\n"
    "\n"
    "Separate from `keygen` (which prints only a fingerprint) because establishing trust needs the key itself, "
    "and because the public half must be shareable without ever moving the seed file.";
constexpr std::string_view sign_about =
    "Structurally validate, then sign, a plain `PolicyRuleset` document into the signed envelope "
    "`--policy-ruleset` requires";
constexpr std::string_view sign_long_about =
    "Structurally validate, then sign, a plain `PolicyRuleset` document into the signed envelope "
    "`--policy-ruleset` requires.\n"
    "\n"
    "Refuses to sign a ruleset that would not itself pass validation — a signature over a malformed document is "
    "not useful and produces only false confidence.";
constexpr std::string_view trust_about =
    "The trust store of ruleset-signing public keys: established deliberately by an operator who obtained a "
    "signer's public key out of band, never derived from a ruleset the store is later asked to verify";
constexpr std::string_view assign_about =
    "Attach an active hold to an archive package (engine-level: refuses unless the hold is Active)";
constexpr std::string_view unassign_about =
    "Clear a released hold from a package (engine-level: refuses unless the hold itself has reached Released)";
constexpr std::string_view chunks_help = "One or more files; each becomes one archived chunk";
constexpr std::string_view decide_about =
    "Record a decision. Refuses `dispose` outright if the package is under legal hold";
constexpr std::string_view execute_about =
    "Carry out a `dispose` decision. Refuses again, independently, if the package is under legal hold at "
    "execution time";
constexpr std::string_view seed_file_help = "A 64-char hex Ed25519 seed file, as written by `vevizovuvazavad keygen`";
constexpr std::string_view trust_add_about =
    "Add a ruleset-signing public key obtained out of band. Creates the store file if it does not exist yet";
constexpr std::string_view pubkey_help = "64-character hex Ed25519 public key — see `vevizovuvazavad ruleset pubkey`";
constexpr std::string_view demo_about =
    "Run the full retention / legal-hold / disposition lifecycle end to end in one process, narrating each step "
    "including the refusal paths. The primary proof that the engine works — see `STATUS.md`";

constexpr auto retention_new_arguments = arguments({
    text<&RetentionCommand::New::name>("name", "--name"),
    text<&RetentionCommand::New::class_word>("class", "--class", retention_classes),
    days<&RetentionCommand::New::min_days>("min_days", "--min-days"),
    days<&RetentionCommand::New::max_days>("max_days", "--max-days"),
    flag<&RetentionCommand::New::automated_disposition>("automated_disposition", "--automated-disposition",
                                                        automated_disposition_help),
    identifier<&RetentionCommand::New::tenant>("tenant", "--tenant"),
    identifier<&RetentionCommand::New::workspace>("workspace", "--workspace"),
    path<&RetentionCommand::New::out>("out", "--out"),
});
constexpr auto retention_extend_arguments = arguments({
    path<&RetentionCommand::Extend::policy>("policy", "--policy"),
    days<&RetentionCommand::Extend::min_days>("min_days", "--min-days"),
    path<&RetentionCommand::Extend::out>("out", "--out"),
});
constexpr auto retention_show_arguments = arguments({positional<&RetentionCommand::Show::policy>("policy")});

constexpr Command retention_commands[] = {
    leaf({.name = "new", .about = "Create a new retention policy"}, retention_new_arguments),
    leaf({.name = "extend", .about = "Extend (never shorten) a policy's minimum retention"},
         retention_extend_arguments),
    leaf({.name = "show", .about = "Print a policy's current state"}, retention_show_arguments),
};

constexpr auto hold_request_arguments = arguments({
    text<&LegalHoldCommand::Request::name>("name", "--name"),
    text<&LegalHoldCommand::Request::scope>("scope", "--scope"),
    text<&LegalHoldCommand::Request::reason>("reason", "--reason", hold_reasons),
    text<&LegalHoldCommand::Request::requested_by>("requested_by", "--requested-by"),
    identifier<&LegalHoldCommand::Request::tenant>("tenant", "--tenant"),
    identifier<&LegalHoldCommand::Request::workspace>("workspace", "--workspace"),
    path<&LegalHoldCommand::Request::out>("out", "--out"),
});
constexpr auto hold_approve_arguments = arguments({
    path<&LegalHoldCommand::Approve::hold>("hold", "--hold"),
    text<&LegalHoldCommand::Approve::approved_by>("approved_by", "--approved-by"),
    path<&LegalHoldCommand::Approve::out>("out", "--out"),
});
constexpr auto hold_deny_arguments = arguments({
    path<&LegalHoldCommand::Deny::hold>("hold", "--hold"),
    text<&LegalHoldCommand::Deny::approved_by>("approved_by", "--approved-by"),
    path<&LegalHoldCommand::Deny::out>("out", "--out"),
});
constexpr auto hold_request_release_arguments = arguments({
    path<&LegalHoldCommand::RequestRelease::hold>("hold", "--hold"),
    path<&LegalHoldCommand::RequestRelease::out>("out", "--out"),
});
constexpr auto hold_release_arguments = arguments({
    path<&LegalHoldCommand::Release::hold>("hold", "--hold"),
    text<&LegalHoldCommand::Release::approved_by>("approved_by", "--approved-by"),
    path<&LegalHoldCommand::Release::policy_ruleset>("policy_ruleset", "--policy-ruleset", policy_ruleset_help),
    path<&LegalHoldCommand::Release::trust_store>("trust_store", "--trust-store", trust_store_help),
    path<&LegalHoldCommand::Release::out>("out", "--out"),
});
constexpr auto hold_assign_arguments = arguments({
    path<&LegalHoldCommand::Assign::hold>("hold", "--hold"),
    path<&LegalHoldCommand::Assign::package>("package", "--package"),
    path<&LegalHoldCommand::Assign::out_package>("out_package", "--out-package"),
});
constexpr auto hold_unassign_arguments = arguments({
    path<&LegalHoldCommand::Unassign::hold>("hold", "--hold"),
    path<&LegalHoldCommand::Unassign::package>("package", "--package"),
    path<&LegalHoldCommand::Unassign::out_package>("out_package", "--out-package"),
});
constexpr auto hold_show_arguments = arguments({positional<&LegalHoldCommand::Show::hold>("hold")});

constexpr Command legal_hold_commands[] = {
    leaf({.name = "request", .about = "Request a new legal hold"}, hold_request_arguments),
    leaf({.name = "approve"}, hold_approve_arguments),
    leaf({.name = "deny"}, hold_deny_arguments),
    leaf({.name = "request-release"}, hold_request_release_arguments),
    leaf({.name = "release", .about = release_about, .long_about = release_long_about}, hold_release_arguments),
    leaf({.name = "assign", .about = assign_about}, hold_assign_arguments),
    leaf({.name = "unassign", .about = unassign_about}, hold_unassign_arguments),
    leaf({.name = "show"}, hold_show_arguments),
};

constexpr auto target_new_arguments = arguments({
    text<&TargetCommand::New::name>("name", "--name"),
    text<&TargetCommand::New::target_type>("target_type", "--target-type", target_types),
    identifier<&TargetCommand::New::tenant>("tenant", "--tenant"),
    identifier<&TargetCommand::New::workspace>("workspace", "--workspace"),
    path<&TargetCommand::New::out>("out", "--out"),
});
constexpr auto target_show_arguments = arguments({positional<&TargetCommand::Show::target>("target")});

constexpr Command target_commands[] = {
    leaf({.name = "new", .about = "Register an archive storage target"}, target_new_arguments),
    leaf({.name = "show"}, target_show_arguments),
};

constexpr auto package_new_arguments = arguments({
    path<&PackageCommand::New::target>("target", "--target"),
    path<&PackageCommand::New::policy>("policy", "--policy"),
    text<&PackageCommand::New::source_product>("source_product", "--source-product"),
    text<&PackageCommand::New::label>("label", "--label"),
    text<&PackageCommand::New::created_by>("created_by", "--created-by"),
    identifier<&PackageCommand::New::tenant>("tenant", "--tenant"),
    identifier<&PackageCommand::New::workspace>("workspace", "--workspace"),
    path<&PackageCommand::New::out>("out", "--out"),
});
// One `--chunk` per file: the option is named for one value, the field for all
// (option_spells_id).
constexpr auto package_seal_arguments = arguments({
    path<&PackageCommand::Seal::package>("package", "--package"),
    path<&PackageCommand::Seal::policy>("policy", "--policy"),
    path<&PackageCommand::Seal::key_file>("key_file", "--key-file"),
    one_or_more_paths<&PackageCommand::Seal::chunks>("chunks", "--chunk", chunks_help),
    path<&PackageCommand::Seal::out_package>("out_package", "--out-package"),
    path<&PackageCommand::Seal::out_manifest>("out_manifest", "--out-manifest"),
});
constexpr auto package_verify_arguments = arguments({
    path<&PackageCommand::Verify::package>("package", "--package"),
    path<&PackageCommand::Verify::manifest>("manifest", "--manifest"),
    path<&PackageCommand::Verify::key_file>("key_file", "--key-file"),
    paths<&PackageCommand::Verify::chunks>("chunks", "--chunk"),
});
constexpr auto package_show_arguments = arguments({positional<&PackageCommand::Show::package>("package")});

constexpr Command package_commands[] = {
    leaf({.name = "new", .about = "Create a new (unsealed) archive package"}, package_new_arguments),
    leaf({.name = "seal", .about = seal_about}, package_seal_arguments),
    leaf({.name = "verify", .about = verify_about}, package_verify_arguments),
    leaf({.name = "show"}, package_show_arguments),
};

constexpr auto disposition_review_arguments = arguments({
    path<&DispositionCommand::Review::package>("package", "--package"),
    path<&DispositionCommand::Review::out>("out", "--out"),
});
constexpr auto disposition_decide_arguments = arguments({
    path<&DispositionCommand::Decide::review>("review", "--review"),
    path<&DispositionCommand::Decide::package>("package", "--package"),
    text<&DispositionCommand::Decide::decision>("decision", "--decision", decisions),
    text<&DispositionCommand::Decide::reviewed_by>("reviewed_by", "--reviewed-by"),
    path<&DispositionCommand::Decide::out>("out", "--out"),
});
constexpr auto disposition_execute_arguments = arguments({
    path<&DispositionCommand::Execute::review>("review", "--review"),
    path<&DispositionCommand::Execute::package>("package", "--package"),
    path<&DispositionCommand::Execute::out_package>("out_package", "--out-package"),
});
constexpr auto disposition_show_arguments = arguments({positional<&DispositionCommand::Show::review>("review")});

constexpr Command disposition_commands[] = {
    leaf({.name = "review", .about = "Open a disposition review for a sealed package"}, disposition_review_arguments),
    leaf({.name = "decide", .about = decide_about}, disposition_decide_arguments),
    leaf({.name = "execute", .about = execute_about}, disposition_execute_arguments),
    leaf({.name = "show"}, disposition_show_arguments),
};

constexpr auto custody_verify_arguments = arguments({
    path<&CustodyCommand::Verify::chain>("chain", "--chain"),
    path<&CustodyCommand::Verify::key_file>("key_file", "--key-file"),
});

constexpr Command custody_commands[] = {
    leaf({.name = "verify", .about = "Verify a chain-of-custody file against the signer's key"},
         custody_verify_arguments),
};

constexpr auto ruleset_pubkey_arguments = arguments({path<&RulesetCommand::Pubkey::key>("key", "--key")});
constexpr auto ruleset_sign_arguments = arguments({
    path<&RulesetCommand::Sign::input>("input", "--input"),
    path<&RulesetCommand::Sign::key>("key", "--key", seed_file_help),
    path<&RulesetCommand::Sign::out>("out", "--out"),
});

constexpr Command ruleset_commands[] = {
    leaf({.name = "pubkey", .about = pubkey_about, .long_about = pubkey_long_about}, ruleset_pubkey_arguments),
    leaf({.name = "sign", .about = sign_about, .long_about = sign_long_about}, ruleset_sign_arguments),
};

constexpr auto trust_add_arguments = arguments({
    path<&TrustCommand::Add::store>("store", "--store"),
    text<&TrustCommand::Add::name>("name", "--name"),
    text<&TrustCommand::Add::pubkey>("pubkey", "--pubkey", pubkey_help),
});
constexpr auto trust_list_arguments = arguments({path<&TrustCommand::List::store>("store", "--store")});

constexpr Command trust_commands[] = {
    leaf({.name = "add", .about = trust_add_about}, trust_add_arguments),
    leaf({.name = "list", .about = "List the currently trusted ruleset-signing keys"}, trust_list_arguments),
};

constexpr auto keygen_arguments = arguments({positional<&KeygenCommand::out>("out")});

// The groups in the order of the help listing.
constexpr Command groups[] = {
    leaf({.name = "keygen", .about = "Generate a new Ed25519 signing seed file (0600 on unix)"}, keygen_arguments),
    group({.name = "retention", .about = "Retention policy lifecycle"}, retention_commands),
    group({.name = "legal-hold", .about = "Legal hold lifecycle"}, legal_hold_commands),
    group({.name = "target", .about = "Archive target registry (minimal — see STATUS.md for scope)"}, target_commands),
    group({.name = "package", .about = "Archive package lifecycle"}, package_commands),
    group({.name = "disposition", .about = "Disposition review lifecycle"}, disposition_commands),
    group({.name = "custody", .about = "Chain-of-custody: verify a recorded event chain"}, custody_commands),
    group({.name = "ruleset", .about = ruleset_about}, ruleset_commands),
    group({.name = "trust", .about = trust_about}, trust_commands),
    leaf<DemoCommand>({.name = "demo", .about = demo_about}),
};

constexpr Command tree =
    group({.name = program_name, .about = "VuvadEdedoru retention, legal-hold and archive-package lifecycle"}, groups);

}  // namespace

const Command& root() { return tree; }

const Command* find_subcommand(const Command& command, std::string_view name) {
    const auto found = std::find_if(command.subcommands.begin(), command.subcommands.end(),
                                    [name](const Command& sub) { return sub.name == name; });
    return found == command.subcommands.end() ? nullptr : &*found;
}

std::vector<std::string> subcommand_names(const Command& command) {
    std::vector<std::string> names;
    for (const Command& sub : command.subcommands) names.emplace_back(sub.name);
    if (!names.empty()) names.emplace_back("help");
    return names;
}

std::string value_name(const Argument& argument) {
    std::string name(argument.id);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string display_name(const Argument& argument) {
    if (argument.is_positional()) return fmt::format("<{}>", value_name(argument));
    if (argument.is_flag()) return std::string(argument.option);
    return fmt::format("{} <{}>", argument.option, value_name(argument));
}

}  // namespace vevizovuvazavad::command_tree
