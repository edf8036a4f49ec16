#include "zorizorezire_rizozi/legal_hold.hpp"

#include <functional>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include <vevi_testing/record_states.hpp>

#include "engine_fixture.hpp"
#include "zorizorezire_rizozi/retention.hpp"

namespace {

using namespace zorizorezire_rizozi;
namespace fx = engine_fixture;
using vevi_testing::held;
using vevi_testing::hold_in;
using vevi_testing::sealed_package;
using vevi_testing::with_status;
namespace vc = vuvadededoru_contracts;
using HoldStatus = vc::LegalHoldStatus;
using PackageStatus = vc::PackageStatus;

// A package made for the hold under test: `hold` is that hold's id.
using PackageFor = std::function<vc::ArchivePackage(vc::LegalHoldId hold)>;

vc::ArchivePackage no_hold(vc::LegalHoldId) { return sealed_package(fx::sealed_at); }
vc::ArchivePackage this_hold(vc::LegalHoldId hold) { return held(sealed_package(fx::sealed_at), hold); }
vc::ArchivePackage other_hold(vc::LegalHoldId) { return held(sealed_package(fx::sealed_at)); }
vc::ArchivePackage disposed(vc::LegalHoldId) {
    return with_status(sealed_package(fx::sealed_at), PackageStatus::disposed);
}
vc::ArchivePackage disposed_this_hold(vc::LegalHoldId hold) { return held(disposed(hold), hold); }
vc::ArchivePackage disposed_other_hold(vc::LegalHoldId hold) { return held(disposed(hold)); }

struct Case {
    const char* name;
    HoldStatus hold_status;
    PackageFor package;
    std::optional<std::string> error;  // absent: the step succeeds
};

constexpr const char* kNotActive = "legal hold is not active and cannot be assigned to a package";
constexpr const char* kNotReleased = "legal hold has not been released and cannot be cleared from a package";
constexpr const char* kOtherHold = "archive package already carries a different legal hold";
constexpr const char* kMismatch = "legal hold does not match the hold this package carries";

TEST(AssignLegalHold, RulesInTheirOrder) {
    const std::vector<Case> cases = {
        {"requested hold", HoldStatus::requested, no_hold, kNotActive},
        {"release_requested hold", HoldStatus::release_requested, no_hold, kNotActive},
        {"released hold", HoldStatus::released, no_hold, kNotActive},
        {"denied hold", HoldStatus::denied, no_hold, kNotActive},
        {"expired hold", HoldStatus::expired, no_hold, kNotActive},
        {"hold status before the other hold", HoldStatus::requested, other_hold, kNotActive},
        {"hold status before the disposed package", HoldStatus::denied, disposed, kNotActive},
        {"package under another hold", HoldStatus::active, other_hold, kOtherHold},
        {"other hold before the disposed package", HoldStatus::active, disposed_other_hold, kOtherHold},
        {"disposed package", HoldStatus::active, disposed,
         "contract violation: illegal transition for ArchivePackage: disposed -> under_legal_hold"},
        {"disposed package carrying this hold", HoldStatus::active, disposed_this_hold,
         "contract violation: illegal transition for ArchivePackage: disposed -> under_legal_hold"},
        {"package without a hold", HoldStatus::active, no_hold, std::nullopt},
        {"package already under this hold", HoldStatus::active, this_hold, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto hold = hold_in(c.hold_status);
        const auto package = c.package(hold.id);
        auto result = legal_hold::assign_legal_hold(hold, package);
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().message(), *c.error);
        } else {
            ASSERT_TRUE(result);
            auto want = package;
            want.legal_hold_id = hold.id;
            EXPECT_EQ(*result, want);
        }
    }
}

TEST(AssignLegalHold, AnyStatusButDisposedTakesTheHold) {
    const auto hold = hold_in(HoldStatus::active);
    for (auto status : {PackageStatus::pending, PackageStatus::writing, PackageStatus::sealed,
                        PackageStatus::verification_failed, PackageStatus::failed}) {
        auto result = legal_hold::assign_legal_hold(hold, with_status(sealed_package(fx::sealed_at), status));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->legal_hold_id, hold.id);
        EXPECT_EQ(result->status, status);
    }
}

TEST(AssignLegalHold, SecondActiveHoldDoesNotReplaceTheFirst) {
    const auto first = hold_in(HoldStatus::active);
    const auto second = hold_in(HoldStatus::active);
    const auto package = legal_hold::assign_legal_hold(first, sealed_package(fx::sealed_at)).value();
    auto result = legal_hold::assign_legal_hold(second, package);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), EngineError::rule(EngineRuleKind::PackageCarriesOtherLegalHold));
    EXPECT_EQ(package.legal_hold_id, first.id);
}

TEST(ReleaseLegalHoldFromPackage, RulesInTheirOrder) {
    const std::vector<Case> cases = {
        {"active hold", HoldStatus::active, this_hold, kNotReleased},
        {"requested hold", HoldStatus::requested, this_hold, kNotReleased},
        {"release_requested hold", HoldStatus::release_requested, this_hold, kNotReleased},
        {"denied hold", HoldStatus::denied, this_hold, kNotReleased},
        {"expired hold", HoldStatus::expired, this_hold, kNotReleased},
        {"hold status before the other hold", HoldStatus::active, other_hold, kNotReleased},
        {"package without a hold", HoldStatus::released, no_hold,
         "contract violation: no active legal hold to release"},
        {"package under another hold", HoldStatus::released, other_hold, kMismatch},
        {"disposed package under another hold", HoldStatus::released, disposed_other_hold, kMismatch},
        {"package under this hold", HoldStatus::released, this_hold, std::nullopt},
        {"disposed package under this hold", HoldStatus::released, disposed_this_hold, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto hold = hold_in(c.hold_status);
        const auto package = c.package(hold.id);
        auto result = legal_hold::release_legal_hold_from_package(hold, package);
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().message(), *c.error);
        } else {
            ASSERT_TRUE(result);
            auto want = package;
            want.legal_hold_id.reset();
            EXPECT_EQ(*result, want);
        }
    }
}

// A throwaway hold, requested, approved and released under policy, must not
// strip the package of the hold that still applies to it.
TEST(ReleaseLegalHoldFromPackage, ThrowawayHoldCannotClearTheRealOne) {
    using orrincore_policy::Decision;
    const auto real = hold_in(HoldStatus::active);
    const auto package = legal_hold::assign_legal_hold(real, sealed_package(fx::sealed_at)).value();

    const auto throwaway = hold_in(HoldStatus::requested)
                               .approve("someone", fx::sealed_at)
                               ->request_release(fx::sealed_at)
                               ->release("someone", Decision::allow, fx::sealed_at)
                               .value();
    auto cleared = legal_hold::release_legal_hold_from_package(throwaway, package);
    ASSERT_FALSE(cleared);
    EXPECT_EQ(cleared.error(), EngineError::rule(EngineRuleKind::LegalHoldMismatch));
    EXPECT_EQ(retention::debug_form(retention::evaluate_eligibility(package, fx::after_expiry)),
              "NotEligible(UnderLegalHold)");
}

}  // namespace
