#include "orrincore_policy/ruleset.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <string>
#include <string_view>

namespace orrincore_policy {
namespace {

constexpr std::string_view id = R"("ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c")";
constexpr std::string_view head = R"("ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c","product_id":"vuvadededoru")";
constexpr std::string_view action = R"("action":"vuvadededoru:legal-hold.release")";

// The ruleset object with `rest` after ruleset_id and product_id.
std::string with_head(std::string_view rest) {
    std::string text = "{";
    text.append(head).append(rest).append("}");
    return text;
}
// A ruleset holding one rule whose members follow rule_id and action.
std::string with_rule(std::string_view rest) {
    return with_head(R"(,"version":1,"rules":[{"rule_id":"r1",)" + std::string(action) + std::string(rest) + "}]");
}
// The same, as written back.
std::string written_rule(std::string_view members) {
    return with_head(R"(,"version":1,"rules":[{"rule_id":"r1")" + std::string(members) + "}]");
}

std::string read_back(const std::string& text) {
    auto ruleset = orrincore_json::parse<PolicyRuleset>(text);
    return ruleset ? orrincore_json::to_compact(*ruleset) : "error: " + ruleset.error().message();
}

constexpr std::string_view decisions =
    "one of `allow`, `deny`, `warn`, `require_approval`, `require_reauthentication`, `require_exception`, `pass`, "
    "`fail`, `not_applicable`, `unknown`";
constexpr std::string_view actor_types =
    "one of `user`, `administrator`, `device`, `service`, `product`, `federation_peer`, `system`, `unknown`";

struct Case {
    std::string input;
    std::string expected;
};

TEST(PolicyRulesetRead, ObjectFormAndOmissions) {
    const std::string allow = R"(,"effect":"allow")";
    const Case cases[] = {
        {with_head(R"(,"version":1)"), with_head(R"(,"version":1,"rules":[])")},
        {with_head(R"(,"version":0,"decision_ttl_seconds":null)"), with_head(R"(,"version":0,"rules":[])")},
        {with_head(R"(,"version":18446744073709551615,"decision_ttl_seconds":0)"),
         with_head(R"(,"version":18446744073709551615,"rules":[],"decision_ttl_seconds":0)")},
        {with_head(R"(,"version":1,"decision_ttl_seconds":4294967295,"note":[1,{}])"),
         with_head(R"(,"version":1,"rules":[],"decision_ttl_seconds":4294967295)")},
        {R"({"version":2,"product_id":"p","ruleset_id":"{6F1C2A4E-8B3D-4C5E-9A7F-0D1E2F3A4B5C}"})",
         "{" + std::string(id) + R"(,"product_id":"p","version":2,"rules":[]})"},
        {with_rule(allow), written_rule(std::string(",") + std::string(action) + allow)},
        {with_rule(R"(,"rule_name":null,"actor_type":null,"resource_type":null,"facts":{},"context":{})" + allow),
         written_rule(std::string(",") + std::string(action) + allow)},
        {with_rule(R"(,"effect":"deny","context":{"c":{"op":"absent"}},"resource_type":"legal-hold",)"
                   R"("actor_type":{"administrator":null},"rule_name":"n","facts":{"f":["present"]})"),
         written_rule(R"(,"rule_name":"n",)" + std::string(action) +
                      R"(,"actor_type":"administrator","resource_type":"legal-hold","facts":{"f":{"op":"present"}},)"
                      R"("context":{"c":{"op":"absent"}},"effect":"deny")")},
        {with_rule(R"(,"facts":{"b":{"op":"present"},"a":{"op":"absent"}})" + allow),
         written_rule(std::string(",") + std::string(action) +
                      R"(,"facts":{"a":{"op":"absent"},"b":{"op":"present"}})" + allow)},
        {with_rule(R"(,"facts":{"k":{"op":"equals","value":"1"},"k":{"op":"present"}})" + allow),
         written_rule(std::string(",") + std::string(action) + R"(,"facts":{"k":{"op":"present"}})" + allow)},
        {with_rule(R"(,"fact":{"k":{"op":"absent"}},"actor-type":"user")" + allow),  // unknown keys are dropped
         written_rule(std::string(",") + std::string(action) + allow)},
        {with_head(R"(,"version":1,"rules":[{"rule_id":" ",)" + std::string(action) +
                   R"(,"effect":"warn"}],"decision_ttl_seconds":0)"),
         with_head(R"(,"version":1,"rules":[{"rule_id":" ",)" + std::string(action) +
                   R"(,"effect":"warn"}],"decision_ttl_seconds":0)")},
    };
    for (const auto& c : cases) EXPECT_EQ(read_back(c.input), c.expected) << c.input;
}

TEST(PolicyRulesetRead, Refusals) {
    const std::string allow = R"(,"effect":"allow")";
    const Case cases[] = {
        {with_head(R"(,"version":1,"decision_ttl_seconds":4294967296)"),
         "error: invalid value: integer `4294967296`, expected u32"},
        {with_head(R"(,"version":1,"decision_ttl_seconds":-1)"), "error: invalid value: integer `-1`, expected u32"},
        {with_head(R"(,"version":-1)"), "error: invalid value: integer `-1`, expected u64"},
        {with_head(R"(,"version":1.5)"), "error: invalid type: floating point `1.5`, expected u64"},
        {with_head(R"(,"version":"1")"), "error: invalid type: string \"1\", expected u64"},
        {with_head(R"(,"version":1,"version":1)"), "error: duplicate field `version`"},
        {with_head(R"(,"version":1,"rules":null)"), "error: invalid type: null, expected a sequence"},
        {with_head(R"(,"version":1,"rules":["r1"])"), "error: invalid type: string \"r1\", expected struct PolicyRule"},
        {"{}", "error: missing field `ruleset_id`"},
        {R"({"version":1,"ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c"})", "error: missing field `product_id`"},
        {with_head(""), "error: missing field `version`"},
        {R"({"ruleset_id":"6f1c2a4e","product_id":"p","version":1})",
         "error: UUID parsing failed: invalid length: found 8"},
        {R"({"ruleset_id":"6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c","product_id":"P","version":1})",
         "error: invalid Slug identifier: may contain only lowercase ASCII letters, digits and hyphens"},
        {R"("ruleset")", "error: invalid type: string \"ruleset\", expected struct PolicyRuleset"},
        {with_rule(R"(,"facts":null)" + allow), "error: invalid type: null, expected a map"},
        {with_rule(R"(,"facts":{"k":{"op":"bogus"},"k":{"op":"present"}})" + allow),
         "error: unknown variant `bogus`, expected one of `equals`, `not_equals`, `one_of`, `at_least`, `at_most`, "
         "`in_range`, `present`, `absent`"},
        {with_rule(R"(,"actor_type":"admin")" + allow),
         "error: unknown variant `admin`, expected " + std::string(actor_types)},
        {with_rule(R"(,"effect":"Allow")"), "error: unknown variant `Allow`, expected " + std::string(decisions)},
        {with_rule(""), "error: missing field `effect`"},
        {with_head(R"(,"version":1,"rules":[{"effect":"allow"}])"), "error: missing field `rule_id`"},
        {with_head(R"(,"version":1,"rules":[{"rule_id":"r","effect":"allow"}])"), "error: missing field `action`"},
        {with_head(R"(,"version":1,"rules":[{"rule_id":"r","action":5,"effect":"allow"}])"),
         "error: invalid type: integer `5`, expected a string"},
        {with_head(R"(,"version":1,"rules":[{"rule_id":"r","action":"release","effect":"allow"}])"),
         "error: validation failed: policy action id \"release\" must be \"<product>:<action.path>\""},
        {with_rule(R"(,"rule_name":5)" + allow), "error: invalid type: integer `5`, expected a string"},
    };
    for (const auto& c : cases) EXPECT_EQ(read_back(c.input), c.expected) << c.input;
}

TEST(PolicyRulesetRead, ArrayForms) {
    const std::string uuid = R"("6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c")";
    const std::string act = R"("vuvadededoru:legal-hold.release")";
    const Case cases[] = {
        {"[]", "error: invalid length 0, expected struct PolicyRuleset with 5 elements"},
        {"[" + uuid + R"(,"p"])", "error: invalid length 2, expected struct PolicyRuleset with 5 elements"},
        {"[" + uuid + R"(,"p",3])", "{" + std::string(id) + R"(,"product_id":"p","version":3,"rules":[]})"},
        {"[" + uuid + R"(,"p",3,[],60])",
         "{" + std::string(id) + R"(,"product_id":"p","version":3,"rules":[],"decision_ttl_seconds":60})"},
        {"[" + uuid + R"(,"p",3,[],null,1])", "error: trailing characters"},
        {"[" + uuid + R"(,"p",3,[["r"]]])", "error: invalid length 2, expected struct PolicyRule with 8 elements"},
        {"[" + uuid + R"(,"p",3,[["r","name",)" + act + "]]]",
         "error: invalid length 7, expected struct PolicyRule with 8 elements"},
        {"[" + uuid + R"(,"p",3,[["r",null,)" + act + R"(,null,null,{},{},"deny"]]])",
         "{" + std::string(id) + R"(,"product_id":"p","version":3,"rules":[{"rule_id":"r","action":)" + act +
             R"(,"effect":"deny"}]})"},
    };
    for (const auto& c : cases) EXPECT_EQ(read_back(c.input), c.expected) << c.input;
}

TEST(PolicyRulesetWrite, PrettyFormAndValueFormShareTheKeys) {
    auto ruleset = orrincore_json::parse<PolicyRuleset>(
        with_rule(R"(,"facts":{"n":{"op":"in_range","max":5,"min":1}},"effect":"allow")"));
    ASSERT_TRUE(ruleset);
    EXPECT_EQ(orrincore_json::to_pretty(*ruleset), R"({
  "ruleset_id": "6f1c2a4e-8b3d-4c5e-9a7f-0d1e2f3a4b5c",
  "product_id": "vuvadededoru",
  "version": 1,
  "rules": [
    {
      "rule_id": "r1",
      "action": "vuvadededoru:legal-hold.release",
      "facts": {
        "n": {
          "op": "in_range",
          "min": 1,
          "max": 5
        }
      },
      "effect": "allow"
    }
  ]
})");
    EXPECT_EQ(orrincore_json::to_value(*ruleset), nlohmann::json::parse(orrincore_json::to_compact(*ruleset)));
    auto again = orrincore_json::parse<PolicyRuleset>(orrincore_json::to_pretty(*ruleset));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *ruleset);
}

}  // namespace
}  // namespace orrincore_policy
