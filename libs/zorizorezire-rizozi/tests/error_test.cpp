#include "zorizorezire_rizozi/error.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace zorizorezire_rizozi;
using zedododor_avovodizi::time::Timestamp;

TEST(EngineError, EveryRuleHasItsFixedMessage) {
    using K = EngineRuleKind;
    const std::vector<std::pair<K, const char*>> rules = {
        {K::LegalHoldBlocksDisposition, "legal hold blocks disposition for this package"},
        {K::HoldNotActive, "legal hold is not active and cannot be assigned to a package"},
        {K::HoldNotReleased, "legal hold has not been released and cannot be cleared from a package"},
        {K::PackageNotSealed, "archive package must be sealed before a disposition review can be opened"},
        {K::AlreadyDisposed, "archive package has already been disposed"},
        {K::DispositionNotAuthorised, "disposition review did not authorise disposal"},
        {K::ReviewPackageMismatch, "disposition review does not reference this archive package"},
        {K::ManifestPackageMismatch, "archive manifest does not reference this archive package"},
        {K::ManifestHashMismatch, "archive package's recorded manifest hash does not match the supplied manifest"},
        {K::PolicyRetired, "retention policy is retired and cannot be amended"},
        {K::PolicyInputHashMismatch, "policy evaluation input hash did not match the request being authorised"},
        {K::CustodyEventFailed, "chain-of-custody event signing or hashing failed"},
        {K::LegalHoldMismatch, "legal hold does not match the hold this package carries"},
        {K::PackageCarriesOtherLegalHold, "archive package already carries a different legal hold"},
    };
    for (const auto& [kind, message] : rules) {
        const auto error = EngineError::rule(kind);
        EXPECT_EQ(error.message(), message);
        EXPECT_TRUE(error.is(kind));
        EXPECT_EQ(error.get_if<vuvadededoru_contracts::ContractError>(), nullptr);
    }
}

TEST(EngineError, RetentionNotExpiredShowsTheExpiryInRfc3339) {
    const auto error = EngineError::retention_not_expired(Timestamp::from_str("2297-03-04T05:06:07.5Z").value());
    EXPECT_EQ(error.message(), "retention has not yet expired for this package (expires 2297-03-04T05:06:07.5Z)");
    EXPECT_TRUE(error.is(EngineRuleKind::RetentionNotExpired));
}

TEST(EngineError, ContractErrorsAreWrappedWithTheirWholeMessage) {
    using namespace vuvadededoru_contracts;
    const EngineError illegal = ContractError(IllegalTransition{"ArchivePackage", "disposed", "under_legal_hold"});
    EXPECT_EQ(illegal.message(),
              "contract violation: illegal transition for ArchivePackage: disposed -> under_legal_hold");
    EXPECT_EQ(*illegal.get_if<ContractError>(),
              ContractError(IllegalTransition{"ArchivePackage", "disposed", "under_legal_hold"}));
    EXPECT_EQ(illegal.get_if<EngineRule>(), nullptr);
    EXPECT_TRUE(illegal.is<ContractError>());
    EXPECT_FALSE(illegal.is(EngineRuleKind::AlreadyDisposed));

    const EngineError chunk = ContractError(Canonical{"chunk 3 failed integrity verification"});
    EXPECT_EQ(chunk.message(), "contract violation: canonical encoding failed: chunk 3 failed integrity verification");
}

}  // namespace
