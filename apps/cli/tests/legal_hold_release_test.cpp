// `legal-hold release` end to end: keys from `keygen`, a store from `trust
// add`, rulesets from `ruleset sign`, and the hold released only on the
// decision of a ruleset a trusted key signed.
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <orrincore_crypto/hash.hpp>
#include <orrincore_json/document.hpp>
#include <orrincore_policy/signed_ruleset.hpp>
#include <vevi_testing/record_states.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>

#include "files/seed_file.hpp"
#include "gate/release_gate.hpp"
#include "gate/release_refusal.hpp"
#include "gate/trust_store.hpp"
#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using orrincore_policy::Decision;
using orrincore_policy::PolicyRuleset;
using orrincore_policy::SignedPolicyRuleset;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldStatus;
using zedododor_avovodizi::time::Timestamp;
using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

const std::string ruleset_id = "6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c";

// Litigation holds may be released once release was requested; holds under
// a contract whatever their status; inquiries never.
const std::string rules = R"({
  "ruleset_id": "6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c",
  "product_id": "vuvadededoru",
  "version": 3,
  "rules": [
    {
      "rule_id": "allow-litigation",
      "rule_name": "release after review",
      "action": "vuvadededoru:legal-hold.release",
      "actor_type": "user",
      "resource_type": "legal-hold",
      "facts": {
        "hold_status": {"op": "equals", "value": "release_requested"},
        "reason_code": {"op": "one_of", "values": ["litigation"]}
      },
      "effect": "allow"
    },
    {
      "rule_id": "allow-contracts",
      "action": "vuvadededoru:legal-hold.release",
      "facts": {"reason_code": {"op": "equals", "value": "contractual_obligation"}},
      "effect": "allow"
    },
    {
      "rule_id": "deny-inquiries",
      "action": "vuvadededoru:legal-hold.release",
      "facts": {"reason_code": {"op": "equals", "value": "regulatory_inquiry"}},
      "effect": "deny"
    }
  ],
  "decision_ttl_seconds": 3600
})";

const std::string action = "vuvadededoru:legal-hold.release";
const std::string allowed_litigation = fmt::format(
    "matched rule \"allow-litigation\" (release after review) in ruleset {} v3 for action {}", ruleset_id, action);
const std::string denied_inquiry =
    fmt::format("matched rule \"deny-inquiries\" (unnamed) in ruleset {} v3 for action {}", ruleset_id, action);
const std::string no_rule =
    fmt::format("no rule in ruleset {} v3 matched action {} for this input", ruleset_id, action);

const std::string not_authorised = "legal hold release was not authorised by policy";
const std::string no_keys =
    "trust store has no trusted ruleset-signing keys — refusing every ruleset until one is established with "
    "`vevizovuvazavad trust add`";
const std::string every_key =
    "ruleset failed signature verification against every key in the trust store — refusing to evaluate an "
    "unverifiable ruleset (unsigned, tampered, expired, signed for a different product, or signed by a key nobody "
    "deliberately trusted)";
const std::string signed_envelope_needed =
    "\n  --policy-ruleset must be a SIGNED ruleset envelope, not a plain PolicyRuleset document — produce one with "
    "`vevizovuvazavad ruleset sign`";

Args release(const std::string& hold, const std::string& ruleset = "signed.json",
             const std::string& store = "store.json", const std::string& out = "out.json") {
    return {"legal-hold",       "release", "--hold",        hold,  "--approved-by", "counsel-2",
            "--policy-ruleset", ruleset,   "--trust-store", store, "--out",         out};
}

// The regular files of the folder and their contents.
std::map<std::string, std::string> files_of(const ToolFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : folder.entries()) {
        if (fs::is_regular_file(fs::symlink_status(folder / name))) files.emplace(name, folder.read(name));
    }
    return files;
}

// `ruleset` signed with the key of `seed` by the library, expiring at
// `expires_at`: what `ruleset sign` never writes.
void write_signed(const ToolFolder& folder, const std::string& name, const std::string& seed, PolicyRuleset ruleset,
                  std::optional<Timestamp> expires_at = std::nullopt) {
    const auto key = vevizovuvazavad::files::read_seed_file(folder / seed).value();
    auto envelope = SignedPolicyRuleset::seal(std::move(ruleset), zedododor_avovodizi::ids::KeyId::generate(), key,
                                              Timestamp::now(), vevizovuvazavad::ruleset_associated_data())
                        .value();
    envelope.expires_at = expires_at;
    envelope.signature = key.sign_bytes(envelope.signing_bytes().value());
    write_record(folder, name, envelope);
}

// Keys from `keygen`: `colleague` and `signer`, trusted in that order in
// store.json, and `stranger`, trusted nowhere; signed.json holds the rules
// signed by `signer`.
class HoldRelease : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* seed : {"colleague.seed", "signer.seed", "stranger.seed"}) keygen(folder, seed);
        trust(folder, "store.json", "colleague", "colleague.seed");
        trust(folder, "store.json", "signer", "signer.seed");
        sign(folder, rules, "signer.seed", "signed.json");
    }

    ToolFolder folder;
};

TEST_F(HoldRelease, AnAllowingRulesetReleasesTheHold) {
    release_requested_hold(folder, "h.json", "litigation");
    const auto hold = record_in<LegalHold>(folder, "h.json");
    const std::string hold_file = folder.read("h.json");

    EXPECT_EQ(run_ok(folder, release("h.json")),
              fmt::format("legal hold {} released (policy Allow: {})\n", hold.id.to_string(), allowed_litigation));
    const auto released = record_in<LegalHold>(folder, "out.json");
    auto expected = hold;
    expected.status = LegalHoldStatus::released;
    expected.approved_by = "counsel-2";  // the releaser replaces the approver
    expected.released_at = released.updated_at;
    expected.updated_at = released.updated_at;
    EXPECT_EQ(released, expected);
    EXPECT_GE(released.updated_at, hold.updated_at);
    EXPECT_EQ(folder.read("out.json"), orrincore_json::to_pretty(released));
    EXPECT_EQ(folder.read("h.json"), hold_file);

    // A store holding the signer alone, an envelope that expires later, and
    // --out naming the hold: released all the same, the input replaced.
    trust(folder, "alone.json", "signer", "signer.seed");
    write_signed(folder, "later.json", "signer.seed", orrincore_json::parse<PolicyRuleset>(rules).value(),
                 Timestamp::now().saturating_add_seconds(86400));
    Args args = release("h.json", "later.json", "alone.json", "h.json");
    args.insert(args.begin(), "--json");
    const auto json = run_ok(folder, args);
    const auto replaced = record_in<LegalHold>(folder, "h.json");
    EXPECT_EQ(json, orrincore_json::to_compact(replaced) + "\n");
    EXPECT_EQ(replaced.status, LegalHoldStatus::released);
}

// Every refusal, whether of the files, the signature, the evaluation or the
// release itself, leaves every file as it was and writes no output.
TEST_F(HoldRelease, RefusalsWriteNothing) {
    release_requested_hold(folder, "litigation.json", "litigation");
    release_requested_hold(folder, "inquiry.json", "regulatory_inquiry");
    release_requested_hold(folder, "investigation.json", "internal_investigation");
    active_hold(folder, "active-contract.json", "contractual_obligation");
    active_hold(folder, "active-inquiry.json", "regulatory_inquiry");

    folder.write("empty-store.json", "{\n  \"signers\": []\n}");
    folder.write("zero-bytes.json", "");
    fs::create_directory(folder / "store-dir");
    fs::create_symlink("loop-b", folder / "loop-a");
    fs::create_symlink("loop-a", folder / "loop-b");
    auto hand_edited = record_in<vevizovuvazavad::TrustStore>(folder, "store.json");
    hand_edited.signers.push_back({"typo", "not a key", Timestamp::now()});
    write_record(folder, "hand-edited.json", hand_edited);

    folder.write("plain.json", rules);
    sign(folder, rules, "stranger.seed", "untrusted.json");
    std::string tampered = folder.read("signed.json");
    const std::string deny = "\"effect\": \"deny\"";
    ASSERT_NE(tampered.find(deny), std::string::npos);
    tampered.replace(tampered.find(deny), deny.size(), "\"effect\": \"allow\"");
    folder.write("tampered.json", tampered);
    sign(folder,
         R"({"ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c","product_id":"other-product","version":1,)"
         R"("rules":[{"rule_id":"r","action":"other-product:legal-hold.release","effect":"allow"}]})",
         "signer.seed", "other-product.json");
    const auto ruleset = orrincore_json::parse<PolicyRuleset>(rules).value();
    write_signed(folder, "expired.json", "signer.seed", ruleset, Timestamp::now().saturating_add_seconds(-1));
    auto warn = ruleset;
    warn.rules[0].effect = Decision::warn;
    write_signed(folder, "warn.json", "signer.seed", warn);

    struct Case {
        const char* label;
        Args args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"empty store", release("litigation.json", "signed.json", "empty-store.json"), no_keys},
        {"missing store", release("litigation.json", "signed.json", "missing.json"), no_keys},
        {"missing store, active hold", release("active-contract.json", "signed.json", "missing.json"), no_keys},
        {"untrusted signer", release("litigation.json", "untrusted.json"), every_key},
        {"tampered envelope", release("litigation.json", "tampered.json"), every_key},
        {"expired envelope", release("litigation.json", "expired.json"), every_key},
        {"ruleset of another product", release("litigation.json", "other-product.json"),
         "policy evaluation failed: validation failed: policy input belongs to product vuvadededoru but this ruleset "
         "governs other-product — refusing to issue a decision bound to an input from a different product"},
        {"signed but invalid", release("litigation.json", "warn.json"),
         "ruleset is signed by a trusted key but fails its own structural validation: rule \"allow-litigation\" "
         "declares effect Warn, which permits the action without reading as a grant — a rule that grants must use "
         "`allow`, so a ruleset cannot express permission in a form a reviewer would read as a warning"},
        {"plain unsigned ruleset", release("litigation.json", "plain.json"),
         "plain.json: parse error: missing field `format_version` at line 32 column 1" + signed_envelope_needed},
        {"missing ruleset", release("litigation.json", "missing.json"),
         "missing.json: No such file or directory (os error 2)" + signed_envelope_needed},
        {"the ruleset before the store", release("litigation.json", "plain.json", "store-dir"),
         "plain.json: parse error: missing field `format_version` at line 32 column 1" + signed_envelope_needed},
        {"store is a folder", release("litigation.json", "signed.json", "store-dir"),
         "store-dir: Is a directory (os error 21)"},
        {"store of zero bytes", release("litigation.json", "signed.json", "zero-bytes.json"),
         "zero-bytes.json: parse error: EOF while parsing a value at line 1 column 0"},
        {"store behind a loop of links", release("litigation.json", "signed.json", "loop-a"),
         "loop-a: Too many levels of symbolic links (os error 40)"},
        {"a stored key that does not parse", release("litigation.json", "signed.json", "hand-edited.json"),
         "expected a 64-character hex Ed25519 public key, got 9 characters (and non-hex characters)"},
        {"deny rule", release("inquiry.json"),
         fmt::format("{}: policy evaluated to Deny — {}", not_authorised, denied_inquiry)},
        {"no matching rule", release("investigation.json"),
         fmt::format("{}: policy evaluated to NotApplicable — {}", not_authorised, no_rule)},
        {"allowed, but the hold is active", release("active-contract.json"),
         "illegal transition for LegalHold: active -> released"},
        {"denied, and the hold is active", release("active-inquiry.json"),
         fmt::format("illegal transition for LegalHold: active -> released: policy evaluated to Deny — {}",
                     denied_inquiry)},
        {"missing hold", release("missing.json"), "missing.json: No such file or directory (os error 2)"},
        {"output folder missing", release("litigation.json", "signed.json", "store.json", "missing/out.json"),
         "missing/out.json: No such file or directory (os error 2)"},
    };
    const auto files = files_of(folder);
    const auto entries = folder.entries();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        expect_refused(folder.run(c.args), c.message);
        EXPECT_EQ(files_of(folder), files);
        EXPECT_EQ(folder.entries(), entries);
    }
}

// Keys in reverse order, at every level.
Json reversed(const Json& value) {
    if (value.is_array()) {
        Json out = Json::array();
        for (const auto& element : value) out.push_back(reversed(element));
        return out;
    }
    if (!value.is_object()) return value;
    Json out = Json::object();
    std::vector<std::string> keys;
    for (const auto& [key, _] : value.items()) keys.push_back(key);
    std::reverse(keys.begin(), keys.end());
    for (const auto& key : keys) out[key] = reversed(value.at(key));
    return out;
}

// The signature covers the signed record in its canonical form: neither the
// file's layout nor keys the record does not define take part, and every
// value does.
TEST_F(HoldRelease, TheSignatureCoversTheRecordNotTheFile) {
    release_requested_hold(folder, "h.json", "litigation");
    const auto original = Json::parse(folder.read("signed.json"));

    auto with_unknown = original;
    with_unknown["comment"] = "signed on the release desk";
    with_unknown["payload"]["x-reviewed"] = Json{{"by", "legal"}, {"at", 3}};
    with_unknown["payload"]["rules"][0]["note"] = Json::array({1, 2});
    with_unknown["payload"]["rules"][0]["facts"]["hold_status"]["hint"] = nullptr;
    const std::vector<std::pair<const char*, std::string>> accepted = {
        {"re-indented", original.dump(4)},
        {"on one line", original.dump()},
        {"keys in reverse order", reversed(original).dump(1, '\t')},
        {"unknown keys", with_unknown.dump(2)},
    };
    for (const auto& [label, text] : accepted) {
        SCOPED_TRACE(label);
        folder.write("variant.json", text);
        const auto run = folder.run(release("h.json", "variant.json"));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(run.out.ends_with(fmt::format("(policy Allow: {})\n", allowed_litigation))) << run.out;
        fs::remove(folder / "out.json");
    }

    // One change per value of the file, each to another value of its kind.
    const std::string other_id = "00000000-0000-4000-8000-000000000000";
    std::string signature = original["signature"];
    signature[0] = signature[0] == '0' ? '1' : '0';
    const std::string created_at =
        Timestamp::from_str(original["created_at"].get<std::string>())->saturating_add_seconds(1).to_rfc3339();
    const std::vector<std::pair<std::string, Json>> changed_values = {
        {"/format_version", 2},
        {"/envelope_id", other_id},
        {"/key_id", other_id},
        {"/created_at", created_at},
        {"/associated_data/0", "product:other-product"},
        {"/associated_data/1", "purpose:other"},
        {"/payload/ruleset_id", other_id},
        {"/payload/product_id", "vuvadededorv"},
        {"/payload/version", 4},
        {"/payload/rules/0/rule_id", "allow-litigation-2"},
        {"/payload/rules/0/rule_name", "release after a second review"},
        {"/payload/rules/0/action", "vuvadededoru:legal-hold.assign"},
        {"/payload/rules/0/actor_type", "service"},
        {"/payload/rules/0/resource_type", "legal-holds"},
        {"/payload/rules/0/facts/hold_status/op", "not_equals"},
        {"/payload/rules/0/facts/hold_status/value", "active"},
        {"/payload/rules/0/facts/reason_code/op", "present"},
        {"/payload/rules/0/facts/reason_code/values/0", "contractual_obligation"},
        {"/payload/rules/0/effect", "deny"},
        {"/payload/rules/1/rule_id", "allow-contract"},
        {"/payload/rules/1/action", "vuvadededoru:legal-hold.releases"},
        {"/payload/rules/1/facts/reason_code/op", "not_equals"},
        {"/payload/rules/1/facts/reason_code/value", "litigation"},
        {"/payload/rules/1/effect", "deny"},
        {"/payload/rules/2/rule_id", "deny-inquiry"},
        {"/payload/rules/2/action", "vuvadededoru:legal-hold"},
        {"/payload/rules/2/facts/reason_code/op", "not_equals"},
        {"/payload/rules/2/facts/reason_code/value", "internal_investigation"},
        {"/payload/rules/2/effect", "require_approval"},
        {"/payload/decision_ttl_seconds", 3601},
        {"/signature", signature},
    };
    std::set<std::string> changed;
    for (const auto& [pointer, _] : changed_values) changed.insert(pointer);
    std::set<std::string> leaves;
    const auto flat = nlohmann::json::parse(original.dump()).flatten();
    for (const auto& [pointer, _] : flat.items()) leaves.insert(pointer);
    EXPECT_EQ(changed, leaves);

    // And values added, removed or moved.
    std::vector<std::pair<std::string, Json>> edited;
    for (const auto& [pointer, value] : changed_values) {
        auto text = original;
        text[Json::json_pointer(pointer)] = value;
        edited.emplace_back("changed " + pointer, text);
    }
    auto expiring = original;
    expiring["expires_at"] = "9999-12-31T23:59:59Z";
    auto chained = original;
    chained["previous_hash"] = "blake3:" + std::string(64, '0');
    auto unnamed = original;
    unnamed["payload"]["rules"][0].erase("rule_name");
    auto without_ttl = original;
    without_ttl["payload"].erase("decision_ttl_seconds");
    auto fewer_rules = original;
    fewer_rules["payload"]["rules"].erase(2);
    auto rules_swapped = original;
    std::swap(rules_swapped["payload"]["rules"][0], rules_swapped["payload"]["rules"][1]);
    auto context_swapped = original;
    std::swap(context_swapped["associated_data"][0], context_swapped["associated_data"][1]);
    edited.insert(edited.end(), {{"expiry added", expiring},
                                 {"previous hash added", chained},
                                 {"rule name removed", unnamed},
                                 {"decision ttl removed", without_ttl},
                                 {"a rule removed", fewer_rules},
                                 {"rules swapped", rules_swapped},
                                 {"associated data swapped", context_swapped}});
    const std::string hold_file = folder.read("h.json");
    for (const auto& [label, text] : edited) {
        SCOPED_TRACE(label);
        folder.write("variant.json", text.dump(2));
        expect_refused(folder.run(release("h.json", "variant.json")), every_key);
        EXPECT_FALSE(folder.exists("out.json"));
        EXPECT_EQ(folder.read("h.json"), hold_file);
    }
}

// A package carries its hold until that very hold, released under policy,
// is cleared from it: a throwaway hold that was released cannot free it, and
// a second hold cannot take its place.
TEST_F(HoldRelease, OnlyTheHoldAPackageCarriesCanFreeIt) {
    active_hold(folder, "real.json", "litigation");
    const auto real = record_in<LegalHold>(folder, "real.json");
    auto package = vevi_testing::pending_package();
    package.tenant_id = real.tenant_id;
    package.workspace_id = real.workspace_id;
    write_record(folder, "p.json", package);
    run_ok(folder, {"legal-hold", "assign", "--hold", "real.json", "--package", "p.json", "--out-package", "p.json"});
    const std::string held = folder.read("p.json");
    EXPECT_EQ(record_in<ArchivePackage>(folder, "p.json").legal_hold_id, real.id);

    // A throwaway hold, requested, approved and released under policy.
    release_requested_hold(folder, "throwaway.json", "litigation");
    run_ok(folder, release("throwaway.json", "signed.json", "store.json", "throwaway.json"));
    expect_refused(folder.run({"legal-hold", "unassign", "--hold", "throwaway.json", "--package", "p.json",
                               "--out-package", "p.json"}),
                   "legal hold does not match the hold this package carries");
    active_hold(folder, "second.json", "litigation");
    expect_refused(
        folder.run({"legal-hold", "assign", "--hold", "second.json", "--package", "p.json", "--out-package", "p.json"}),
        "archive package already carries a different legal hold");
    EXPECT_EQ(folder.read("p.json"), held);

    // The real hold, released in its turn, clears it.
    run_ok(folder, {"legal-hold", "request-release", "--hold", "real.json", "--out", "real.json"});
    run_ok(folder, release("real.json", "signed.json", "store.json", "real.json"));
    EXPECT_EQ(run_ok(folder, {"legal-hold", "unassign", "--hold", "real.json", "--package", "p.json", "--out-package",
                              "p.json"}),
              fmt::format("legal hold cleared from package {}\n", package.id.to_string()));
    EXPECT_EQ(record_in<ArchivePackage>(folder, "p.json"), package);
}

// Allow and warn let LegalHold::release speak alone; every other decision
// adds itself, by its debug name, and its reason.
TEST(ReleaseRefusalText, NamesEveryDecisionButTheAllowingOnes) {
    using vuvadededoru_contracts::ContractError;
    const ContractError unauthorised = vuvadededoru_contracts::ReleaseNotAuthorised{};
    const ContractError wrong_status = vuvadededoru_contracts::IllegalTransition{"LegalHold", "active", "released"};
    const std::vector<std::pair<Decision, std::string>> cases = {
        {Decision::allow, ""},
        {Decision::warn, ""},
        {Decision::deny, "Deny"},
        {Decision::require_approval, "RequireApproval"},
        {Decision::require_reauthentication, "RequireReauthentication"},
        {Decision::require_exception, "RequireException"},
        {Decision::pass, "Pass"},
        {Decision::fail, "Fail"},
        {Decision::not_applicable, "NotApplicable"},
        {Decision::unknown, "Unknown"},
    };
    for (const auto& [decision, name] : cases) {
        SCOPED_TRACE(orrincore_json::word(decision));
        const auto policy = orrincore_policy::PolicyDecision::create(
            *zedododor_avovodizi::ids::PolicyId::from_str(ruleset_id), 3, decision, "the reason",
            orrincore_crypto::hash::blake3_hash(""), Timestamp::now());
        const std::string suffix = name.empty() ? "" : ": policy evaluated to " + name + " — the reason";
        EXPECT_EQ(vevizovuvazavad::release_refusal_text(policy, unauthorised), not_authorised + suffix);
        EXPECT_EQ(vevizovuvazavad::release_refusal_text(policy, wrong_status),
                  "illegal transition for LegalHold: active -> released" + suffix);
    }
}

}  // namespace
