#include "zorizorezire_rizozi/retention.hpp"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <vevi_testing/record_states.hpp>

#include "engine_fixture.hpp"

namespace {

using namespace zorizorezire_rizozi;
namespace fx = engine_fixture;
using vevi_testing::at;
using vevi_testing::held;
using vevi_testing::pending_package;
using vevi_testing::sealed_package;
using vevi_testing::with_status;
namespace vc = vuvadededoru_contracts;
using PackageStatus = vc::PackageStatus;

const auto one_ns_before_expiry = *fx::Timestamp::from_unix(fx::expiry.unix_seconds() - 1, 999'999'999);
constexpr const char* kNotExpired = "NotEligible(RetentionNotExpired { expires_at: Timestamp(2024-01-31T00:00:00Z) })";

vc::ArchivePackage without_expiry() {
    auto package = sealed_package(fx::sealed_at);
    package.expires_at.reset();
    return package;
}

struct Case {
    const char* name;
    vc::ArchivePackage package;
    fx::Timestamp now;
    std::string verdict;                 // debug form of the eligibility
    std::optional<std::string> refusal;  // message of require_eligible_for_dispose
};

std::vector<Case> cases() {
    const auto sealed = sealed_package(fx::sealed_at);
    return {
        {"at the expiry", sealed, fx::expiry, "Eligible", std::nullopt},
        {"after the expiry", sealed, fx::after_expiry, "Eligible", std::nullopt},
        {"one nanosecond before", sealed, one_ns_before_expiry, kNotExpired,
         "retention has not yet expired for this package (expires 2024-01-31T00:00:00Z)"},
        {"no expiry, any time", without_expiry(), fx::Timestamp::earliest(), "Eligible", std::nullopt},
        {"hold comes before the expiry", held(sealed), fx::after_expiry, "NotEligible(UnderLegalHold)",
         "legal hold blocks disposition for this package"},
        {"held and unexpired", held(sealed), fx::before_expiry, "NotEligible(UnderLegalHold)",
         "legal hold blocks disposition for this package"},
        {"disposed, still naming a hold", held(with_status(sealed, PackageStatus::disposed)), fx::after_expiry,
         "NotEligible(AlreadyDisposed)", "archive package has already been disposed"},
        {"pending", pending_package(), fx::after_expiry, "NotEligible(NotSealed)",
         "archive package must be sealed before a disposition review can be opened"},
        {"writing and held", held(with_status(sealed, PackageStatus::writing)), fx::after_expiry,
         "NotEligible(NotSealed)", "archive package must be sealed before a disposition review can be opened"},
        {"retrieval_pending", with_status(sealed, PackageStatus::retrieval_pending), fx::after_expiry,
         "NotEligible(NotSealed)", "archive package must be sealed before a disposition review can be opened"},
        {"blocked_by_policy", with_status(sealed, PackageStatus::blocked_by_policy), fx::after_expiry,
         "NotEligible(NotSealed)", "archive package must be sealed before a disposition review can be opened"},
    };
}

TEST(RetentionEligibility, VerdictAndRefusalAgreeCaseByCase) {
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(retention::debug_form(retention::evaluate_eligibility(c.package, c.now)), c.verdict);
        auto required = retention::require_eligible_for_dispose(c.package, c.now);
        if (c.refusal) {
            ASSERT_FALSE(required);
            EXPECT_EQ(required.error().message(), *c.refusal);
        } else {
            EXPECT_TRUE(required);
        }
    }
}

TEST(RetentionEligibility, UnexpiredVerdictCarriesTheExpiry) {
    const auto package = sealed_package(fx::sealed_at);
    EXPECT_EQ(retention::evaluate_eligibility(package, fx::before_expiry),
              retention::Eligibility(retention::NotEligible{retention::RetentionNotExpired{fx::expiry}}));
    EXPECT_EQ(retention::require_eligible_for_dispose(package, fx::before_expiry).error(),
              EngineError::retention_not_expired(fx::expiry));
}

TEST(RetentionEligibility, DebugForms) {
    using namespace retention;
    EXPECT_EQ(debug_form(Eligibility(Eligible{})), "Eligible");
    EXPECT_EQ(debug_form(IneligibilityReason(NotSealed{})), "NotSealed");
    EXPECT_EQ(debug_form(IneligibilityReason(UnderLegalHold{})), "UnderLegalHold");
    EXPECT_EQ(debug_form(IneligibilityReason(AlreadyDisposed{})), "AlreadyDisposed");
    const auto january_31 = at("1970-01-31T00:00:00Z");
    EXPECT_EQ(debug_form(IneligibilityReason(RetentionNotExpired{january_31})),
              "RetentionNotExpired { expires_at: Timestamp(1970-01-31T00:00:00Z) }");
    EXPECT_EQ(debug_form(Eligibility(NotEligible{RetentionNotExpired{january_31}})),
              "NotEligible(RetentionNotExpired { expires_at: Timestamp(1970-01-31T00:00:00Z) })");
}

}  // namespace
