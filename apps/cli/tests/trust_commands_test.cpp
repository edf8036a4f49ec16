// `trust add` and `trust list` on real store files, and what a store path
// that cannot be examined stands for.
#include <unistd.h>

#include <filesystem>
#include <future>
#include <set>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "gate/trust_store.hpp"
#include "key_fixtures.hpp"
#include "tool_steps.hpp"
#include "unprivileged.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using vevizovuvazavad::TrustStore;
namespace fs = std::filesystem;

const std::string key_a = public_key_hex(key_from_seed(0xA1));
const std::string key_b = public_key_hex(key_from_seed(0xB2));
const std::string no_keys = ": no trusted ruleset-signing keys — every ruleset will be refused\n";

Args add(const std::string& store, const std::string& name, const std::string& pubkey) {
    return {"trust", "add", "--store", store, "--name", name, "--pubkey", pubkey};
}

Args list(const std::string& store) { return {"trust", "list", "--store", store}; }

TEST(TrustAdd, CreatesTheStoreThenAppendsInOrder) {
    ToolFolder folder;
    const auto first = folder.run(add("t.json", "alice", key_a));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "trusted signer \"alice\" added to t.json (1 now trusted)\n");
    const auto one = record_in<TrustStore>(folder, "t.json");
    ASSERT_EQ(one.signers.size(), 1u);
    EXPECT_EQ(folder.read("t.json"),
              fmt::format("{{\n  \"signers\": [\n    {{\n      \"name\": \"alice\",\n      \"pubkey_hex\": \"{}\",\n"
                          "      \"added_at\": \"{}\"\n    }}\n  ]\n}}",
                          key_a, one.signers[0].added_at.to_rfc3339()));

    // Typed in upper case with white space around it: stored as 64 lower-case digits.
    const auto second = folder.run(add("t.json", "bob", " \t" + ascii_upper(key_b) + "\n"));
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "trusted signer \"bob\" added to t.json (2 now trusted)\n");
    const auto two = record_in<TrustStore>(folder, "t.json");
    ASSERT_EQ(two.signers.size(), 2u);
    EXPECT_EQ(two.signers[0], one.signers[0]);
    EXPECT_EQ(two.signers[1].name, "bob");
    EXPECT_EQ(two.signers[1].pubkey_hex, key_b);
    EXPECT_GE(two.signers[1].added_at, one.signers[0].added_at);

    EXPECT_EQ(run_ok(folder, list("t.json")), fmt::format("{}  alice\n{}  bob\n", key_a, key_b));
    EXPECT_EQ(run_ok(folder, {"--json", "trust", "list", "--store", "t.json"}), orrincore_json::to_compact(two) + "\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"t.json"});
}

TEST(TrustAdd, JsonPrintsTheWholeStoreAfterTheAddition) {
    ToolFolder folder;
    run_ok(folder, add("t.json", "alice", key_a));
    const auto out = run_ok(folder, {"--json", "trust", "add", "--store", "t.json", "--name", "", "--pubkey", key_b});
    const auto store = record_in<TrustStore>(folder, "t.json");
    ASSERT_EQ(store.signers.size(), 2u);
    EXPECT_EQ(store.signers[1].name, "");
    EXPECT_EQ(out, orrincore_json::to_compact(store) + "\n");
}

// Adds at the same moment to one store follow each other: every one that
// reports success is in the store, and nothing of the tool's is left beside it.
TEST(TrustAdd, ConcurrentAddsAreAllKept) {
    ToolFolder folder;
    constexpr int adds = 50;
    std::vector<std::future<RunResult>> runs;
    for (int i = 0; i < adds; ++i) {
        runs.push_back(std::async(std::launch::async, [&folder, i] {
            return folder.run(add("t.json", fmt::format("signer-{}", i),
                                  public_key_hex(key_from_seed(static_cast<std::uint8_t>(i + 1)))));
        }));
    }
    for (auto& run : runs) EXPECT_EQ(run.get().status, 0);
    std::set<std::string> names;
    for (const auto& signer : record_in<TrustStore>(folder, "t.json").signers) names.insert(signer.name);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(adds));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"t.json"});
}

// Adds at the same moment through two spellings of one store, its name and
// a link to it, take turns as well, with /proc or without it (a chroot, a
// container that masks it): none is lost, even while the store is new.
TEST(TrustAdd, ConcurrentAddsUnderTwoSpellingsAreAllKept) {
    for (const bool without_proc : {false, true}) {
        SCOPED_TRACE(without_proc ? "without /proc" : "with /proc");
        if (const auto why = why_proc_cannot_be_hidden(); without_proc && why) GTEST_SKIP() << *why;
        ToolFolder folder;
        fs::create_directory(folder / "s");
        fs::create_directory(folder / "l");
        fs::create_symlink("../s/trust.json", folder / "l/trust.json");
        RunOptions options;
        options.without_proc = without_proc;
        constexpr int adds = 40;
        std::vector<std::future<RunResult>> runs;
        for (int i = 0; i < adds; ++i) {
            runs.push_back(std::async(std::launch::async, [&folder, &options, i] {
                return folder.run(add(i % 2 == 0 ? "s/trust.json" : "l/trust.json", fmt::format("signer-{}", i),
                                      public_key_hex(key_from_seed(static_cast<std::uint8_t>(i + 1)))),
                                  options);
            }));
        }
        for (auto& run : runs) {
            const auto result = run.get();
            EXPECT_EQ(result.status, 0) << result.err;
        }
        std::set<std::string> names;
        for (const auto& signer : record_in<TrustStore>(folder, "s/trust.json").signers) names.insert(signer.name);
        EXPECT_EQ(names.size(), static_cast<std::size_t>(adds));
        EXPECT_TRUE(fs::is_symlink(folder / "l/trust.json"));
    }
}

// Names are listed raw and quoted in the message of `trust add`.
TEST(TrustAdd, NamesAreStoredAsTyped) {
    ToolFolder folder;
    EXPECT_EQ(run_ok(folder, add("t.json", "Q \"the\"\nsigner", key_a)),
              "trusted signer \"Q \\\"the\\\"\\nsigner\" added to t.json (1 now trusted)\n");
    // Case and surrounding spaces make another name.
    run_ok(folder, add("t.json", " q \"the\"\nsigner", key_b));
    EXPECT_EQ(run_ok(folder, list("t.json")),
              fmt::format("{}  Q \"the\"\nsigner\n{}   q \"the\"\nsigner\n", key_a, key_b));
}

// Refusals of the key, the name and the key's uniqueness, in that order;
// the store file stays byte for byte as it was.
TEST(TrustAdd, RefusalsLeaveTheStoreUntouched) {
    struct Case {
        const char* name;
        std::string pubkey;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"alice", key_b, "a trusted signer named \"alice\" already exists in this trust store"},
        {"alice", key_a, "a trusted signer named \"alice\" already exists in this trust store"},
        {"bob", key_a, "this public key is already trusted, under a different name"},
        {"bob", ascii_upper(key_a), "this public key is already trusted, under a different name"},
        {"alice", key_b.substr(1), "expected a 64-character hex Ed25519 public key, got 63 characters"},
        {"bob", "g" + key_b.substr(1),
         "expected a 64-character hex Ed25519 public key, got 64 characters (and non-hex characters)"},
        {"bob", " \n ", "expected a 64-character hex Ed25519 public key, got 0 characters"},
        {"bob", "02" + std::string(62, '0'),
         "not a valid Ed25519 public key: validation failed: invalid ed25519 public key: signature error: Cannot "
         "decompress Edwards point"},
    };
    ToolFolder folder;
    run_ok(folder, add("t.json", "alice", key_a));
    const std::string before = folder.read("t.json");
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{} {}", c.name, c.pubkey));
        expect_refused(folder.run(add("t.json", c.name, c.pubkey)), c.message);
        EXPECT_EQ(folder.read("t.json"), before);
    }
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"t.json"});
}

TEST(TrustList, AStoreWithoutSignersRefusesEverything) {
    ToolFolder folder;
    EXPECT_EQ(run_ok(folder, list("missing.json")), "missing.json" + no_keys);
    EXPECT_EQ(run_ok(folder, {"--json", "trust", "list", "--store", "missing.json"}), "{\"signers\":[]}\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});

    folder.write("empty.json", "{\n  \"signers\": []\n}");
    EXPECT_EQ(run_ok(folder, list("empty.json")), "empty.json" + no_keys);
}

// A store that is there but does not read is an error, never an empty store:
// the key is not looked at, and nothing is written.
TEST(TrustCommands, AStoreThatDoesNotReadIsAnError) {
    struct Case {
        const char* label;
        std::string content;  // of store.json; "dir" makes it a folder
        std::string message;
    };
    const std::vector<Case> cases = {
        {"a folder", "dir", "store.json: Is a directory (os error 21)"},
        {"an empty file", "", "store.json: parse error: EOF while parsing a value at line 1 column 0"},
        {"signers null", "{\"signers\": null}",
         "store.json: parse error: invalid type: null, expected a sequence at line 1 column 16"},
        {"not a store", "[]",
         "store.json: parse error: invalid length 0, expected struct TrustStore with 1 element at line 1 column 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ToolFolder folder;
        if (c.content == "dir") {
            fs::create_directory(folder / "store.json");
        } else {
            folder.write("store.json", c.content);
        }
        expect_refused(folder.run(list("store.json")), c.message);
        expect_refused(folder.run(add("store.json", "alice", key_a)), c.message);
        expect_refused(folder.run(add("store.json", "alice", "not a key")), c.message);
        if (c.content != "dir") {
            EXPECT_EQ(folder.read("store.json"), c.content);
        }
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"store.json"});
    }
}

// Only a path that leads to nothing is the empty store: one that does not
// exist, runs through a file, or is a dangling link. Any other failure to
// examine it is reported, and `trust add` writes nothing: a store it could
// not look at must not be replaced by a store of one signer.
TEST(TrustCommands, StorePathsThatCannotBeExamined) {
    const std::string too_long(256, 'a');
    struct Case {
        const char* label;
        std::string store;
        std::string list_out;     // empty: refused with `message`
        std::string message;      // of `trust list` and `trust add`
        std::string add_message;  // when `trust add` is refused on writing instead
    };
    const std::vector<Case> cases = {
        {"missing", "missing.json", "missing.json" + no_keys, "", ""},
        {"through a file", "file/store.json", "file/store.json" + no_keys, "",
         "file/store.json: Not a directory (os error 20)"},
        {"dangling link", "dangling", "dangling" + no_keys, "", ""},
        {"loop of links", "loop", "", "loop: Too many levels of symbolic links (os error 40)", ""},
        {"through a loop", "loop/store.json", "", "loop/store.json: Too many levels of symbolic links (os error 40)",
         ""},
        {"name too long", too_long, "", too_long + ": File name too long (os error 36)", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ToolFolder folder;
        folder.write("file", "not a folder");
        fs::create_symlink("nowhere.json", folder / "dangling");
        fs::create_symlink("loop2", folder / "loop");
        fs::create_symlink("loop", folder / "loop2");
        const auto entries = folder.entries();

        const auto listed = folder.run(list(c.store));
        if (c.list_out.empty()) {
            expect_refused(listed, c.message);
        } else {
            EXPECT_EQ(listed.status, 0);
            EXPECT_EQ(listed.out, c.list_out);
        }
        EXPECT_EQ(folder.entries(), entries);

        const auto added = folder.run(add(c.store, "alice", key_a));
        if (!c.message.empty() || !c.add_message.empty()) {
            expect_refused(added, c.message.empty() ? c.add_message : c.message);
            EXPECT_EQ(folder.entries(), entries);
        } else {
            EXPECT_EQ(added.status, 0) << added.err;
            EXPECT_EQ(record_in<TrustStore>(folder, c.store).signers.size(), 1u);
        }
        EXPECT_EQ(fs::read_symlink(folder / "loop"), "loop2");
        EXPECT_EQ(fs::read_symlink(folder / "loop2"), "loop");
        EXPECT_EQ(folder.read("file"), "not a folder");
    }
}

TEST(TrustCommands, AFolderThatCannotBeSearchedHidesAnEmptyStore) {
    ToolFolder folder;
    fs::create_directory(folder / "locked");
    run_ok(folder, add("locked/t.json", "alice", key_a));
    const std::string before = folder.read("locked/t.json");
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(folder / "locked", fs::perms::none);
    {
        UnprivilegedWhileAlive nobody;
        if (::access(VEVI_EXECUTABLE, X_OK) != 0 || ::access(folder.path().c_str(), X_OK) != 0)
            GTEST_SKIP() << "an ordinary user cannot reach the tool or the folder here";
        ASSERT_NE(::access((folder / "locked").c_str(), X_OK), 0);
        const auto listed = folder.run(list("locked/t.json"));
        EXPECT_EQ(listed.status, 0);
        EXPECT_EQ(listed.out, "locked/t.json" + no_keys);
        expect_refused(folder.run(add("locked/t.json", "bob", key_b)),
                       "locked/t.json: Permission denied (os error 13)");
    }
    fs::permissions(folder / "locked", fs::perms::owner_all);
    EXPECT_EQ(folder.read("locked/t.json"), before);
}

// The group and its two commands as `--help` shows them.
TEST(TrustHelp, GroupAndCommands) {
    expect_outputs({
        {{"trust", "--help"},
         "The trust store of ruleset-signing public keys: established deliberately by an operator who obtained a "
         "signer's public key out of band, never derived from a ruleset the store is later asked to verify\n\n"
         "Usage: vevizovuvazavad trust [OPTIONS] <COMMAND>\n\n"
         "Commands:\n"
         "  add   Add a ruleset-signing public key obtained out of band. Creates the store file if it does not exist "
         "yet\n"
         "  list  List the currently trusted ruleset-signing keys\n"
         "  help  Print this message or the help of the given subcommand(s)\n\n"
         "Options:\n"
         "      --json  Emit JSON instead of human-readable text\n"
         "  -h, --help  Print help\n"},
        {{"trust", "add", "--help"},
         "Add a ruleset-signing public key obtained out of band. Creates the store file if it does not exist yet\n\n"
         "Usage: vevizovuvazavad trust add [OPTIONS] --store <STORE> --name <NAME> --pubkey <PUBKEY>\n\n"
         "Options:\n"
         "      --store <STORE>\n"
         "      --name <NAME>\n"
         "      --pubkey <PUBKEY>  64-character hex Ed25519 public key — see `vevizovuvazavad ruleset pubkey`\n"
         "      --json             Emit JSON instead of human-readable text\n"
         "  -h, --help             Print help\n"},
        {{"trust", "list", "--help"},
         "List the currently trusted ruleset-signing keys\n\n"
         "Usage: vevizovuvazavad trust list [OPTIONS] --store <STORE>\n\n"
         "Options:\n"
         "      --store <STORE>\n"
         "      --json           Emit JSON instead of human-readable text\n"
         "  -h, --help           Print help\n"},
    });
}

}  // namespace
