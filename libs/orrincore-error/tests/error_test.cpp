#include "orrincore_error/error.hpp"

#include <gtest/gtest.h>

namespace orrincore_error {
namespace {

TEST(CoreError, EveryVariantHasItsFixedMessage) {
    const std::pair<CoreError, const char*> cases[] = {
        {InvalidIdentifier{"Slug", "must not be empty"}, "invalid Slug identifier: must not be empty"},
        {UnsupportedVersion{"2", "1", "1"}, "unsupported contract version: 2 (supported 1..=1)"},
        {CanonicalSerialization{"x"}, "canonical serialization failed: x"},
        {SignatureInvalid{}, "signature verification failed"},
        {UnknownAlgorithm{"md5"}, "unknown or rejected algorithm: md5"},
        {Expired{"2026-01-01T00:00:00Z"}, "envelope expired at 2026-01-01T00:00:00Z"},
        {NotYetValid{"2026-01-01T00:00:00Z"}, "envelope is not yet valid until 2026-01-01T00:00:00Z"},
        {EncryptionFailed{}, "encryption failed"},
        {DecryptionFailed{}, "decryption failed"},
        {Validation{"bad {} text"}, "validation failed: bad {} text"},
        {UnknownProduct{"p"}, "unknown product: p"},
    };
    for (const auto& [error, message] : cases) EXPECT_EQ(error.message(), message);
}

TEST(CoreError, KnowsItsVariant) {
    CoreError e = SignatureInvalid{};
    EXPECT_TRUE(e.is<SignatureInvalid>());
    EXPECT_FALSE(e.is<Validation>());
    EXPECT_EQ(validation("t").get_if<Validation>()->text, "t");
}

}  // namespace
}  // namespace orrincore_error
