#include "vuvadededoru_contracts/legal_hold.hpp"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "contracts_fixture.hpp"

namespace {

using namespace vuvadededoru_contracts;
using orrincore_policy::Decision;
using vevi_testing::at;
using zedododor_avovodizi::time::Timestamp;
namespace ids = zedododor_avovodizi::ids;

const Timestamp created = at("2024-03-01T09:00:00Z");
const Timestamp approved = at("2024-03-02T10:00:00Z");
const Timestamp asked = at("2024-03-03T11:00:00Z");
const Timestamp released = at("2024-03-04T12:30:00.25Z");

ContractResult<LegalHold> make(std::string name, std::string scope, std::string requested_by) {
    return LegalHold::create({.tenant_id = ids::TenantId::generate(),
                              .workspace_id = ids::WorkspaceId::generate(),
                              .name = std::move(name),
                              .scope = std::move(scope),
                              .reason_code = LegalHoldReasonCode::regulatory_inquiry,
                              .requested_by = std::move(requested_by)},
                             created);
}

LegalHold requested_hold() { return make("Inquiry 7", "all mail of 2023", "legal@example").value(); }

LegalHold in_status(LegalHoldStatus status) {
    auto hold = requested_hold();
    hold.status = status;
    return hold;
}

const std::vector<LegalHoldStatus> all_statuses = {
    LegalHoldStatus::requested, LegalHoldStatus::active, LegalHoldStatus::release_requested,
    LegalHoldStatus::released,  LegalHoldStatus::denied, LegalHoldStatus::expired,
};

std::string illegal(std::string_view from, std::string_view to) {
    return fmt::format("illegal transition for LegalHold: {} -> {}", from, to);
}

TEST(LegalHoldCreate, FirstBlankTextIsRefusedInFieldOrder) {
    struct Case {
        const char* name;
        const char* scope;
        const char* requested_by;
        const char* refused;  // nullptr: accepted
    };
    const std::vector<Case> cases = {
        {"   ", "scope", "someone", "name"},
        {"\u3000", "scope", "someone", "name"},
        {"", "", "", "name"},
        {" \t", " ", "someone", "name"},
        {"hold", "\n\u00a0", "someone", "scope"},
        {"hold", "scope", "\u2028", "requested_by"},
        {" a ", "scope", "someone", nullptr},
        {"\u200b", "scope", "someone", nullptr},  // a zero-width space is not White_Space
        {"\u001c", "scope", "someone", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto hold = make(c.name, c.scope, c.requested_by);
        if (c.refused) {
            ASSERT_FALSE(hold);
            EXPECT_EQ(hold.error(), ContractError(EmptyField{c.refused}));
            EXPECT_EQ(hold.error().message(), fmt::format("field '{}' must not be empty", c.refused));
        } else {
            ASSERT_TRUE(hold);
            EXPECT_EQ(hold->name, c.name);  // untrimmed
        }
    }
}

TEST(LegalHoldCreate, NewHoldIsRequestedWithNothingDecided) {
    const auto tenant = ids::TenantId::generate();
    const auto workspace = ids::WorkspaceId::generate();
    auto hold = LegalHold::create({.tenant_id = tenant,
                                   .workspace_id = workspace,
                                   .name = " Inquiry ",
                                   .scope = "scope",
                                   .reason_code = LegalHoldReasonCode::litigation,
                                   .requested_by = "legal"},
                                  created);
    ASSERT_TRUE(hold);
    EXPECT_EQ(hold->tenant_id, tenant);
    EXPECT_EQ(hold->workspace_id, workspace);
    EXPECT_EQ(hold->name, " Inquiry ");
    EXPECT_EQ(hold->description_redacted, "");
    EXPECT_EQ(hold->status, LegalHoldStatus::requested);
    EXPECT_EQ(hold->reason_code, LegalHoldReasonCode::litigation);
    EXPECT_EQ(hold->approved_by, std::nullopt);
    EXPECT_EQ(hold->starts_at, std::nullopt);
    EXPECT_EQ(hold->released_at, std::nullopt);
    EXPECT_EQ(hold->created_at, created);
    EXPECT_EQ(hold->updated_at, created);
    EXPECT_NE(hold->id, requested_hold().id);
}

TEST(LegalHoldTransition, OnlyTheTableMovesAreAllowed) {
    using S = LegalHoldStatus;
    const std::vector<std::pair<S, S>> allowed = {
        {S::requested, S::active}, {S::requested, S::denied},           {S::active, S::release_requested},
        {S::active, S::expired},   {S::release_requested, S::released},
    };
    for (auto from : all_statuses) {
        for (auto to : all_statuses) {
            SCOPED_TRACE(fmt::format("{} -> {}", orrincore_json::word(from), orrincore_json::word(to)));
            const auto hold = in_status(from);
            auto moved = hold.transition(to);
            const bool expected = std::find(allowed.begin(), allowed.end(), std::pair{from, to}) != allowed.end();
            if (expected) {
                ASSERT_TRUE(moved);
                auto want = hold;
                want.status = to;  // nothing else, no time either
                EXPECT_EQ(*moved, want);
            } else {
                ASSERT_FALSE(moved);
                EXPECT_EQ(moved.error().message(), illegal(orrincore_json::word(from), orrincore_json::word(to)));
            }
        }
    }
}

TEST(LegalHoldSteps, RefusalsNameTheCurrentAndTargetStatus) {
    using S = LegalHoldStatus;
    struct Case {
        const char* step;
        S from;
        std::function<ContractResult<LegalHold>(const LegalHold&)> run;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"approve an active hold", S::active, [](const LegalHold& h) { return h.approve("a", approved); },
         illegal("active", "active")},
        {"deny an active hold", S::active, [](const LegalHold& h) { return h.deny("a", approved); },
         illegal("active", "denied")},
        {"deny a denied hold", S::denied, [](const LegalHold& h) { return h.deny("a", approved); },
         illegal("denied", "denied")},
        {"request release of a requested hold", S::requested,
         [](const LegalHold& h) { return h.request_release(asked); }, illegal("requested", "release_requested")},
        {"release an active hold, even when allowed", S::active,
         [](const LegalHold& h) { return h.release("b", Decision::allow, released); }, illegal("active", "released")},
        {"release a released hold", S::released,
         [](const LegalHold& h) { return h.release("b", Decision::allow, released); }, illegal("released", "released")},
        {"release a requested hold on a deny", S::requested,
         [](const LegalHold& h) { return h.release("b", Decision::deny, released); }, illegal("requested", "released")},
        {"approve an expired hold", S::expired, [](const LegalHold& h) { return h.approve("a", approved); },
         illegal("expired", "active")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        auto result = c.run(in_status(c.from));
        ASSERT_FALSE(result);
        EXPECT_TRUE(result.error().is<IllegalTransition>());
        EXPECT_EQ(result.error().message(), c.message);
    }
}

TEST(LegalHoldRelease, OnlyAllowAndWarnAuthoriseTheRelease) {
    const std::vector<std::pair<Decision, bool>> decisions = {
        {Decision::allow, true},
        {Decision::warn, true},
        {Decision::deny, false},
        {Decision::require_approval, false},
        {Decision::require_reauthentication, false},
        {Decision::require_exception, false},
        {Decision::pass, false},
        {Decision::fail, false},
        {Decision::not_applicable, false},
        {Decision::unknown, false},
    };
    const auto pending = requested_hold().approve("A", approved)->request_release(asked).value();
    for (const auto& [decision, authorises] : decisions) {
        SCOPED_TRACE(orrincore_json::word(decision));
        EXPECT_EQ(authorises_release(decision), authorises);
        auto result = pending.release("B", decision, released);
        if (authorises) {
            ASSERT_TRUE(result);
            EXPECT_EQ(result->status, LegalHoldStatus::released);
        } else {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error(), ContractError(ReleaseNotAuthorised{}));
            EXPECT_EQ(result.error().message(), "legal hold release was not authorised by policy");
        }
    }
}

TEST(LegalHoldLifecycle, EachStepChangesOnlyItsFields) {
    const auto hold = requested_hold();

    const auto active = hold.approve("A", approved).value();
    auto want = hold;
    want.status = LegalHoldStatus::active;
    want.approved_by = "A";
    want.starts_at = approved;
    want.updated_at = approved;
    EXPECT_EQ(active, want);

    const auto pending = active.request_release(asked).value();
    want.status = LegalHoldStatus::release_requested;
    want.updated_at = asked;
    EXPECT_EQ(pending, want);  // the approver stays

    const auto done = pending.release("B", Decision::warn, released).value();
    want.status = LegalHoldStatus::released;
    want.approved_by = "B";
    want.released_at = released;
    want.updated_at = released;
    EXPECT_EQ(done, want);  // starts_at keeps the approval time

    const auto denied = hold.deny("", approved).value();  // an empty name is stored as given
    want = hold;
    want.status = LegalHoldStatus::denied;
    want.approved_by = "";
    want.updated_at = approved;
    EXPECT_EQ(denied, want);

    EXPECT_EQ(hold.approve(hold.requested_by, approved)->approved_by, hold.requested_by);
    EXPECT_EQ(active.transition(LegalHoldStatus::expired)->status, LegalHoldStatus::expired);
}

TEST(LegalHoldEnumerations, WordsDebugFormsAndReasonValueForm) {
    using S = LegalHoldStatus;
    contracts_fixture::expect_names<S>({
        {S::requested, "requested", "Requested"},
        {S::active, "active", "Active"},
        {S::release_requested, "release_requested", "ReleaseRequested"},
        {S::released, "released", "Released"},
        {S::denied, "denied", "Denied"},
        {S::expired, "expired", "Expired"},
    });
    EXPECT_EQ(orrincore_json::to_value(LegalHoldReasonCode::law_enforcement_request),
              nlohmann::json("law_enforcement_request"));
    EXPECT_EQ(orrincore_json::to_value(LegalHoldReasonCode::contractual_obligation),
              nlohmann::json("contractual_obligation"));
}

}  // namespace
