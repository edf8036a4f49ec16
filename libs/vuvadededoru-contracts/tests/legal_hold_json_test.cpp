#include <string>

#include <gtest/gtest.h>

#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "contracts_fixture.hpp"
#include "vuvadededoru_contracts/legal_hold.hpp"

namespace {

using namespace vuvadededoru_contracts;
using contracts_fixture::refusal;
using vevi_testing::at;
using vevi_testing::id;
namespace ids = zedododor_avovodizi::ids;

LegalHold new_hold() {
    auto hold = LegalHold::create({.tenant_id = id<ids::TenantId>("22222222-2222-4222-8222-222222222222"),
                                   .workspace_id = id<ids::WorkspaceId>("33333333-3333-4333-8333-333333333333"),
                                   .name = "Inquiry 7",
                                   .scope = "all mail of 2023",
                                   .reason_code = LegalHoldReasonCode::internal_investigation,
                                   .requested_by = "legal@example"},
                                  at("2024-03-01T09:00:00Z"))
                    .value();
    hold.id = id<LegalHoldId>("99999999-9999-4999-8999-999999999999");
    return hold;
}

const std::string new_hold_file = R"({
  "id": "99999999-9999-4999-8999-999999999999",
  "tenant_id": "22222222-2222-4222-8222-222222222222",
  "workspace_id": "33333333-3333-4333-8333-333333333333",
  "name": "Inquiry 7",
  "description_redacted": "",
  "status": "requested",
  "scope": "all mail of 2023",
  "reason_code": "internal_investigation",
  "requested_by": "legal@example",
  "approved_by": null,
  "starts_at": null,
  "released_at": null,
  "created_at": "2024-03-01T09:00:00Z",
  "updated_at": "2024-03-01T09:00:00Z"
})";

TEST(LegalHoldJson, WritesEveryKeyAbsentValuesAsNull) {
    EXPECT_EQ(orrincore_json::to_pretty(new_hold()), new_hold_file);
    EXPECT_EQ(orrincore_json::to_compact(new_hold()).substr(0, 48),
              R"({"id":"99999999-9999-4999-8999-999999999999","te)");
    auto read = orrincore_json::parse<LegalHold>(new_hold_file);
    ASSERT_TRUE(read) << read.error().message_with_position();
    EXPECT_EQ(*read, new_hold());
}

TEST(LegalHoldJson, ReadsObjectAndArrayForms) {
    const auto released = new_hold()
                              .approve("A", at("2024-03-02T00:00:00Z"))
                              ->request_release(at("2024-03-03T00:00:00Z"))
                              ->release("B", orrincore_policy::Decision::allow, at("2024-03-04T00:00:00.125Z"))
                              .value();
    const std::string file = orrincore_json::to_pretty(released);
    EXPECT_EQ(*orrincore_json::parse<LegalHold>(file), released);

    const auto fields = nlohmann::ordered_json::parse(file);
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& [key, value] : fields.items()) array.push_back(value);
    EXPECT_EQ(*orrincore_json::parse<LegalHold>(array.dump()), released);

    // Optional keys may be left out; enumerations also read in their one-key object form.
    auto object = nlohmann::ordered_json::parse(new_hold_file);
    object.erase("approved_by");
    object.erase("starts_at");
    object.erase("released_at");
    object["reason_code"] = {{"internal_investigation", nullptr}};
    EXPECT_EQ(*orrincore_json::parse<LegalHold>(object.dump()), new_hold());
}

TEST(LegalHoldJson, Refusals) {
    auto object = nlohmann::ordered_json::parse(new_hold_file);
    auto without_scope = object;
    without_scope.erase("scope");
    EXPECT_EQ(refusal<LegalHold>(without_scope.dump()), "missing field `scope`");

    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& [key, value] : object.items()) array.push_back(value);
    array.erase(array.size() - 1);
    EXPECT_EQ(refusal<LegalHold>(array.dump()), "invalid length 13, expected struct LegalHold with 14 elements");

    auto capitalised = object;
    capitalised["status"] = "Active";
    EXPECT_EQ(refusal<LegalHold>(capitalised.dump()),
              "unknown variant `Active`, expected one of `requested`, `active`, `release_requested`, `released`, "
              "`denied`, `expired`");

    auto unknown_reason = object;
    unknown_reason["reason_code"] = "subpoena";
    EXPECT_EQ(refusal<LegalHold>(unknown_reason.dump()),
              "unknown variant `subpoena`, expected one of `litigation`, `regulatory_inquiry`, "
              "`internal_investigation`, `law_enforcement_request`, `contractual_obligation`");

    EXPECT_EQ(refusal<LegalHold>(R"({"name": "a", "name": "b"})"), "duplicate field `name`");
    EXPECT_EQ(refusal<LegalHold>("\"hold\""), "invalid type: string \"hold\", expected struct LegalHold");
}

}  // namespace
