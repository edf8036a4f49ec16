#pragma once
// The one error type of the core contracts. Every variant has exactly one
// message; placeholders are filled with the field texts unchanged.

#include <expected>
#include <string>

#include "orrincore_error/variant_error.hpp"

namespace orrincore_error {

struct InvalidIdentifier {
    std::string kind;
    std::string reason;
    bool operator==(const InvalidIdentifier&) const = default;
};
struct UnsupportedVersion {
    std::string requested;
    std::string min;
    std::string max;
    bool operator==(const UnsupportedVersion&) const = default;
};
struct CanonicalSerialization {
    std::string text;
    bool operator==(const CanonicalSerialization&) const = default;
};
struct SignatureInvalid {
    bool operator==(const SignatureInvalid&) const = default;
};
struct UnknownAlgorithm {
    std::string name;
    bool operator==(const UnknownAlgorithm&) const = default;
};
struct Expired {
    std::string expired_at;
    bool operator==(const Expired&) const = default;
};
struct NotYetValid {
    std::string not_before;
    bool operator==(const NotYetValid&) const = default;
};
struct EncryptionFailed {
    bool operator==(const EncryptionFailed&) const = default;
};
struct DecryptionFailed {
    bool operator==(const DecryptionFailed&) const = default;
};
struct Validation {
    std::string text;
    bool operator==(const Validation&) const = default;
};
struct UnknownProduct {
    std::string text;
    bool operator==(const UnknownProduct&) const = default;
};

class CoreError : public VariantError<InvalidIdentifier, UnsupportedVersion, CanonicalSerialization, SignatureInvalid,
                                      UnknownAlgorithm, Expired, NotYetValid, EncryptionFailed, DecryptionFailed,
                                      Validation, UnknownProduct> {
public:
    using VariantError::VariantError;

    std::string message() const;
};

// Shorthand for the common Validation error.
inline CoreError validation(std::string text) { return Validation{std::move(text)}; }

template <class T>
using Result = std::expected<T, CoreError>;

}  // namespace orrincore_error
