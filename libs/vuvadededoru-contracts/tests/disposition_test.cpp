#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "contracts_fixture.hpp"
#include "vuvadededoru_contracts/disposition.hpp"

namespace vuvadededoru_contracts {
namespace {

using contracts_fixture::outcome;
using contracts_fixture::refusal;
using vevi_testing::at;
using zedododor_avovodizi::time::Timestamp;

const ArchivePackageId kPackage = vevi_testing::id<ArchivePackageId>("aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa");
const RetentionPolicyId kPolicy = vevi_testing::id<RetentionPolicyId>("33333333-3333-4333-8333-333333333333");
const Timestamp kNow = at("2024-06-01T00:00:00Z");
const Timestamp kDone = at("2024-06-02T09:00:00.125Z");

DispositionReview open_review(Timestamp eligible_at = at("2024-05-01T00:00:00Z")) {
    return DispositionReview::open({.tenant_id = contracts_fixture::tenant,
                                    .workspace_id = contracts_fixture::workspace,
                                    .archive_package_id = kPackage,
                                    .retention_policy_id = kPolicy,
                                    .eligible_at = eligible_at},
                                   kNow);
}

TEST(DispositionReviewOpen, NewReviewJson) {
    const DispositionReview review = open_review();
    EXPECT_NE(review.id, open_review().id);
    EXPECT_EQ(orrincore_json::to_pretty(review), R"({
  "id": ")" + review.id.to_string() + R"(",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "archive_package_id": "aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",
  "retention_policy_id": "33333333-3333-4333-8333-333333333333",
  "status": "open",
  "eligible_at": "2024-05-01T00:00:00Z",
  "reviewed_by": null,
  "decision": null,
  "created_at": "2024-06-01T00:00:00Z",
  "completed_at": null
})");
    // Eligibility in the past, now or the future opens alike.
    for (const char* eligible : {"2000-01-01T00:00:00Z", "2024-06-01T00:00:00Z", "9999-12-31T23:59:59.999999999Z"}) {
        const DispositionReview other = open_review(at(eligible));
        EXPECT_EQ(other.status, DispositionReviewStatus::open);
        EXPECT_EQ(other.eligible_at, at(eligible));
        EXPECT_EQ(other.created_at, kNow);
    }
}

TEST(DispositionReviewSteps, EveryStatusAgainstEveryStep) {
    const std::string refused_decide = "illegal transition for DispositionReview: not_open -> decided";
    const std::string refused_complete = "illegal transition for DispositionReview: not_decided -> completed";
    struct Case {
        DispositionReviewStatus status;
        std::string decide, complete;
    };
    const Case cases[] = {
        {DispositionReviewStatus::open, "ok", refused_complete},
        {DispositionReviewStatus::decided, refused_decide, "ok"},
        {DispositionReviewStatus::completed, refused_decide, refused_complete},
    };
    for (const auto& c : cases) {
        DispositionReview input = open_review();
        input.status = c.status;
        if (c.status != DispositionReviewStatus::open) {
            input.decision = DispositionDecision::deny;
            input.reviewed_by = "bob";
        }
        if (c.status == DispositionReviewStatus::completed) input.completed_at = kNow;
        SCOPED_TRACE(std::string(orrincore_json::word(c.status)));

        auto decided = input.decide(DispositionDecision::extend_retention, "");
        EXPECT_EQ(outcome(decided), c.decide);
        if (decided) {
            DispositionReview expected = input;
            expected.status = DispositionReviewStatus::decided;
            expected.decision = DispositionDecision::extend_retention;
            expected.reviewed_by = "";
            EXPECT_EQ(*decided, expected);
        }

        auto completed = input.complete(kDone);
        EXPECT_EQ(outcome(completed), c.complete);
        if (completed) {
            DispositionReview expected = input;
            expected.status = DispositionReviewStatus::completed;
            expected.completed_at = kDone;
            EXPECT_EQ(*completed, expected);
        }
    }
    EXPECT_EQ(open_review().complete(kDone).error(),
              ContractError(IllegalTransition{"DispositionReview", "not_decided", "completed"}));
}

TEST(DispositionReviewSteps, DecideThenComplete) {
    auto decided = open_review().decide(DispositionDecision::deny, " bob ");
    ASSERT_TRUE(decided);
    auto completed = decided->complete(kDone);
    ASSERT_TRUE(completed);
    EXPECT_EQ(completed->decision, DispositionDecision::deny);
    EXPECT_EQ(completed->reviewed_by, " bob ");
    EXPECT_EQ(completed->completed_at, kDone);
    EXPECT_EQ(orrincore_json::to_compact(*completed),
              R"({"id":")" + completed->id.to_string() +
                  R"(","tenant_id":"11111111-1111-4111-8111-111111111111",)"
                  R"("workspace_id":"22222222-2222-4222-8222-222222222222",)"
                  R"("archive_package_id":"aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",)"
                  R"("retention_policy_id":"33333333-3333-4333-8333-333333333333","status":"completed",)"
                  R"("eligible_at":"2024-05-01T00:00:00Z","reviewed_by":" bob ","decision":"deny",)"
                  R"("created_at":"2024-06-01T00:00:00Z","completed_at":"2024-06-02T09:00:00.125Z"})");
}

constexpr const char* kDecidedReview = R"({
  "id": "bbbbbbbb-bbbb-4bbb-8bbb-bbbbbbbbbbbb",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "archive_package_id": "aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",
  "retention_policy_id": "33333333-3333-4333-8333-333333333333",
  "status": "decided",
  "eligible_at": "2024-05-01T00:00:00Z",
  "reviewed_by": "carol",
  "decision": "dispose",
  "created_at": "2024-06-01T00:00:00Z",
  "completed_at": null
})";

std::string review_with(std::string_view from, std::string_view to) {
    return contracts_fixture::replaced(kDecidedReview, from, to);
}

TEST(DispositionReviewJson, ObjectAndArrayFormsWriteBackExactly) {
    auto review = orrincore_json::parse<DispositionReview>(kDecidedReview);
    ASSERT_TRUE(review) << review.error().message_with_position();
    EXPECT_EQ(orrincore_json::to_pretty(*review), kDecidedReview);

    auto array = orrincore_json::parse<DispositionReview>(
        R"(["bbbbbbbb-bbbb-4bbb-8bbb-bbbbbbbbbbbb","11111111-1111-4111-8111-111111111111",)"
        R"("22222222-2222-4222-8222-222222222222","aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",)"
        R"("33333333-3333-4333-8333-333333333333",{"decided":null},"2024-05-01T00:00:00Z","carol",)"
        R"({"dispose":null},"2024-06-01T00:00:00Z",null])");
    ASSERT_TRUE(array) << array.error().message_with_position();
    EXPECT_EQ(*array, *review);

    // Without the three optional keys: absent, and written back as null.
    std::string sparse_text = review_with("  \"reviewed_by\": \"carol\",\n  \"decision\": \"dispose\",\n", "");
    const std::string last = ",\n  \"completed_at\": null";
    sparse_text.erase(sparse_text.find(last), last.size());
    auto sparse = orrincore_json::parse<DispositionReview>(sparse_text);
    ASSERT_TRUE(sparse) << sparse.error().message_with_position();
    DispositionReview expected = *review;
    expected.reviewed_by.reset();
    expected.decision.reset();
    EXPECT_EQ(*sparse, expected);
    std::string nulls = review_with("\"carol\"", "null");
    nulls.replace(nulls.find("\"dispose\""), 9, "null");
    EXPECT_EQ(orrincore_json::to_pretty(*sparse), nulls);
}

TEST(DispositionReviewJson, Refusals) {
    const std::string decisions = "one of `dispose`, `extend_retention`, `apply_hold`, `defer`, `deny`";
    const std::pair<std::string, std::string> cases[] = {
        {review_with("  \"eligible_at\": \"2024-05-01T00:00:00Z\",\n", ""), "missing field `eligible_at`"},
        {review_with("\"dispose\"", "\"Dispose\""), "unknown variant `Dispose`, expected " + decisions},
        {review_with("\"dispose\"", "\"DISPOSE\""), "unknown variant `DISPOSE`, expected " + decisions},
        {review_with("\"decided\"", "\"closed\""),
         "unknown variant `closed`, expected one of `open`, `decided`, `completed`"},
        {review_with("\"carol\"", "[\"carol\"]"), "invalid type: sequence, expected a string"},
        {R"(["bbbbbbbb-bbbb-4bbb-8bbb-bbbbbbbbbbbb","11111111-1111-4111-8111-111111111111",)"
         R"("22222222-2222-4222-8222-222222222222","aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",)"
         R"("33333333-3333-4333-8333-333333333333","decided","2024-05-01T00:00:00Z","carol",)"
         R"("dispose","2024-06-01T00:00:00Z"])",
         "invalid length 10, expected struct DispositionReview with 11 elements"},
        {"null", "invalid type: null, expected struct DispositionReview"},
    };
    for (const auto& [input, message] : cases) EXPECT_EQ(refusal<DispositionReview>(input), message) << input;
}

TEST(DispositionEnumerations, DebugForms) {
    EXPECT_EQ(debug_form(std::optional<DispositionDecision>(DispositionDecision::dispose)), "Some(Dispose)");
    EXPECT_EQ(debug_form(std::optional<DispositionDecision>(DispositionDecision::extend_retention)),
              "Some(ExtendRetention)");
    EXPECT_EQ(debug_form(std::optional<DispositionDecision>()), "None");
    EXPECT_EQ(orrincore_json::debug_name(DispositionDecision::apply_hold), "ApplyHold");
    EXPECT_EQ(orrincore_json::debug_name(DispositionDecision::defer), "Defer");
    EXPECT_EQ(orrincore_json::debug_name(DispositionDecision::deny), "Deny");
    EXPECT_EQ(orrincore_json::debug_name(DispositionReviewStatus::open), "Open");
    EXPECT_EQ(orrincore_json::debug_name(DispositionReviewStatus::decided), "Decided");
    EXPECT_EQ(orrincore_json::debug_name(DispositionReviewStatus::completed), "Completed");
}

}  // namespace
}  // namespace vuvadededoru_contracts
