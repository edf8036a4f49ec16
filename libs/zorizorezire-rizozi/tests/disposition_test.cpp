#include "zorizorezire_rizozi/disposition.hpp"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <vevi_testing/record_states.hpp>

#include "engine_fixture.hpp"

namespace {

using namespace zorizorezire_rizozi;
namespace fx = engine_fixture;
using vevi_testing::held;
using vevi_testing::sealed_package;
using vevi_testing::with_status;
namespace vc = vuvadededoru_contracts;
using vc::DispositionDecision;
using vc::DispositionReviewStatus;
using vc::PackageStatus;

constexpr const char* kNotSealed = "archive package must be sealed before a disposition review can be opened";
constexpr const char* kHeld = "legal hold blocks disposition for this package";
constexpr const char* kNotExpired = "retention has not yet expired for this package (expires 2024-01-31T00:00:00Z)";
constexpr const char* kDisposed = "archive package has already been disposed";
constexpr const char* kMismatch = "disposition review does not reference this archive package";
constexpr const char* kNotAuthorised = "disposition review did not authorise disposal";

// A review of `package` in the given state.
vc::DispositionReview review_of(const vc::ArchivePackage& package,
                                DispositionReviewStatus status = DispositionReviewStatus::open,
                                std::optional<DispositionDecision> decision = std::nullopt) {
    auto review = vc::DispositionReview::open({.tenant_id = package.tenant_id,
                                               .workspace_id = package.workspace_id,
                                               .archive_package_id = package.id,
                                               .retention_policy_id = package.retention_policy_id,
                                               .eligible_at = fx::expiry},
                                              fx::sealed_at);
    review.status = status;
    review.decision = decision;
    return review;
}

vc::DispositionReview review_of_another_package(DispositionReviewStatus status = DispositionReviewStatus::open,
                                                std::optional<DispositionDecision> decision = std::nullopt) {
    return review_of(sealed_package(fx::sealed_at), status, decision);
}

TEST(CreateDispositionReview, OpensForAnySealedPackageAtItsExpiry) {
    const auto package = held(sealed_package(fx::sealed_at));  // held and unexpired
    auto review = disposition::create_disposition_review(package, fx::before_expiry);
    ASSERT_TRUE(review);
    EXPECT_EQ(review->tenant_id, package.tenant_id);
    EXPECT_EQ(review->workspace_id, package.workspace_id);
    EXPECT_EQ(review->archive_package_id, package.id);
    EXPECT_EQ(review->retention_policy_id, package.retention_policy_id);
    EXPECT_EQ(review->status, DispositionReviewStatus::open);
    EXPECT_EQ(review->eligible_at, fx::expiry);
    EXPECT_EQ(review->created_at, fx::before_expiry);

    auto without_expiry = sealed_package(fx::sealed_at);
    without_expiry.expires_at.reset();
    EXPECT_EQ(disposition::create_disposition_review(without_expiry, fx::before_expiry)->eligible_at,
              fx::before_expiry);
}

TEST(CreateDispositionReview, RefusesAPackageThatIsNotSealed) {
    for (auto status :
         {PackageStatus::pending, PackageStatus::writing, PackageStatus::disposed, PackageStatus::failed}) {
        auto review = disposition::create_disposition_review(with_status(sealed_package(fx::sealed_at), status),
                                                             fx::after_expiry);
        ASSERT_FALSE(review);
        EXPECT_EQ(review.error(), EngineError::rule(EngineRuleKind::PackageNotSealed));
        EXPECT_EQ(review.error().message(), kNotSealed);
    }
}

TEST(DecideDispositionReview, RulesInTheirOrder) {
    const auto sealed = sealed_package(fx::sealed_at);
    const auto disposed = with_status(sealed, PackageStatus::disposed);
    struct Case {
        const char* name;
        vc::DispositionReview review;
        vc::ArchivePackage package;
        DispositionDecision decision;
        fx::Timestamp now;
        std::optional<std::string> error;
    };
    const std::vector<Case> cases = {
        {"review of another package, even decided", review_of_another_package(DispositionReviewStatus::decided), sealed,
         DispositionDecision::defer, fx::after_expiry, kMismatch},
        {"dispose of a held package, even when not open", review_of(sealed, DispositionReviewStatus::completed),
         held(sealed), DispositionDecision::dispose, fx::after_expiry, kHeld},
        {"dispose before the expiry", review_of(sealed), sealed, DispositionDecision::dispose, fx::before_expiry,
         kNotExpired},
        {"dispose of a disposed package", review_of(disposed), disposed, DispositionDecision::dispose, fx::after_expiry,
         kDisposed},
        {"dispose of a writing package", review_of(sealed), with_status(sealed, PackageStatus::writing),
         DispositionDecision::dispose, fx::after_expiry, kNotSealed},
        {"dispose on a decided review", review_of(sealed, DispositionReviewStatus::decided), sealed,
         DispositionDecision::dispose, fx::after_expiry,
         "contract violation: illegal transition for DispositionReview: not_open -> decided"},
        {"defer on a completed review", review_of(sealed, DispositionReviewStatus::completed), held(sealed),
         DispositionDecision::defer, fx::before_expiry,
         "contract violation: illegal transition for DispositionReview: not_open -> decided"},
        {"dispose of an eligible package", review_of(sealed), sealed, DispositionDecision::dispose, fx::expiry,
         std::nullopt},
        {"defer for a held package", review_of(sealed), held(sealed), DispositionDecision::defer, fx::before_expiry,
         std::nullopt},
        {"deny for a disposed package", review_of(disposed), disposed, DispositionDecision::deny, fx::before_expiry,
         std::nullopt},
        {"extend_retention before the expiry", review_of(sealed), sealed, DispositionDecision::extend_retention,
         fx::before_expiry, std::nullopt},
        {"apply_hold for a pending package", review_of(sealed), with_status(sealed, PackageStatus::pending),
         DispositionDecision::apply_hold, fx::before_expiry, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = disposition::decide_disposition_review(c.review, c.package, c.decision, "reviewer", c.now);
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().message(), *c.error);
        } else {
            ASSERT_TRUE(result);
            auto want = c.review;
            want.status = DispositionReviewStatus::decided;
            want.decision = c.decision;
            want.reviewed_by = "reviewer";
            EXPECT_EQ(*result, want);
        }
    }
}

TEST(DecideDispositionReview, EligibilityErrorsAreNotWrappedAgain) {
    const auto package = sealed_package(fx::sealed_at);
    auto result = disposition::decide_disposition_review(review_of(package), package, DispositionDecision::dispose, "r",
                                                         fx::before_expiry);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), EngineError::retention_not_expired(fx::expiry));
    EXPECT_EQ(result.error().get_if<vc::ContractError>(), nullptr);
}

TEST(ExecuteDisposition, RulesInTheirOrder) {
    const auto sealed = sealed_package(fx::sealed_at);
    const auto dispose = std::optional(DispositionDecision::dispose);
    const auto decided = DispositionReviewStatus::decided;
    struct Case {
        const char* name;
        vc::DispositionReview review;
        vc::ArchivePackage package;
        fx::Timestamp now;
        std::optional<std::string> error;
    };
    const std::vector<Case> cases = {
        {"review of another package", review_of_another_package(decided, dispose), sealed, fx::after_expiry, kMismatch},
        {"no decision, before the package is looked at", review_of(sealed),
         with_status(sealed, PackageStatus::disposed), fx::after_expiry, kNotAuthorised},
        {"deferred", review_of(sealed, decided, DispositionDecision::defer), sealed, fx::after_expiry, kNotAuthorised},
        {"dispose recorded on an open review", review_of(sealed, DispositionReviewStatus::open, dispose), sealed,
         fx::after_expiry, std::nullopt},
        {"completed review", review_of(sealed, DispositionReviewStatus::completed, dispose), sealed, fx::after_expiry,
         std::nullopt},
        {"disposed package", review_of(sealed, decided, dispose), with_status(sealed, PackageStatus::disposed),
         fx::after_expiry, kDisposed},
        {"pending package", review_of(sealed, decided, dispose), with_status(sealed, PackageStatus::pending),
         fx::after_expiry, kNotSealed},
        {"held package", review_of(sealed, decided, dispose), held(sealed), fx::after_expiry, kHeld},
        {"before the expiry", review_of(sealed, decided, dispose), sealed, fx::before_expiry, kNotExpired},
        {"at the expiry", review_of(sealed, decided, dispose), sealed, fx::expiry, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = disposition::execute_disposition(c.review, c.package, c.now);
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().message(), *c.error);
            EXPECT_EQ(result.error().get_if<vc::ContractError>(), nullptr);
        } else {
            ASSERT_TRUE(result);
            EXPECT_EQ(*result, with_status(c.package, PackageStatus::disposed));  // seal facts carried over
        }
    }
}

}  // namespace
