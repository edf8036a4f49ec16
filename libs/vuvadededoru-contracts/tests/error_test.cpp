#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "vuvadededoru_contracts/error.hpp"

namespace vuvadededoru_contracts {
namespace {

namespace core = orrincore_error;

TEST(ContractError, EveryVariantHasItsMessage) {
    constexpr auto u32_max = std::numeric_limits<std::uint32_t>::max();
    const std::pair<ContractError, std::string> cases[] = {
        {EmptyField{"package_label"}, "field 'package_label' must not be empty"},
        {MinimumExceedsMaximum{400, 365}, "minimum retention (400d) exceeds maximum retention (365d)"},
        {MinimumExceedsMaximum{u32_max, 0}, "minimum retention (4294967295d) exceeds maximum retention (0d)"},
        {RetentionShortened{30, 90}, "retention cannot be shortened: requested 30d is less than the current 90d"},
        {RetentionShortened{0, u32_max},
         "retention cannot be shortened: requested 0d is less than the current 4294967295d"},
        {PolicyRetired{}, "retention policy is retired and cannot be amended"},
        {IllegalTransition{"ArchivePackage", "sealed", "sealed"},
         "illegal transition for ArchivePackage: sealed -> sealed"},
        {PackageUnderLegalHold{}, "archive package is under an active legal hold and cannot be disposed"},
        {NoActiveLegalHold{}, "no active legal hold to release"},
        {ReleaseNotAuthorised{}, "legal hold release was not authorised by policy"},
        {AlreadySealed{}, "cannot seal a package that already carries sealed content"},
        {ManifestSignatureInvalid{}, "manifest signature verification failed"},
        // Payload braces are text, not format directives.
        {Canonical{"chunk {0} differs"}, "canonical encoding failed: chunk {0} differs"},
    };
    for (const auto& [error, message] : cases) EXPECT_EQ(error.message(), message);
}

TEST(ContractError, FromCoreErrorKeepsTheWholeCoreMessage) {
    const std::pair<core::CoreError, std::string> cases[] = {
        {core::SignatureInvalid{}, "manifest signature verification failed"},
        {core::validation("object_refs must not be empty"),
         "canonical encoding failed: validation failed: object_refs must not be empty"},
        {core::CanonicalSerialization{"floats are not allowed"},
         "canonical encoding failed: canonical serialization failed: floats are not allowed"},
        {core::UnknownAlgorithm{"md5"}, "canonical encoding failed: unknown or rejected algorithm: md5"},
        {core::DecryptionFailed{}, "canonical encoding failed: decryption failed"},
    };
    for (const auto& [core_error, message] : cases) {
        auto error = ContractError::from(core_error);
        EXPECT_EQ(error.message(), message);
    }
    EXPECT_EQ(ContractError::from(core::SignatureInvalid{}), ContractError(ManifestSignatureInvalid{}));
    EXPECT_EQ(ContractError::from(core::validation("x")), ContractError(Canonical{"validation failed: x"}));
}

TEST(ContractError, VariantAccess) {
    ContractError error = RetentionShortened{30, 90};
    EXPECT_TRUE(error.is<RetentionShortened>());
    EXPECT_FALSE(error.is<MinimumExceedsMaximum>());
    ASSERT_NE(error.get_if<RetentionShortened>(), nullptr);
    EXPECT_EQ(error.get_if<RetentionShortened>()->requested, 30u);
    EXPECT_EQ(error.get_if<RetentionShortened>()->current, 90u);
    EXPECT_EQ(error.variant().index(), 2u);
    EXPECT_EQ(ContractError(Canonical{"x"}).variant().index(), 10u);
}

}  // namespace
}  // namespace vuvadededoru_contracts
