#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <orrincore_error/hex.hpp>

#include "custody_chain_file.hpp"
#include "key_fixtures.hpp"
#include "run_tool.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using Value = nlohmann::ordered_json;

const orrincore_crypto::SigningKey& signer() {
    static const auto key = key_from_seed(0x42);
    return key;
}

// Six events, numbered 1 to 6, each linked to the one before.
const std::vector<orrincore_audit::SignedAuditEvent>& six_events() {
    static const auto events = custody_events(signer(), 6);
    return events;
}

// A folder holding the signer's seed file.
struct CustodyFolder {
    ToolFolder folder;
    CustodyFolder() { folder.write("signer.key", orrincore_error::hex::to_lower(signer().seed())); }

    RunResult verify(std::string_view chain_file, bool json = false) const {
        std::vector<std::string> args = {"custody",    "verify",    "--chain", std::string(chain_file),
                                         "--key-file", "signer.key"};
        if (json) args.insert(args.begin(), "--json");
        return folder.run(args);
    }
};

void expect_verified(const RunResult& run, std::size_t events) {
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, fmt::format("chain of {} event(s) verified\n", events));
    EXPECT_EQ(run.err, "");
}

void expect_refused(const RunResult& run, std::string_view message) {
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, fmt::format("error: {}\n", message));
}

std::string broken_link(int sequence) {
    return fmt::format(
        "validation failed: audit chain broken at sequence {}: previous-hash link does not match the preceding event",
        sequence);
}

std::string sequence_gap(int expected, int found) {
    return fmt::format("validation failed: audit chain sequence gap: expected {}, found {}", expected, found);
}

constexpr const char* bad_signature = "signature verification failed";

TEST(CustodyVerify, VerifiesEventsInObjectAndArrayForm) {
    Value mixed = custody_chain_value(six_events(), EventForm::object);
    const Value arrays = custody_chain_value(six_events(), EventForm::array);
    for (std::size_t i = 1; i < mixed.size(); i += 2) mixed[i] = arrays[i];
    const std::vector<std::pair<std::string, std::string>> files = {
        {"object form", custody_chain_file(six_events(), EventForm::object)},
        {"array form", custody_chain_file(six_events(), EventForm::array)},
        {"both forms", mixed.dump(2)},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        CustodyFolder custody;
        custody.folder.write("chain.json", content);
        expect_verified(custody.verify("chain.json"), 6);
        const auto json = custody.verify("chain.json", true);
        EXPECT_EQ(json.status, 0);
        EXPECT_EQ(json.out, "{\"events\":6,\"verified\":true}\n");
        EXPECT_EQ(custody.folder.entries(), (std::vector<std::string>{"chain.json", "signer.key"}));
    }
}

TEST(CustodyVerify, EmptyChainAndALoneEventOfAnyNumber) {
    CustodyFolder custody;
    custody.folder.write("empty.json", " [\n]\n");
    expect_verified(custody.verify("empty.json"), 0);
    EXPECT_EQ(custody.verify("empty.json", true).out, "{\"events\":0,\"verified\":true}\n");

    auto lone = six_events().front();
    lone.sequence = 42;
    custody.folder.write("lone.json", custody_chain_file(std::vector{lone}));
    expect_verified(custody.verify("lone.json"), 1);
}

using Members = std::vector<std::pair<std::string, Value>>;

// The value with every object rebuilt by `rebuild` from its members, which
// have been rebuilt first.
Value rebuilt_objects(const Value& value, const std::function<Value(const Members&)>& rebuild) {
    if (value.is_array()) {
        Value out = Value::array();
        for (const auto& element : value) out.push_back(rebuilt_objects(element, rebuild));
        return out;
    }
    if (!value.is_object()) return value;
    Members members;
    for (const auto& [key, member] : value.items()) members.emplace_back(key, rebuilt_objects(member, rebuild));
    return rebuild(members);
}

// Every object's keys in reverse order.
Value reversed_keys(const Members& members) {
    Value out = Value::object();
    for (auto it = members.rbegin(); it != members.rend(); ++it) out[it->first] = it->second;
    return out;
}

// Keys that no record defines around every object's own.
Value with_unknown_keys(const Members& members) {
    Value out = Value::object();
    out["aa_unknown"] = Value::parse(R"({"signature": "00", "sequence": [1, 2.5, null]})");
    for (const auto& [key, member] : members) out[key] = member;
    out["zz_unknown"] = "event";
    return out;
}

std::string ascii_upper_after(std::string text, std::size_t from) {
    return text.substr(0, from) + ascii_upper(text.substr(from));
}

// Each event is verified over the canonical bytes of the event as read, so
// neither the file's layout nor its key order, unknown keys, nulls for
// absent options or other spellings of the same identifier, hash or time
// change the verdict.
TEST(CustodyVerify, TheFilesSpellingDoesNotMatter) {
    const Value chain = custody_chain_value(six_events(), EventForm::object);
    const auto edited = [&chain](const std::function<void(Value&)>& edit) {
        Value copy = chain;
        edit(copy);
        return copy.dump(2);
    };
    const std::vector<std::pair<std::string, std::string>> files = {
        {"compact", chain.dump()},
        {"indented by four, final newline", chain.dump(4) + "\n"},
        {"keys reversed", rebuilt_objects(chain, reversed_keys).dump(2)},
        {"unknown keys everywhere", rebuilt_objects(chain, with_unknown_keys).dump(2)},
        {"absent options as null", edited([](Value& events) {
             for (auto& signed_event : events) {
                 signed_event["event"]["tenant_id"] = nullptr;
                 signed_event["event"]["actor"]["display_name_encrypted"] = nullptr;
             }
             events[0]["event"]["previous_event_hash"] = nullptr;
         })},
        {"upper-case identifiers and hash digits", edited([](Value& events) {
             for (auto& signed_event : events) {
                 auto& event = signed_event["event"];
                 event["event_id"] = ascii_upper(event["event_id"].get<std::string>());
                 if (event.contains("previous_event_hash"))
                     event["previous_event_hash"] =
                         ascii_upper_after(event["previous_event_hash"].get<std::string>(), 7);
             }
         })},
        {"times with a zero fraction or an offset", edited([](Value& events) {
             events[1]["event"]["occurred_at"] = "2024-05-01T12:00:02.000Z";
             events[2]["event"]["occurred_at"] = "2024-05-01T14:00:03+02:00";
         })},
        {"events in array form with trailing absent options left out", edited([](Value& events) {
             events[0] = custody_chain_value(std::span(six_events()).first(1), EventForm::array)[0];
             events[0][0].erase(events[0][0].size() - 1);  // previous_event_hash
         })},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        CustodyFolder custody;
        custody.folder.write("chain.json", content);
        expect_verified(custody.verify("chain.json"), 6);
    }
}

// A changed value fails at the event that carries it: inside an event it
// breaks that event's signature; a number or an order breaks the numbering
// or the links.
TEST(CustodyVerify, AChangedValueFailsAtItsEvent) {
    struct Case {
        std::string name;
        std::function<void(Value&)> edit;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"result", [](Value& c) { c[2]["event"]["result"] = "failure"; }, bad_signature},
        {"event id", [](Value& c) { c[2]["event"]["event_id"] = "6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f"; },
         bad_signature},
        {"occurrence time", [](Value& c) { c[2]["event"]["occurred_at"] = "2024-05-01T12:00:03.000000001Z"; },
         bad_signature},
        {"target", [](Value& c) { c[2]["event"]["target"]["target_id"] = "package-4"; }, bad_signature},
        {"actor id left out", [](Value& c) { c[2]["event"]["actor"].erase("actor_id"); }, bad_signature},
        {"absent option given", [](Value& c) { c[2]["event"]["correlation_id"] = ""; }, bad_signature},
        {"previous hash",
         [](Value& c) {
             auto hash = c[2]["event"]["previous_event_hash"].get<std::string>();
             hash.back() = hash.back() == '0' ? '1' : '0';
             c[2]["event"]["previous_event_hash"] = hash;
         },
         bad_signature},
        {"signature",
         [](Value& c) {
             auto signature = c[2]["signature"].get<std::string>();
             signature[0] = signature[0] == '0' ? '1' : '0';
             c[2]["signature"] = signature;
         },
         bad_signature},
        {"first failure wins",
         [](Value& c) {
             c[1]["event"]["action"] = "vuvadededoru:package.dispose";
             c[4]["sequence"] = 9;
         },
         bad_signature},
        {"sequence number", [](Value& c) { c[2]["sequence"] = 9; }, sequence_gap(3, 9)},
        {"first sequence number", [](Value& c) { c[0]["sequence"] = 5; }, sequence_gap(6, 2)},
        {"event removed from the middle", [](Value& c) { c.erase(2); }, broken_link(4)},
        {"events swapped", [](Value& c) { std::swap(c[2], c[3]); }, broken_link(4)},
        {"event repeated", [](Value& c) { c.insert(c.begin() + 3, c[2]); }, broken_link(3)},
        {"first event removed", [](Value& c) { c.erase(0); }, broken_link(2)},
        {"link added to the first event",
         [](Value& c) { c[0]["event"]["previous_event_hash"] = c[1]["event"]["previous_event_hash"]; }, bad_signature},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Value chain = custody_chain_value(six_events(), EventForm::object);
        c.edit(chain);
        CustodyFolder custody;
        custody.folder.write("chain.json", chain.dump(2));
        expect_refused(custody.verify("chain.json"), c.message);
    }
}

// Neither the numbers nor the length of a chain are signed: a chain
// renumbered as a whole, or cut at its tail, still verifies.
TEST(CustodyVerify, RenumberedOrShortenedChainsStillVerify) {
    CustodyFolder custody;
    auto renumbered = six_events();
    for (auto& event : renumbered) event.sequence += 100;
    custody.folder.write("renumbered.json", custody_chain_file(renumbered));
    expect_verified(custody.verify("renumbered.json"), 6);
    custody.folder.write("cut.json", custody_chain_file(std::span(six_events()).first(4)));
    expect_verified(custody.verify("cut.json"), 4);
}

// The chain file is read before the key file; the key is the signer's seed.
TEST(CustodyVerify, RefusalsInOrder) {
    struct Case {
        std::string name;
        std::string chain;
        std::string key;
        std::string message;
    };
    const std::string missing = "No such file or directory (os error 2)";
    const std::vector<Case> cases = {
        {"missing chain before missing key", "missing.json", "missing.key", "missing.json: " + missing},
        {"empty chain file", "empty.json", "missing.key",
         "empty.json: parse error: EOF while parsing a value at line 1 column 0"},
        {"chain as an object", "object.json", "signer.key",
         "object.json: parse error: invalid type: map, expected a sequence at line 1 column 0"},
        {"element without a signature", "unsigned.json", "signer.key",
         "unsigned.json: parse error: missing field `signature` at line 1 column 1037"},
        {"text after the chain", "trailing.json", "signer.key",
         "trailing.json: parse error: trailing characters at line 1 column 4"},
        {"a bad event before a fault of the file", "tampered-then-malformed.json", "signer.key",
         "tampered-then-malformed.json: parse error: invalid type: integer `5`, expected struct SignedAuditEvent "
         "at line 1 column 1185"},
        {"missing key", "chain.json", "missing.key", "missing.key: " + missing},
        {"a bad event, missing key", "tampered.json", "missing.key", "missing.key: " + missing},
        {"a bad event", "tampered.json", "signer.key", bad_signature},
        {"empty chain, missing key", "empty-chain.json", "missing.key", "missing.key: " + missing},
        {"malformed key", "chain.json", "short.key", "key file must hold a 64-char hex seed"},
        {"another signer's seed", "chain.json", "other.key", bad_signature},
        {"the signer's public key in place of the seed", "chain.json", "public.key", bad_signature},
    };
    CustodyFolder custody;
    auto& folder = custody.folder;
    folder.write("chain.json", custody_chain_file(six_events()));
    folder.write("empty.json", "");
    folder.write("object.json", "{\"events\": []}");
    Value unsigned_chain = custody_chain_value(std::span(six_events()).first(2), EventForm::object);
    unsigned_chain[1].erase("signature");
    folder.write("unsigned.json", unsigned_chain.dump());
    folder.write("trailing.json", "[] []");
    Value tampered = custody_chain_value(std::span(six_events()).first(2), EventForm::object);
    tampered[0]["event"]["action"] = "vuvadededoru:package.dispose";
    folder.write("tampered.json", tampered.dump());
    tampered.push_back(5);
    folder.write("tampered-then-malformed.json", tampered.dump());
    folder.write("empty-chain.json", "[]");
    folder.write("short.key", std::string(63, 'a'));
    folder.write("other.key", orrincore_error::hex::to_lower(key_from_seed(0x43).seed()));
    folder.write("public.key", public_key_hex(signer()));
    const auto entries = folder.entries();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_refused(folder.run({"custody", "verify", "--chain", c.chain, "--key-file", c.key}), c.message);
    }
    EXPECT_EQ(folder.entries(), entries);
}

}  // namespace
