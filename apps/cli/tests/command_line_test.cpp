// What the parser hands the handlers: the command values read from accepted
// command lines, and the readers' own refusals.
#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "command_line/command_line.hpp"
#include "command_line/command_readers.hpp"
#include "command_line/command_tree.hpp"

namespace {

using namespace vevizovuvazavad;

Cli parse(std::vector<std::string> args) {
    args.insert(args.begin(), "vevizovuvazavad");
    auto outcome = parse_command_line(args);
    if (const auto* exit = std::get_if<ParserExit>(&outcome)) {
        ADD_FAILURE() << exit->text;
        return Cli{.json = false, .command = DemoCommand{}};
    }
    return std::get<Cli>(std::move(outcome));
}

template <class Group, class Subcommand>
Subcommand parsed(std::vector<std::string> args) {
    const Cli cli = parse(std::move(args));
    const auto* group = std::get_if<Group>(&cli.command);
    if (group == nullptr) throw std::runtime_error("another group");
    return std::get<Subcommand>(group->value);
}

using New = RetentionCommand::New;

New new_policy(std::vector<std::string> args) { return parsed<RetentionCommand, New>(std::move(args)); }
std::string shown_policy(std::vector<std::string> args) {
    return parsed<RetentionCommand, RetentionCommand::Show>(std::move(args)).policy;
}

const std::vector<std::string> new_rest = {"--class", "compliance", "--min-days", "30", "--out", "p.json"};

std::vector<std::string> retention_new(std::vector<std::string> first) {
    std::vector<std::string> args{"retention", "new"};
    args.insert(args.end(), first.begin(), first.end());
    args.insert(args.end(), new_rest.begin(), new_rest.end());
    return args;
}

TEST(ParsedCommand, RetentionNewTakesEveryValue) {
    const auto command =
        new_policy({"retention", "new", "--name", " Mail ", "--class=legal_hold", "--min-days", "+30", "--max-days=010",
                    "--automated-disposition", "--tenant", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "--workspace",
                    "urn:uuid:6f9619ff-8b86-d011-b42d-00c04fc964fe", "--out", "p.json"});
    EXPECT_EQ(command.name, " Mail ");
    EXPECT_EQ(command.class_word, "legal_hold");
    EXPECT_EQ(command.min_days, 30u);
    EXPECT_EQ(command.max_days, 10u);  // decimal, not octal
    EXPECT_TRUE(command.automated_disposition);
    ASSERT_TRUE(command.tenant);
    EXPECT_EQ(command.tenant->to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    ASSERT_TRUE(command.workspace);
    EXPECT_EQ(command.workspace->to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964fe");
    EXPECT_EQ(command.out, "p.json");

    const auto bare = new_policy(retention_new({"--name", ""}));
    EXPECT_EQ(bare.name, "");  // blank names are the record constructor's to refuse
    EXPECT_EQ(bare.max_days, std::nullopt);
    EXPECT_FALSE(bare.automated_disposition);
    EXPECT_EQ(bare.tenant, std::nullopt);
    EXPECT_EQ(bare.workspace, std::nullopt);
}

TEST(ParsedCommand, DayCountsAtTheEdges) {
    EXPECT_EQ(new_policy(retention_new({"--name", "n", "--max-days", "4294967295"})).max_days, 4294967295u);
    EXPECT_EQ(new_policy(retention_new({"--name", "n", "--max-days=-0"})).max_days, 0u);
    EXPECT_EQ(new_policy(retention_new({"--name", "n", "--max-days", "0"})).max_days, 0u);
}

TEST(ParsedCommand, TenantInEveryUuidForm) {
    for (const char* form :
         {"6f9619ff8b86d011b42d00c04fc964ff", "6F9619FF-8B86-D011-B42D-00C04FC964FF",
          "{6f9619ff-8b86-d011-b42d-00c04fc964ff}", "urn:uuid:6f9619ff-8b86-d011-b42d-00c04fc964ff"}) {
        SCOPED_TRACE(form);
        const auto command = parsed<TargetCommand, TargetCommand::New>(
            {"target", "new", "--name", "n", "--target-type", "s3", "--out", "t.json", "--tenant", form});
        ASSERT_TRUE(command.tenant);
        EXPECT_EQ(command.tenant->to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    }
}

TEST(ParsedCommand, ValuesAreTakenAsTheyStand) {
    // A value after `=` may look like an option; brackets and commas mean nothing here.
    EXPECT_EQ(new_policy(retention_new({"--name=-x"})).name, "-x");
    EXPECT_EQ(new_policy(retention_new({"--name=--out"})).name, "--out");
    EXPECT_EQ(new_policy(retention_new({"--name=a=b"})).name, "a=b");
    EXPECT_EQ(new_policy(retention_new({"--name", "[a,b]"})).name, "[a,b]");
    EXPECT_EQ(new_policy(retention_new({"--name", "show"})).name, "show");
    EXPECT_EQ(new_policy(retention_new({"--name", "-"})).name, "-");
    EXPECT_EQ(new_policy(retention_new({"--name="})).name, "");
    // Paths need not be UTF-8.
    EXPECT_EQ(shown_policy({"retention", "show", "\xff\xfe.json"}), "\xff\xfe.json");
}

TEST(ParsedCommand, PositionalsNamedLikeCommands) {
    EXPECT_EQ(std::get<KeygenCommand>(parse({"keygen", "help"}).command).out, "help");
    EXPECT_EQ(std::get<KeygenCommand>(parse({"keygen", "retention"}).command).out, "retention");
    EXPECT_EQ(shown_policy({"retention", "show", "new"}), "new");
    EXPECT_EQ(shown_policy({"retention", "show", "help"}), "help");
    EXPECT_EQ(shown_policy({"retention", "show", "--", "-p.json"}), "-p.json");
    EXPECT_EQ(std::get<KeygenCommand>(parse({"keygen", "--", "--json"}).command).out, "--json");
    EXPECT_EQ(std::get<KeygenCommand>(parse({"keygen", "--", "--"}).command).out, "--");
    EXPECT_EQ(std::get<KeygenCommand>(parse({"keygen", "-"}).command).out, "-");
}

TEST(ParsedCommand, JsonAtAnyLevel) {
    EXPECT_FALSE(parse({"demo"}).json);
    EXPECT_TRUE(parse({"--json", "demo"}).json);
    EXPECT_TRUE(parse({"demo", "--json"}).json);
    EXPECT_TRUE(parse({"--json", "demo", "--json"}).json);
    EXPECT_TRUE(parse({"retention", "--json", "show", "p"}).json);
    EXPECT_TRUE(parse({"retention", "show", "p", "--json"}).json);
    EXPECT_TRUE(parse({"--json", "retention", "--json", "show", "--json", "p"}).json);
}

TEST(ParsedCommand, ChunksInCommandLineOrder) {
    const auto seal = parsed<PackageCommand, PackageCommand::Seal>(
        {"package", "seal", "--chunk", "b", "--package", "p", "--policy", "q", "--key-file", "k", "--chunk=a",
         "--out-package", "op", "--chunk", "c", "--out-manifest", "om"});
    EXPECT_EQ(seal.chunks, (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(seal.out_manifest, "om");
    const auto verify = parsed<PackageCommand, PackageCommand::Verify>(
        {"package", "verify", "--package", "p", "--manifest", "m", "--key-file", "k"});
    EXPECT_TRUE(verify.chunks.empty());
}

TEST(ParsedCommand, EveryGroupReachesItsValue) {
    EXPECT_TRUE(std::holds_alternative<DemoCommand>(parse({"demo"}).command));
    EXPECT_EQ((parsed<LegalHoldCommand, LegalHoldCommand::Release>({"legal-hold", "release", "--hold", "h",
                                                                    "--approved-by", "", "--policy-ruleset", "r",
                                                                    "--trust-store", "t", "--out", "o"})
                   .trust_store),
              "t");
    EXPECT_EQ((parsed<DispositionCommand, DispositionCommand::Decide>({"disposition", "decide", "--review", "r",
                                                                       "--package", "p", "--decision", "dispose",
                                                                       "--reviewed-by", "me", "--out", "o"})
                   .decision),
              "dispose");
    EXPECT_EQ((parsed<CustodyCommand, CustodyCommand::Verify>({"custody", "verify", "--chain", "c", "--key-file", "k"})
                   .key_file),
              "k");
    EXPECT_EQ(
        (parsed<RulesetCommand, RulesetCommand::Sign>({"ruleset", "sign", "--input", "i", "--key", "k", "--out", "o"})
             .input),
        "i");
    EXPECT_EQ((parsed<TrustCommand, TrustCommand::Add>({"trust", "add", "--store", "s", "--name", "", "--pubkey", "x"})
                   .pubkey),
              "x");
}

// The command tree refuses, when it is compiled, arguments of one command
// that the parser or the reader could take one for the other.
namespace argument_names {

using command_tree::Argument;
using command_tree::has_unambiguous_names;
using command_tree::Kind;
using command_tree::option_spells_id;

constexpr Argument named(std::string_view id, std::string_view option) {
    return {.id = id, .option = option, .kind = Kind::text, .help = {}, .fill = nullptr};
}
constexpr Argument positional(std::string_view id) { return named(id, {}); }

static_assert(has_unambiguous_names(std::array{named("name", "--name"), named("out", "--out"), positional("policy"),
                                               positional("key")}));
static_assert(has_unambiguous_names(std::array{named("chunks", "--chunk")}));
static_assert(!has_unambiguous_names(std::array{named("name", "--name"), named("name", "--title")}));
static_assert(!has_unambiguous_names(std::array{named("name", "--name"), positional("name")}));
static_assert(!has_unambiguous_names(std::array{named("name", "--name"), named("title", "--name")}));
static_assert(!has_unambiguous_names(std::array{named("out", "-o")}));
static_assert(!has_unambiguous_names(std::array{named("out", "out")}));
static_assert(!has_unambiguous_names(std::array{named("out", "--")}));
static_assert(!has_unambiguous_names(std::array{named("json", "--json")}));
static_assert(!has_unambiguous_names(std::array{named("help", "--help")}));
static_assert(!has_unambiguous_names(std::array{named("version", "--version")}));

// Nor an option misspelt beside its id.
static_assert(option_spells_id(named("out_package", "--out-package")) && option_spells_id(positional("policy")));
static_assert(option_spells_id(named("chunks", "--chunk")));
static_assert(!option_spells_id(named("out_package", "--out-pakage")));
static_assert(!option_spells_id(named("out_package", "--out_package")));
static_assert(!option_spells_id(named("chunk", "--chunks")));

}  // namespace argument_names

// The commands that `names` name one below the other, the root first.
command_tree::CommandPath path_to(const std::vector<std::string>& names) {
    command_tree::CommandPath path{&command_tree::root()};
    for (const std::string& name : names) path.push_back(command_tree::find_subcommand(*path.back(), name));
    return path;
}

// What only a parser that let a malformed command line through could hand
// the readers.
TEST(Readers, FallbackRefusals) {
    struct Case {
        std::vector<std::string> path;
        std::map<std::string, std::vector<std::string>, std::less<>> values;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, {}, "a subcommand is required but one was not provided"},
        {{"retention"}, {}, "a subcommand is required but one was not provided"},
        {{"retention", "new"}, {}, "the following required argument was not provided: name"},
        {{"retention", "new"},
         {{"name", {"n"}}, {"class", {"c"}}, {"out", {"o"}}},
         "the following required argument was not provided: min_days"},
        {{"ruleset", "sign"}, {{"input", {"i"}}}, "the following required argument was not provided: key"},
        {{"ruleset", "sign"},
         {{"key", {"k"}}, {"out", {"o"}}},
         "the following required argument was not provided: input"},
        {{"legal-hold", "release"},
         {{"hold", {"h"}}, {"approved_by", {"a"}}, {"trust_store", {"t"}}, {"out", {"o"}}},
         "the following required argument was not provided: policy_ruleset"},
        {{"keygen"}, {}, "the following required argument was not provided: out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const auto read = read_cli(ParsedArguments{.json = false, .command_path = path_to(c.path), .values = c.values});
        ASSERT_FALSE(read) << "accepted";
        EXPECT_EQ(read.error().message, c.message);
        EXPECT_EQ(read.error().command_path, path_to({}));  // shown with the top-level usage
    }
    // Absent chunks read as none, without a message.
    const auto cli = read_cli(ParsedArguments{
        .command_path = path_to({"package", "seal"}),
        .values = {{"package", {"p"}},
                   {"policy", {"q"}},
                   {"key_file", {"k"}},
                   {"out_package", {"a"}},
                   {"out_manifest", {"b"}}},
    });
    ASSERT_TRUE(cli);
    EXPECT_TRUE(std::get<PackageCommand::Seal>(std::get<PackageCommand>(cli->command).value).chunks.empty());
}

TEST(Readers, DayCount) {
    struct Case {
        const char* text;
        std::expected<std::uint32_t, std::string> read;
    };
    const std::vector<Case> cases = {
        {"0", 0u},
        {"30", 30u},
        {"+30", 30u},
        {"010", 10u},
        {"-0", 0u},
        {"4294967295", 4294967295u},
        {"00000000000000000000000000004294967295", 4294967295u},
        {"4294967296", std::unexpected("4294967296 is not in 0..=4294967295")},
        {"-1", std::unexpected("-1 is not in 0..=4294967295")},
        {"9223372036854775807", std::unexpected("9223372036854775807 is not in 0..=4294967295")},
        {"9223372036854775808", std::unexpected("number too large to fit in target type")},
        {"-9223372036854775808", std::unexpected("-9223372036854775808 is not in 0..=4294967295")},
        {"-9223372036854775809", std::unexpected("number too small to fit in target type")},
        {"", std::unexpected("cannot parse integer from empty string")},
        {"+", std::unexpected("invalid digit found in string")},
        {"-", std::unexpected("invalid digit found in string")},
        {"++1", std::unexpected("invalid digit found in string")},
        {"+-1", std::unexpected("invalid digit found in string")},
        {"-+1", std::unexpected("invalid digit found in string")},
        {"--1", std::unexpected("invalid digit found in string")},
        {"+4294967296", std::unexpected("4294967296 is not in 0..=4294967295")},
        {"+9223372036854775808", std::unexpected("number too large to fit in target type")},
        {"99999999999999999999x", std::unexpected("invalid digit found in string")},
        {"0x10", std::unexpected("invalid digit found in string")},
        {" 7", std::unexpected("invalid digit found in string")},
        {"7 ", std::unexpected("invalid digit found in string")},
        {"1e3", std::unexpected("invalid digit found in string")},
        {"ten", std::unexpected("invalid digit found in string")},
        {"\xd9\xa3", std::unexpected("invalid digit found in string")},  // ARABIC-INDIC DIGIT THREE
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(read_day_count(c.text), c.read);
    }
}

}  // namespace
