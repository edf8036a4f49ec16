// `ruleset pubkey` and `ruleset sign` with seed files from `keygen`.
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <orrincore_crypto/hash.hpp>
#include <orrincore_error/hex.hpp>
#include <orrincore_json/document.hpp>
#include <orrincore_policy/signed_ruleset.hpp>

#include "files/seed_file.hpp"
#include "gate/release_gate.hpp"
#include "gate/trust_store.hpp"
#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using orrincore_policy::PolicyRuleset;
using orrincore_policy::SignedPolicyRuleset;
using zedododor_avovodizi::time::Timestamp;

// A plain ruleset with keys a ruleset does not define, at two levels.
const std::string document = R"({
  "ruleset_id": "6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c",
  "product_id": "vuvadededoru",
  "version": 3,
  "comment": "not part of a ruleset",
  "rules": [
    {
      "rule_id": "allow-litigation",
      "rule_name": "release after review",
      "action": "vuvadededoru:legal-hold.release",
      "actor_type": "user",
      "resource_type": "legal-hold",
      "facts": {"reason_code": {"op": "one_of", "values": ["litigation"]}},
      "effect": "allow",
      "note": "dropped"
    }
  ],
  "decision_ttl_seconds": 3600
})";

orrincore_crypto::SigningKey key_in(const ToolFolder& folder, std::string_view seed) {
    return vevizovuvazavad::files::read_seed_file(folder / seed).value();
}

// The envelope in `name` opens under the key of `seed` and carries `expected`.
void expect_opens(const ToolFolder& folder, std::string_view name, std::string_view seed,
                  const PolicyRuleset& expected) {
    const auto envelope = record_in<SignedPolicyRuleset>(folder, name);
    auto opened = envelope.open(key_in(folder, seed).verifying_key(), Timestamp::now(),
                                vevizovuvazavad::ruleset_associated_data());
    ASSERT_TRUE(opened) << opened.error().message();
    EXPECT_EQ(*opened, expected);
}

TEST(RulesetPubkey, PrintsTheKeyAndTheCommandThatTrustsIt) {
    ToolFolder folder;
    const auto keygen_out = run_ok(folder, {"keygen", "k.seed"});
    const std::string pubkey = orrincore_error::hex::to_lower(key_in(folder, "k.seed").verifying_key().bytes());
    const std::string text = run_ok(folder, {"ruleset", "pubkey", "--key", "k.seed"});
    EXPECT_EQ(text,
              fmt::format("{}\n\ntrust it wherever this key's rulesets must be accepted:\n  vevizovuvazavad trust "
                          "add --store <trust-store.json> --name <name> --pubkey {}\n",
                          pubkey, pubkey));
    EXPECT_EQ(run_ok(folder, {"ruleset", "pubkey", "--key", "k.seed"}), text);
    EXPECT_EQ(run_ok(folder, {"--json", "ruleset", "pubkey", "--key", "k.seed"}),
              fmt::format("{{\"pubkey_hex\":\"{}\"}}\n", pubkey));

    // The key hashes to the fingerprint `keygen` printed.
    std::array<std::uint8_t, 32> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(std::stoi(pubkey.substr(2 * i, 2), nullptr, 16));
    const auto fingerprint = orrincore_crypto::hash::blake3_hash(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    EXPECT_TRUE(keygen_out.ends_with("public fingerprint: " + fingerprint.to_hex() + "\n")) << keygen_out;

    // The printed command runs once its two placeholders are filled in, and
    // trusts exactly this key.
    std::string command = text.substr(text.rfind("  vevizovuvazavad ") + 18);
    command.pop_back();
    Args args;
    for (std::size_t start = 0; start <= command.size();) {
        const auto end = std::min(command.find(' ', start), command.size());
        std::string word = command.substr(start, end - start);
        if (word == "<trust-store.json>") word = "t.json";
        if (word == "<name>") word = "signer";
        args.push_back(word);
        start = end + 1;
    }
    run_ok(folder, args);
    EXPECT_EQ(run_ok(folder, {"trust", "list", "--store", "t.json"}), pubkey + "  signer\n");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"k.seed", "t.json"}));
}

TEST(RulesetPubkey, RefusesAMissingOrMalformedSeed) {
    ToolFolder folder;
    expect_refused(folder.run({"ruleset", "pubkey", "--key", "missing.seed"}),
                   "missing.seed: No such file or directory (os error 2)");
    folder.write("bad.seed", std::string(63, 'a'));
    expect_refused(folder.run({"ruleset", "pubkey", "--key", "bad.seed"}), "key file must hold a 64-char hex seed");
    // Read no further than any seed file could reach: refused, not read forever.
    expect_refused(folder.run({"ruleset", "pubkey", "--key", "/dev/zero"}), "key file must hold a 64-char hex seed");
}

TEST(RulesetSign, SignsTheRulesetAsReadForThisProduct) {
    ToolFolder folder;
    keygen(folder, "k.seed");
    folder.write("plain.json", document);
    const auto before = Timestamp::now();
    EXPECT_EQ(run_ok(folder, {"ruleset", "sign", "--input", "plain.json", "--key", "k.seed", "--out", "s.json"}),
              "signed ruleset written to s.json (product vuvadededoru, purpose policy-ruleset)\n");
    const auto after = Timestamp::now();

    const auto ruleset = orrincore_json::parse<PolicyRuleset>(document).value();
    const auto envelope = record_in<SignedPolicyRuleset>(folder, "s.json");
    EXPECT_EQ(folder.read("s.json"), orrincore_json::to_pretty(envelope));
    EXPECT_EQ(envelope.format_version, 1);
    EXPECT_EQ(envelope.associated_data, (std::vector<std::string>{"product:vuvadededoru", "purpose:policy-ruleset"}));
    EXPECT_EQ(envelope.payload, ruleset);
    EXPECT_EQ(envelope.expires_at, std::nullopt);
    EXPECT_EQ(envelope.previous_hash, std::nullopt);
    EXPECT_GE(envelope.created_at, before);
    EXPECT_LE(envelope.created_at, after);
    // Keys the ruleset does not define are not carried over; nothing absent is written.
    for (const char* key : {"comment", "note", "expires_at", "previous_hash"})
        EXPECT_EQ(folder.read("s.json").find(key), std::string::npos) << key;
    expect_opens(folder, "s.json", "k.seed", ruleset);
    EXPECT_EQ(folder.read("plain.json"), document);

    // Signing again: another envelope, key id and signature, opening as well.
    run_ok(folder, {"ruleset", "sign", "--input", "plain.json", "--key", "k.seed", "--out", "again.json"});
    const auto again = record_in<SignedPolicyRuleset>(folder, "again.json");
    EXPECT_NE(again.envelope_id, envelope.envelope_id);
    EXPECT_NE(again.key_id, envelope.key_id);
    EXPECT_NE(again.signature, envelope.signature);
    expect_opens(folder, "again.json", "k.seed", ruleset);
}

TEST(RulesetSign, JsonPrintsTheEnvelopeAndInputMayBeReplaced) {
    ToolFolder folder;
    keygen(folder, "k.seed");
    folder.write("r.json", document);
    const auto out =
        run_ok(folder, {"--json", "ruleset", "sign", "--input", "r.json", "--key", "k.seed", "--out", "r.json"});
    const auto envelope = record_in<SignedPolicyRuleset>(folder, "r.json");
    EXPECT_EQ(out, orrincore_json::to_compact(envelope) + "\n");
    expect_opens(folder, "r.json", "k.seed", orrincore_json::parse<PolicyRuleset>(document).value());
}

// The associated data always names this tool's product; the gate refuses
// another product's ruleset when it evaluates it.
TEST(RulesetSign, SignsARulesetOfAnotherProduct) {
    ToolFolder folder;
    keygen(folder, "k.seed");
    const std::string other =
        R"({"ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c","product_id":"other-product","version":1,)"
        R"("rules":[{"rule_id":"r","action":"other-product:legal-hold.release","effect":"allow"}]})";
    folder.write("other.json", other);
    EXPECT_EQ(run_ok(folder, {"ruleset", "sign", "--input", "other.json", "--key", "k.seed", "--out", "s.json"}),
              "signed ruleset written to s.json (product vuvadededoru, purpose policy-ruleset)\n");
    const auto envelope = record_in<SignedPolicyRuleset>(folder, "s.json");
    EXPECT_EQ(envelope.associated_data, (std::vector<std::string>{"product:vuvadededoru", "purpose:policy-ruleset"}));
    EXPECT_EQ(envelope.payload.product_id.to_string(), "other-product");
}

// Refusals in the order the command meets them: the input, its validation
// (before the seed is looked at), the seed, the signing, the output. Nothing
// is written.
TEST(RulesetSign, RefusalsInOrder) {
    const auto ruleset_with = [](std::string_view rules, std::string_view more = "") {
        return fmt::format(R"({{"ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c","product_id":"vuvadededoru",)"
                           R"("version":1,"rules":[{}]{}}})",
                           rules, more);
    };
    const std::string allow = R"({"rule_id":"a","action":"vuvadededoru:legal-hold.release","effect":"allow"})";
    const std::string warn = R"({"rule_id":"w","action":"vuvadededoru:legal-hold.release","effect":"warn"})";
    const std::string invalid = "refusing to sign a ruleset that fails its own structural validation: ";
    struct Case {
        const char* label;
        std::string input;  // content of plain.json; empty: no such file
        std::string key;
        std::string out;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"missing input", "", "k.seed", "s.json", "plain.json: No such file or directory (os error 2)"},
        {"a signed envelope as input", "signed", "k.seed", "s.json",
         "plain.json: parse error: missing field `ruleset_id` at line 23 column 1"},
        {"warn effect, missing seed", ruleset_with(warn), "missing.seed", "s.json",
         invalid + "rule \"w\" declares effect Warn, which permits the action without reading as a grant — a rule "
                   "that grants must use `allow`, so a ruleset cannot express permission in a form a reviewer "
                   "would read as a warning"},
        {"duplicate rule id", ruleset_with(allow + "," + allow), "missing.seed", "s.json",
         invalid + "duplicate rule_id \"a\" — rule ids must be unique within a ruleset"},
        {"blank rule id", ruleset_with(R"({"rule_id":" ","action":"vuvadededoru:x","effect":"deny"})"), "missing.seed",
         "s.json", invalid + "rule at index 0 has an empty rule_id"},
        {"decision ttl 0", ruleset_with(allow, R"(,"decision_ttl_seconds":0)"), "missing.seed", "s.json",
         invalid + "ruleset sets decision_ttl_seconds to 0, so every decision would expire the moment it was "
                   "issued — omit the field to mean \"no expiry\""},
        {"missing seed", ruleset_with(allow), "missing.seed", "s.json",
         "missing.seed: No such file or directory (os error 2)"},
        {"malformed seed", ruleset_with(allow), "bad.seed", "s.json", "key file must hold a 64-char hex seed"},
        {"no canonical form",
         ruleset_with(R"({"rule_id":"a","action":"vuvadededoru:legal-hold.release",)"
                      R"("facts":{"r\u00e9vision":{"op":"present"},"re\u0301vision":{"op":"present"}},)"
                      R"("effect":"allow"})"),
         "k.seed", "s.json",
         "failed to sign ruleset: canonical serialization failed: duplicate object key \"r\xc3\xa9vision\" after "
         "Unicode normalisation"},
        {"output folder missing", ruleset_with(allow), "k.seed", "missing/s.json",
         "missing/s.json: No such file or directory (os error 2)"},
        // The envelope must not take the seed's place; it is known before the seed is read.
        {"output over the seed", ruleset_with(allow), "k.seed", "k.seed", "--out must not name the --key seed file"},
        {"output over the seed, spelt apart", ruleset_with(allow), "k.seed", "./k.seed",
         "--out must not name the --key seed file"},
        {"output over a malformed seed", ruleset_with(allow), "bad.seed", "bad.seed",
         "--out must not name the --key seed file"},
        {"invalid ruleset, output over the seed", ruleset_with(warn), "k.seed", "k.seed",
         invalid + "rule \"w\" declares effect Warn, which permits the action without reading as a grant — a rule "
                   "that grants must use `allow`, so a ruleset cannot express permission in a form a reviewer "
                   "would read as a warning"},
        {"output over a missing seed", ruleset_with(allow), "missing.seed", "missing.seed",
         "missing.seed: No such file or directory (os error 2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ToolFolder folder;
        keygen(folder, "k.seed");
        folder.write("bad.seed", "not a seed");
        if (c.input == "signed") {
            sign(folder, ruleset_with(allow), "k.seed", "plain.json");
        } else if (!c.input.empty()) {
            folder.write("plain.json", c.input);
        }
        const auto entries = folder.entries();
        expect_refused(folder.run({"ruleset", "sign", "--input", "plain.json", "--key", c.key, "--out", c.out}),
                       c.message);
        EXPECT_EQ(folder.entries(), entries);
    }
}

// `-h` prints the about line, `--help` the long about.
TEST(RulesetHelp, ShortAndLongAbout) {
    const std::string pubkey_options =
        "\n\nUsage: vevizovuvazavad ruleset pubkey [OPTIONS] --key <KEY>\n\nOptions:\n      --key <KEY>\n"
        "      --json       Emit JSON instead of human-readable text\n";
    const std::string sign_options =
        "\n\nUsage: vevizovuvazavad ruleset sign [OPTIONS] --input <INPUT> --key <KEY> --out <OUT>\n\nOptions:\n"
        "      --input <INPUT>\n      --key <KEY>      A 64-char hex Ed25519 seed file, as written by "
        "`vevizovuvazavad keygen`\n      --out <OUT>\n      --json           Emit JSON instead of human-readable "
        "text\n";
    const std::string pubkey_about = "Print the 64-char hex **public** key of a signing seed, for `trust add`";
    const std::string sign_about =
        "Structurally validate, then sign, a plain `PolicyRuleset` document into the signed envelope "
        "`--policy-ruleset` requires";
    struct Case {
        Args args;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"ruleset", "pubkey", "-h"},
         pubkey_about + pubkey_options + "  -h, --help       Print help (see more with '--help')\n"},
        {{"ruleset", "pubkey", "--help"},
         pubkey_about +
             ".\n\nSeparate from `keygen` (which prints only a fingerprint) because establishing trust needs the key "
             "itself, and because the public half must be shareable without ever moving the seed file." +
             pubkey_options + "  -h, --help       Print help (see a summary with '-h')\n"},
        {{"ruleset", "sign", "-h"},
         sign_about + sign_options + "  -h, --help           Print help (see more with '--help')\n"},
        {{"ruleset", "sign", "--help"},
         sign_about +
             ".\n\nRefuses to sign a ruleset that would not itself pass validation — a signature over a malformed "
             "document is not useful and produces only false confidence." +
             sign_options + "  -h, --help           Print help (see a summary with '-h')\n"},
    };
    ToolFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(c.args, " ")));
        const auto run = folder.run(c.args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }
}

}  // namespace
