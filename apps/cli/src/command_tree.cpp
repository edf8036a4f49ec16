#include "command_tree.hpp"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

namespace vevizovuvazavad::command_tree {
namespace {

Argument required_option(std::string_view id, std::string_view help = {}) {
    return {id, Form::option, true, help};
}
Argument optional_option(std::string_view id) { return {id, Form::option, false}; }
Argument flag(std::string_view id, std::string_view help) { return {id, Form::flag, false, help}; }
Argument positional(std::string_view id) { return {id, Form::positional, true}; }

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
constexpr std::string_view pubkey_about =
    "Print the 64-char hex **public** key of a signing seed, for `trust add`";
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
constexpr std::string_view demo_about =
    "Run the full retention / legal-hold / disposition lifecycle end to end in one process, narrating each step "
    "including the refusal paths. The primary proof that the engine works — see `STATUS.md`";

Command build_root() {
    return {
        .name = program_name,
        .about = "VuvadEdedoru retention, legal-hold and archive-package lifecycle",
        .subcommands = {
            {.name = "keygen",
             .about = "Generate a new Ed25519 signing seed file (0600 on unix)",
             .arguments = {positional("out")}},
            {.name = "retention",
             .about = "Retention policy lifecycle",
             .subcommands = {
                 {.name = "new",
                  .about = "Create a new retention policy",
                  .arguments = {required_option("name"), required_option("class", retention_classes),
                                required_option("min_days"), optional_option("max_days"),
                                flag("automated_disposition", automated_disposition_help),
                                optional_option("tenant"), optional_option("workspace"), required_option("out")}},
                 {.name = "extend",
                  .about = "Extend (never shorten) a policy's minimum retention",
                  .arguments = {required_option("policy"), required_option("min_days"), required_option("out")}},
                 {.name = "show", .about = "Print a policy's current state", .arguments = {positional("policy")}},
             }},
            {.name = "legal-hold",
             .about = "Legal hold lifecycle",
             .subcommands = {
                 {.name = "request",
                  .about = "Request a new legal hold",
                  .arguments = {required_option("name"), required_option("scope"),
                                required_option("reason", hold_reasons), required_option("requested_by"),
                                optional_option("tenant"), optional_option("workspace"), required_option("out")}},
                 {.name = "approve",
                  .arguments = {required_option("hold"), required_option("approved_by"), required_option("out")}},
                 {.name = "deny",
                  .arguments = {required_option("hold"), required_option("approved_by"), required_option("out")}},
                 {.name = "request-release", .arguments = {required_option("hold"), required_option("out")}},
                 {.name = "release",
                  .about = release_about,
                  .long_about = release_long_about,
                  .arguments = {required_option("hold"), required_option("approved_by"),
                                required_option("policy_ruleset", policy_ruleset_help),
                                required_option("trust_store", trust_store_help), required_option("out")}},
                 {.name = "assign",
                  .about = "Attach an active hold to an archive package (engine-level: refuses unless the hold is "
                           "Active)",
                  .arguments = {required_option("hold"), required_option("package"), required_option("out_package")}},
                 {.name = "unassign",
                  .about = "Clear a released hold from a package (engine-level: refuses unless the hold itself has "
                           "reached Released)",
                  .arguments = {required_option("hold"), required_option("package"), required_option("out_package")}},
                 {.name = "show", .arguments = {positional("hold")}},
             }},
            {.name = "target",
             .about = "Archive target registry (minimal — see STATUS.md for scope)",
             .subcommands = {
                 {.name = "new",
                  .about = "Register an archive storage target",
                  .arguments = {required_option("name"), required_option("target_type", target_types),
                                optional_option("tenant"), optional_option("workspace"), required_option("out")}},
                 {.name = "show", .arguments = {positional("target")}},
             }},
            {.name = "package",
             .about = "Archive package lifecycle",
             .subcommands = {
                 {.name = "new",
                  .about = "Create a new (unsealed) archive package",
                  .arguments = {required_option("target"), required_option("policy"),
                                required_option("source_product"), required_option("label"),
                                required_option("created_by"), optional_option("tenant"),
                                optional_option("workspace"), required_option("out")}},
                 {.name = "seal",
                  .about = seal_about,
                  .arguments = {required_option("package"), required_option("policy"), required_option("key_file"),
                                {"chunks", Form::repeated_option, true,
                                 "One or more files; each becomes one archived chunk"},
                                required_option("out_package"), required_option("out_manifest")}},
                 {.name = "verify",
                  .about = verify_about,
                  .arguments = {required_option("package"), required_option("manifest"),
                                required_option("key_file"), {"chunks", Form::repeated_option, false}}},
                 {.name = "show", .arguments = {positional("package")}},
             }},
            {.name = "disposition",
             .about = "Disposition review lifecycle",
             .subcommands = {
                 {.name = "review",
                  .about = "Open a disposition review for a sealed package",
                  .arguments = {required_option("package"), required_option("out")}},
                 {.name = "decide",
                  .about = "Record a decision. Refuses `dispose` outright if the package is under legal hold",
                  .arguments = {required_option("review"), required_option("package"),
                                required_option("decision", decisions), required_option("reviewed_by"),
                                required_option("out")}},
                 {.name = "execute",
                  .about = "Carry out a `dispose` decision. Refuses again, independently, if the package is under "
                           "legal hold at execution time",
                  .arguments = {required_option("review"), required_option("package"),
                                required_option("out_package")}},
                 {.name = "show", .arguments = {positional("review")}},
             }},
            {.name = "custody",
             .about = "Chain-of-custody: verify a recorded event chain",
             .subcommands = {
                 {.name = "verify",
                  .about = "Verify a chain-of-custody file against the signer's key",
                  .arguments = {required_option("chain"), required_option("key_file")}},
             }},
            {.name = "ruleset",
             .about = ruleset_about,
             .subcommands = {
                 {.name = "pubkey",
                  .about = pubkey_about,
                  .long_about = pubkey_long_about,
                  .arguments = {required_option("key")}},
                 {.name = "sign",
                  .about = sign_about,
                  .long_about = sign_long_about,
                  .arguments = {required_option("input"),
                                required_option("key",
                                                "A 64-char hex Ed25519 seed file, as written by `vevizovuvazavad "
                                                "keygen`"),
                                required_option("out")}},
             }},
            {.name = "trust",
             .about = trust_about,
             .subcommands = {
                 {.name = "add",
                  .about = "Add a ruleset-signing public key obtained out of band. Creates the store file if it "
                           "does not exist yet",
                  .arguments = {required_option("store"), required_option("name"),
                                required_option("pubkey",
                                                "64-character hex Ed25519 public key — see `vevizovuvazavad "
                                                "ruleset pubkey`")}},
                 {.name = "list",
                  .about = "List the currently trusted ruleset-signing keys",
                  .arguments = {required_option("store")}},
             }},
            {.name = "demo", .about = demo_about},
        },
    };
}

}  // namespace

const Command& root() {
    static const Command tree = build_root();
    return tree;
}

std::string option_name(const Argument& argument) {
    if (argument.id == "chunks") return "--chunk";
    std::string name = "--";
    name += argument.id;
    std::replace(name.begin(), name.end(), '_', '-');
    return name;
}

std::string value_name(const Argument& argument) {
    std::string name(argument.id);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string display_name(const Argument& argument) {
    switch (argument.form) {
        case Form::flag: return option_name(argument);
        case Form::positional: return fmt::format("<{}>", value_name(argument));
        case Form::option:
        case Form::repeated_option: break;
    }
    return fmt::format("{} <{}>", option_name(argument), value_name(argument));
}

}  // namespace vevizovuvazavad::command_tree
