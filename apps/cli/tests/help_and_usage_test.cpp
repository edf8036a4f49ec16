// The command line as its users meet it: statuses, streams and exact texts of
// help, version and usage errors, through the built tool.
#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "run_tool.hpp"

namespace {

using vevizovuvazavad::testing::RunOptions;
using vevizovuvazavad::testing::StreamSetup;
using vevizovuvazavad::testing::ToolFolder;

std::string usage_error(std::string_view message, std::string_view usage) {
    return fmt::format("error: {}\n\nUsage: {}\n\nFor more information, try '--help'.\n", message, usage);
}

const std::string top_usage = "vevizovuvazavad [OPTIONS] <COMMAND>";
const std::string retention_usage = "vevizovuvazavad retention [OPTIONS] <COMMAND>";
const std::string retention_new_usage =
    "vevizovuvazavad retention new [OPTIONS] --name <NAME> --class <CLASS> --min-days <MIN_DAYS> --out <OUT>";
const std::string keygen_usage = "vevizovuvazavad keygen [OPTIONS] <OUT>";
const std::string demo_usage = "vevizovuvazavad demo [OPTIONS]";
const std::string seal_usage =
    "vevizovuvazavad package seal [OPTIONS] --package <PACKAGE> --policy <POLICY> --key-file <KEY_FILE> --chunk "
    "<CHUNKS> --out-package <OUT_PACKAGE> --out-manifest <OUT_MANIFEST>";

const std::string top_help =
    "VuvadEdedoru retention, legal-hold and archive-package lifecycle\n"
    "\n"
    "Usage: vevizovuvazavad [OPTIONS] <COMMAND>\n"
    "\n"
    "Commands:\n"
    "  keygen       Generate a new Ed25519 signing seed file (0600 on unix)\n"
    "  retention    Retention policy lifecycle\n"
    "  legal-hold   Legal hold lifecycle\n"
    "  target       Archive target registry (minimal — see STATUS.md for scope)\n"
    "  package      Archive package lifecycle\n"
    "  disposition  Disposition review lifecycle\n"
    "  custody      Chain-of-custody: verify a recorded event chain\n"
    "  ruleset      Policy-ruleset signing: turn a plain `PolicyRuleset` document into the signed envelope "
    "`legal-hold release --policy-ruleset` requires, and print a signer's public key so it can be trusted "
    "elsewhere\n"
    "  trust        The trust store of ruleset-signing public keys: established deliberately by an operator who "
    "obtained a signer's public key out of band, never derived from a ruleset the store is later asked to "
    "verify\n"
    "  demo         Run the full retention / legal-hold / disposition lifecycle end to end in one process, "
    "narrating each step including the refusal paths. The primary proof that the engine works — see "
    "`STATUS.md`\n"
    "  help         Print this message or the help of the given subcommand(s)\n"
    "\n"
    "Options:\n"
    "      --json     Emit JSON instead of human-readable text\n"
    "  -h, --help     Print help\n"
    "  -V, --version  Print version\n";

const std::string retention_help =
    "Retention policy lifecycle\n"
    "\n"
    "Usage: vevizovuvazavad retention [OPTIONS] <COMMAND>\n"
    "\n"
    "Commands:\n"
    "  new     Create a new retention policy\n"
    "  extend  Extend (never shorten) a policy's minimum retention\n"
    "  show    Print a policy's current state\n"
    "  help    Print this message or the help of the given subcommand(s)\n"
    "\n"
    "Options:\n"
    "      --json  Emit JSON instead of human-readable text\n"
    "  -h, --help  Print help\n";

const std::string retention_new_help =
    "Create a new retention policy\n"
    "\n"
    "Usage: " +
    retention_new_usage +
    "\n"
    "\n"
    "Options:\n"
    "      --name <NAME>\n"
    "      --class <CLASS>          One of: ephemeral, operational, security, compliance, privacy_sensitive, debug, "
    "user_controlled, legal_hold\n"
    "      --min-days <MIN_DAYS>\n"
    "      --max-days <MAX_DAYS>\n"
    "      --automated-disposition  Opt in to policy-level automated disposition (still blocked by any active legal "
    "hold — see STATUS.md). Default is review-required\n"
    "      --tenant <TENANT>\n"
    "      --workspace <WORKSPACE>\n"
    "      --out <OUT>\n"
    "      --json                   Emit JSON instead of human-readable text\n"
    "  -h, --help                   Print help\n";

const std::string keygen_help =
    "Generate a new Ed25519 signing seed file (0600 on unix)\n"
    "\n"
    "Usage: vevizovuvazavad keygen [OPTIONS] <OUT>\n"
    "\n"
    "Arguments:\n"
    "  <OUT>\n"
    "\n"
    "Options:\n"
    "      --json  Emit JSON instead of human-readable text\n"
    "  -h, --help  Print help\n";

const std::string target_show_help =
    "Usage: vevizovuvazavad target show [OPTIONS] <TARGET>\n"
    "\n"
    "Arguments:\n"
    "  <TARGET>\n"
    "\n"
    "Options:\n"
    "      --json  Emit JSON instead of human-readable text\n"
    "  -h, --help  Print help\n";

const std::string release_options =
    "\n"
    "Usage: vevizovuvazavad legal-hold release [OPTIONS] --hold <HOLD> --approved-by <APPROVED_BY> "
    "--policy-ruleset <POLICY_RULESET> --trust-store <TRUST_STORE> --out <OUT>\n"
    "\n"
    "Options:\n"
    "      --hold <HOLD>\n"
    "      --approved-by <APPROVED_BY>\n"
    "      --policy-ruleset <POLICY_RULESET>  A signed `SignedPolicyRuleset` envelope — see `vevizovuvazavad "
    "ruleset sign`. A plain, unsigned `PolicyRuleset` document is refused\n"
    "      --trust-store <TRUST_STORE>        The trust store of ruleset-signing public keys the ruleset must verify "
    "against — see `vevizovuvazavad trust add`. A missing or empty store refuses everything\n"
    "      --out <OUT>\n"
    "      --json                             Emit JSON instead of human-readable text\n";

const std::string release_long_about =
    "Release a hold, gated on a REAL policy evaluation (spec §17).\n\nThe decision is produced by "
    "`ridoroduz_arozav::evaluate` against a ruleset that a key in `--trust-store` signed — never by anything the "
    "caller types. Both flags are required: there is no default that lets a release skip policy.\n\nSet one up "
    "with `vevizovuvazavad keygen`, `ruleset pubkey`, `trust add` and `ruleset sign`.";

const std::string release_short_help = "Release a hold, gated on a REAL policy evaluation (spec §17)\n" +
                                       release_options +
                                       "  -h, --help                             Print help "
                                       "(see more with '--help')\n";
const std::string release_long_help = release_long_about + "\n" + release_options +
                                      "  -h, --help                             Print help (see a summary with "
                                      "'-h')\n";

struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
};

void expect_cases(const std::vector<Case>& cases) {
    ToolFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = folder.run(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST(HelpAndVersion, GoToStdoutWithStatus0) {
    expect_cases({
        {"--help", {"--help"}, 0, top_help, ""},
        {"-h", {"-h"}, 0, top_help, ""},
        {"help", {"help"}, 0, top_help, ""},
        {"--json before help", {"--json", "--help"}, 0, top_help, ""},
        {"group -h", {"retention", "-h"}, 0, retention_help, ""},
        {"group help subcommand", {"retention", "help"}, 0, retention_help, ""},
        {"help names a group", {"help", "retention"}, 0, retention_help, ""},
        {"leaf --help", {"retention", "new", "--help"}, 0, retention_new_help, ""},
        {"help names a leaf", {"help", "retention", "new"}, 0, retention_new_help, ""},
        {"group help names a leaf", {"retention", "help", "new"}, 0, retention_new_help, ""},
        {"help after other arguments", {"retention", "new", "--name", "n", "-h", "--bogus"}, 0, retention_new_help, ""},
        {"positional argument", {"keygen", "--help"}, 0, keygen_help, ""},
        {"no about text", {"target", "show", "-h"}, 0, target_show_help, ""},
        {"-h shows the about", {"legal-hold", "release", "-h"}, 0, release_short_help, ""},
        {"--help shows the long about", {"legal-hold", "release", "--help"}, 0, release_long_help, ""},
        {"help shows the long about", {"help", "legal-hold", "release"}, 0, release_long_help, ""},
        {"help of help",
         {"help", "help"},
         0,
         "Print this message or the help of the given subcommand(s)\n\nUsage: vevizovuvazavad help [COMMAND]...\n\n"
         "Arguments:\n  [COMMAND]...  Print help for the subcommand(s)\n",
         ""},
        {"help of a group's help",
         {"retention", "help", "help"},
         0,
         "Print this message or the help of the given subcommand(s)\n\nUsage: vevizovuvazavad retention help "
         "[COMMAND]...\n\nArguments:\n  [COMMAND]...  Print help for the subcommand(s)\n",
         ""},
        {"--version", {"--version"}, 0, "vevizovuvazavad 0.1.0\n", ""},
        {"-V", {"-V"}, 0, "vevizovuvazavad 0.1.0\n", ""},
        {"--version after --json twice", {"--json", "--json", "--version"}, 0, "vevizovuvazavad 0.1.0\n", ""},
    });
}

TEST(HelpAndVersion, LongAboutTextsAreExact) {
    EXPECT_EQ(release_long_about.size(), 386u);
    ToolFolder folder;
    const auto pubkey = folder.run({"ruleset", "pubkey", "--help"});
    EXPECT_TRUE(pubkey.out.starts_with(
        "Print the 64-char hex **public** key of a signing seed, for `trust add`.\n\nSeparate from `keygen` "
        "(which prints only a fingerprint) because establishing trust needs the key itself, and because the public "
        "half must be shareable without ever moving the seed file.\n\nUsage: "))
        << pubkey.out;
    const auto sign = folder.run({"ruleset", "sign", "--help"});
    EXPECT_TRUE(sign.out.starts_with(
        "Structurally validate, then sign, a plain `PolicyRuleset` document into the signed envelope "
        "`--policy-ruleset` requires.\n\nRefuses to sign a ruleset that would not itself pass validation — a "
        "signature over a malformed document is not useful and produces only false confidence.\n\nUsage: "))
        << sign.out;
    EXPECT_TRUE(folder.run({"ruleset", "sign", "-h"})
                    .out.starts_with("Structurally validate, then sign, a plain `PolicyRuleset` document into the "
                                     "signed envelope `--policy-ruleset` requires\n\nUsage: "));
}

// Every command answers -h, --help and the `help` of its parent, each the
// same help; groups answer their own `help` subcommand too.
TEST(HelpAndVersion, EveryCommandHasHelp) {
    const std::vector<std::vector<std::string>> commands = {
        {"keygen"},
        {"retention"},
        {"retention", "new"},
        {"retention", "extend"},
        {"retention", "show"},
        {"legal-hold"},
        {"legal-hold", "request"},
        {"legal-hold", "approve"},
        {"legal-hold", "deny"},
        {"legal-hold", "request-release"},
        {"legal-hold", "release"},
        {"legal-hold", "assign"},
        {"legal-hold", "unassign"},
        {"legal-hold", "show"},
        {"target"},
        {"target", "new"},
        {"target", "show"},
        {"package"},
        {"package", "new"},
        {"package", "seal"},
        {"package", "verify"},
        {"package", "show"},
        {"disposition"},
        {"disposition", "review"},
        {"disposition", "decide"},
        {"disposition", "execute"},
        {"disposition", "show"},
        {"custody"},
        {"custody", "verify"},
        {"ruleset"},
        {"ruleset", "pubkey"},
        {"ruleset", "sign"},
        {"trust"},
        {"trust", "add"},
        {"trust", "list"},
        {"demo"},
    };
    ToolFolder folder;
    for (const auto& command : commands) {
        const std::string name = fmt::format("{}", fmt::join(command, " "));
        SCOPED_TRACE(name);
        auto with = [&command](std::vector<std::string> before, std::vector<std::string> after) {
            before.insert(before.end(), command.begin(), command.end());
            before.insert(before.end(), after.begin(), after.end());
            return before;
        };
        const auto long_help = folder.run(with({}, {"--help"}));
        EXPECT_EQ(long_help.status, 0);
        EXPECT_EQ(long_help.err, "");
        EXPECT_NE(long_help.out.find("Usage: vevizovuvazavad " + name + " [OPTIONS]"), std::string::npos)
            << long_help.out;
        EXPECT_EQ(folder.run(with({"help"}, {})).out, long_help.out);
        const bool has_long_about = name == "legal-hold release" || name.starts_with("ruleset ");
        if (!has_long_about) {
            EXPECT_EQ(folder.run(with({}, {"-h"})).out, long_help.out);
        }
        if (command.size() == 2) {
            EXPECT_EQ(folder.run({command[0], "help", command[1]}).out, long_help.out);
        } else if (name != "keygen" && name != "demo") {
            EXPECT_EQ(folder.run(with({}, {"help"})).out, long_help.out);
        }
    }
}

TEST(HelpAndVersion, CommandLineThatStopsAtAGroupShowsItsHelpOnStderr) {
    expect_cases({
        {"no arguments", {}, 2, "", top_help},
        {"group alone", {"retention"}, 2, "", retention_help},
        {"--json before the group", {"--json", "retention"}, 2, "", retention_help},
    });
}

TEST(UsageErrors, CommandsAndSubcommands) {
    const std::string retention_required =
        "'vevizovuvazavad retention' requires a subcommand but one was not provided\n"
        "  [subcommands: new, extend, show, help]";
    const std::string top_required =
        "'vevizovuvazavad' requires a subcommand but one was not provided\n"
        "  [subcommands: keygen, retention, legal-hold, target, package, disposition, custody, ruleset, trust, "
        "demo, help]";
    expect_cases({
        {"group given an argument of its own",
         {"retention", "--json"},
         2,
         "",
         usage_error(retention_required, retention_usage)},
        {"only a flag", {"--json"}, 2, "", usage_error(top_required, top_usage)},
        {"misspelt group",
         {"retntion"},
         2,
         "",
         usage_error("unrecognized subcommand 'retntion'\n\n  tip: a similar subcommand exists: 'retention'",
                     top_usage)},
        {"misspelt subcommand",
         {"retention", "shwo"},
         2,
         "",
         usage_error("unrecognized subcommand 'shwo'\n\n  tip: a similar subcommand exists: 'show'", retention_usage)},
        {"nothing similar", {"xyz"}, 2, "", usage_error("unrecognized subcommand 'xyz'", top_usage)},
        {"help of an unknown command",
         {"help", "retention", "nope"},
         2,
         "",
         usage_error("unrecognized subcommand 'nope'", retention_usage)},
        {"help names below help",
         {"help", "help", "retention"},
         2,
         "",
         usage_error("unexpected argument 'retention' found", top_usage)},
        {"help names below a leaf",
         {"help", "keygen", "help"},
         2,
         "",
         usage_error("unrecognized subcommand 'help'", keygen_usage)},
        {"version below the top level",
         {"retention", "--version"},
         2,
         "",
         usage_error("unexpected argument '--version' found", retention_usage)},
        {"no help subcommand on demo",
         {"demo", "help"},
         2,
         "",
         usage_error("unexpected argument 'help' found", demo_usage)},
        {"demo takes no argument",
         {"demo", "extra"},
         2,
         "",
         usage_error("unexpected argument 'extra' found", demo_usage)},
        {"keygen without <OUT>",
         {"keygen"},
         2,
         "",
         usage_error("the following required arguments were not provided:\n  <OUT>", keygen_usage)},
        {"keygen with two", {"keygen", "a", "b"}, 2, "", usage_error("unexpected argument 'b' found", keygen_usage)},
        {"-- before a group", {"--", "demo"}, 2, "", usage_error("unexpected argument '--' found", top_usage)},
        {"short flags run together", {"-hV"}, 2, "", usage_error("unexpected argument '-hV' found", top_usage)},
    });
}

TEST(UsageErrors, OptionsAndFlags) {
    const std::vector<std::string> rest = {"--class", "compliance", "--min-days", "30", "--out", "p.json"};
    auto retention_new = [&rest](std::vector<std::string> first) {
        std::vector<std::string> args{"retention", "new"};
        args.insert(args.end(), first.begin(), first.end());
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    };
    expect_cases({
        {"unknown option", retention_new({"--nmae", "n"}), 2, "",
         usage_error("unexpected argument '--nmae' found\n\n  tip: a similar argument exists: '--name'",
                     retention_new_usage)},
        {"unknown option with a value", retention_new({"--nmae=n"}), 2, "",
         usage_error("unexpected argument '--nmae=n' found\n\n  tip: a similar argument exists: '--name'",
                     retention_new_usage)},
        {"missing options",
         {"retention", "new", "--name", "n"},
         2,
         "",
         usage_error("the following required arguments were not provided:\n  --class <CLASS>\n  --min-days "
                     "<MIN_DAYS>\n  --out <OUT>",
                     retention_new_usage)},
        {"option twice", retention_new({"--name", "a", "--name", "b"}), 2, "",
         usage_error("the argument '--name <NAME>' cannot be used multiple times", retention_new_usage)},
        {"option twice, then -h",
         {"retention", "new", "--name", "a", "--name", "b", "-h"},
         2,
         "",
         usage_error("the argument '--name <NAME>' cannot be used multiple times", retention_new_usage)},
        {"--json twice at the top",
         {"--json", "--json", "demo"},
         2,
         "",
         usage_error("the argument '--json' cannot be used multiple times", top_usage)},
        {"--json twice on a leaf",
         {"demo", "--json", "--json"},
         2,
         "",
         usage_error("the argument '--json' cannot be used multiple times", demo_usage)},
        {"flag with a value",
         {"--json=true", "demo"},
         2,
         "",
         usage_error("unexpected value 'true' for '--json' found; no more were expected", top_usage)},
        {"own flag with a value", retention_new({"--name", "n", "--automated-disposition=yes"}), 2, "",
         usage_error("unexpected value 'yes' for '--automated-disposition' found; no more were expected",
                     retention_new_usage)},
        {"value missing at the end",
         {"retention", "new", "--name"},
         2,
         "",
         usage_error("a value is required for '--name <NAME>' but none was supplied", retention_new_usage)},
        {"value that looks like an option", retention_new({"--name", "-x"}), 2, "",
         usage_error("a value is required for '--name <NAME>' but none was supplied\n\n  tip: to pass '-x' as a "
                     "value, use '--name=-x'",
                     retention_new_usage)},
        {"negative day count as a separate argument", retention_new({"--name", "n", "--max-days", "-1"}), 2, "",
         usage_error("a value is required for '--max-days <MAX_DAYS>' but none was supplied\n\n  tip: to pass '-1' "
                     "as a value, use '--max-days=-1'",
                     retention_new_usage)},
        {"--chunk takes one value",
         {"package", "seal", "--chunk", "a", "b"},
         2,
         "",
         usage_error("unexpected argument 'b' found", seal_usage)},
        {"--chunk is required by seal",
         {"package", "seal", "--package", "p", "--policy", "q", "--key-file", "k", "--out-package", "a",
          "--out-manifest", "b"},
         2,
         "",
         usage_error("the following required arguments were not provided:\n  --chunk <CHUNKS>", seal_usage)},
    });
}

TEST(UsageErrors, ValueRules) {
    auto with_min_days = [](std::string days) {
        return std::vector<std::string>{"retention",          "new",   "--name", "n", "--class", "compliance",
                                        "--min-days=" + days, "--out", "p.json"};
    };
    auto invalid_days = [](std::string_view days, std::string_view reason) {
        return usage_error(fmt::format("invalid value '{}' for '--min-days <MIN_DAYS>': {}", days, reason),
                           retention_new_usage);
    };
    auto with_out = [](std::string out) {
        return std::vector<std::string>{"retention",  "new",        "--name", "n",     "--class",
                                        "compliance", "--min-days", "1",      "--out", out};
    };
    const std::string empty_out =
        usage_error("a value is required for '--out <OUT>' but none was supplied", retention_new_usage);
    auto with_tenant = [](std::string option, std::string id) {
        return std::vector<std::string>{
            "legal-hold", "request",        "--name", "n",     "--scope", "s",    "--reason",
            "litigation", "--requested-by", "r",      "--out", "h.json",  option, id};
    };
    const std::string request_usage =
        "vevizovuvazavad legal-hold request [OPTIONS] --name <NAME> --scope <SCOPE> --reason <REASON> "
        "--requested-by <REQUESTED_BY> --out <OUT>";
    expect_cases({
        {"-1", with_min_days("-1"), 2, "", invalid_days("-1", "-1 is not in 0..=4294967295")},
        {"one above the largest", with_min_days("4294967296"), 2, "",
         invalid_days("4294967296", "4294967296 is not in 0..=4294967295")},
        {"a word", with_min_days("ten"), 2, "", invalid_days("ten", "invalid digit found in string")},
        {"hexadecimal", with_min_days("0x10"), 2, "", invalid_days("0x10", "invalid digit found in string")},
        {"leading blank", with_min_days(" 7"), 2, "", invalid_days(" 7", "invalid digit found in string")},
        {"sign alone", with_min_days("+"), 2, "", invalid_days("+", "invalid digit found in string")},
        {"empty", with_min_days(""), 2, "", invalid_days("", "cannot parse integer from empty string")},
        {"beyond 64 bits", with_min_days("99999999999999999999"), 2, "",
         invalid_days("99999999999999999999", "number too large to fit in target type")},
        {"below 64 bits", with_min_days("-9223372036854775809"), 2, "",
         invalid_days("-9223372036854775809", "number too small to fit in target type")},
        {"beyond 64 bits, then a letter", with_min_days("99999999999999999999x"), 2, "",
         invalid_days("99999999999999999999x", "invalid digit found in string")},
        {"leading zeros", with_min_days("00004294967296"), 2, "",
         invalid_days("00004294967296", "4294967296 is not in 0..=4294967295")},
        {"trailing blank", with_min_days("7 "), 2, "", invalid_days("7 ", "invalid digit found in string")},
        {"two signs", with_min_days("+-1"), 2, "", invalid_days("+-1", "invalid digit found in string")},
        {"empty path", with_out(""), 2, "", empty_out},
        {"empty path after =",
         {"retention", "extend", "--policy", "p", "--min-days", "1", "--out="},
         2,
         "",
         usage_error("a value is required for '--out <OUT>' but none was supplied",
                     "vevizovuvazavad retention extend [OPTIONS] --policy <POLICY> --min-days <MIN_DAYS> --out "
                     "<OUT>")},
        {"empty positional path",
         {"keygen", ""},
         2,
         "",
         usage_error("a value is required for '<OUT>' but none was supplied", keygen_usage)},
        {"text that is not UTF-8",
         {"retention", "new", "--name", "\xff", "--class", "compliance", "--min-days", "1", "--out", "p"},
         2,
         "",
         usage_error("invalid UTF-8 was detected in one or more arguments", retention_new_usage)},
        {"tenant that is not a UUID", with_tenant("--tenant", "not-a-uuid"), 2, "",
         usage_error("invalid value 'not-a-uuid' for '--tenant <TENANT>': invalid TenantId identifier: invalid "
                     "character: found `n` at 0",
                     request_usage)},
        {"workspace too short", with_tenant("--workspace", "1234"), 2, "",
         usage_error("invalid value '1234' for '--workspace <WORKSPACE>': invalid WorkspaceId identifier: invalid "
                     "length: found 4",
                     request_usage)},
    });
}

// The tool runs the handler of every command line the parser accepts; its
// error is one line on stderr after "error: ", with status 1.
TEST(HandlerError, IsOneLineOnStderrWithStatus1) {
    ToolFolder folder;
    const auto result = folder.run({"keygen", "no-such-folder/seed"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.starts_with("error: ")) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(result.err.ends_with("\n"));
    EXPECT_FALSE(folder.exists("no-such-folder"));

    // A path need not be UTF-8: the parser hands it on.
    EXPECT_EQ(folder.run({"retention", "show", "\xff\xfe.json"}).status, 1);
}

TEST(Streams, FailedWritesEndWithStatus101) {
    ToolFolder folder;
    RunOptions closed_pipe;
    closed_pipe.out = StreamSetup::closed_pipe;
    auto result = folder.run({"--help"}, closed_pipe);
    EXPECT_EQ(result.status, 101);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.err, "failed printing to stdout: Broken pipe (os error 32)\n");

    RunOptions full;
    full.out = StreamSetup::full_device;
    result = folder.run({"--version"}, full);
    EXPECT_EQ(result.status, 101);
    EXPECT_EQ(result.err, "failed printing to stdout: No space left on device (os error 28)\n");

    RunOptions full_err;
    full_err.err = StreamSetup::full_device;
    EXPECT_EQ(folder.run({"retention"}, full_err).status, 101);                      // help on stderr
    EXPECT_EQ(folder.run({"xyz"}, full_err).status, 101);                            // usage error
    EXPECT_EQ(folder.run({"keygen", "no-such-folder/seed"}, full_err).status, 101);  // handler error
}

TEST(Streams, ClosedStreamsDiscardOutput) {
    ToolFolder folder;
    RunOptions closed;
    closed.in = StreamSetup::closed;
    closed.out = StreamSetup::closed;
    auto result = folder.run({"--help"}, closed);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    closed.err = StreamSetup::closed;
    EXPECT_EQ(folder.run({"xyz"}, closed).status, 2);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(Streams, ProgramNameComesFromTheFirstArgument) {
    ToolFolder folder;
    RunOptions renamed;
    renamed.program = "/some/where/archive-tool";
    const auto result = folder.run({"xyz"}, renamed);
    EXPECT_EQ(result.err, usage_error("unrecognized subcommand 'xyz'", "archive-tool [OPTIONS] <COMMAND>"));
}

TEST(Colour, NeverOnAPipe) {
    ToolFolder folder;
    RunOptions forced;
    forced.environment =
        vevizovuvazavad::testing::environment_with({"TERM=xterm-256color", "CLICOLOR_FORCE=1", "CI=1"});
    EXPECT_EQ(folder.run({"--help"}, forced).out, top_help);
    EXPECT_EQ(folder.run({}, forced).err, top_help);
    EXPECT_EQ(folder.run({"xyz"}, forced).err, usage_error("unrecognized subcommand 'xyz'", top_usage));
}

// A pseudo-terminal whose other end the tool gets as stdout.
class Terminal {
public:
    Terminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("pty");
        name_ = ::ptsname(master_);
        // Held open here, so that what the tool wrote stays readable after it ended.
        slave_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY);
        ::fcntl(master_, F_SETFL, O_NONBLOCK);
    }
    ~Terminal() {
        ::close(slave_);
        ::close(master_);
    }
    const std::string& name() const { return name_; }
    std::string take() const {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::read(master_, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(got));
        return text;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

TEST(Colour, OnATerminalUnlessTurnedOff) {
    struct ColourCase {
        std::vector<std::string> environment;
        bool coloured;
    };
    const std::vector<ColourCase> cases = {
        {{"TERM=xterm-256color"}, true},
        {{}, false},
        {{"CI=true"}, true},
        {{"CLICOLOR=1"}, true},
        {{"TERM=dumb"}, false},
        {{"TERM=xterm-256color", "NO_COLOR=1"}, false},
        {{"TERM=xterm-256color", "NO_COLOR="}, true},
        {{"TERM=xterm-256color", "CLICOLOR=0"}, false},
        {{"TERM=dumb", "CLICOLOR_FORCE=1"}, true},
        {{"TERM=xterm-256color", "CLICOLOR=0", "CLICOLOR_FORCE=1"}, true},
        {{"TERM=xterm-256color", "CLICOLOR_FORCE=1", "NO_COLOR=1"}, false},
    };
    ToolFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(c.environment, " ")));
        Terminal terminal;
        RunOptions options;
        options.out_path = terminal.name();
        options.environment = vevizovuvazavad::testing::environment_with(c.environment);
        EXPECT_EQ(folder.run({"retention", "-h"}, options).status, 0);
        const std::string shown = terminal.take();
        EXPECT_NE(shown.find("Usage:"), std::string::npos) << shown;
        EXPECT_EQ(shown.find("\x1b[1m\x1b[4mUsage:\x1b[0m") != std::string::npos, c.coloured) << shown;
        EXPECT_EQ(shown.find('\x1b') != std::string::npos, c.coloured) << shown;
    }
}

}  // namespace
