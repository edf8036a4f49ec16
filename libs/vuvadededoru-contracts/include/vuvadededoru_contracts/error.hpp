#pragma once
// The one error type of the archive records. Every variant has exactly one
// message. Static texts (field names, entity and state words) point at
// literals chosen by the refusing operation, never at record or input text.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include <orrincore_error/error.hpp>
#include <orrincore_error/variant_error.hpp>

namespace vuvadededoru_contracts {

struct EmptyField {
    std::string_view field;  // the JSON key of the refused field
    bool operator==(const EmptyField&) const = default;
};
struct MinimumExceedsMaximum {
    std::uint32_t minimum;
    std::uint32_t maximum;
    bool operator==(const MinimumExceedsMaximum&) const = default;
};
struct RetentionShortened {
    std::uint32_t requested;
    std::uint32_t current;
    bool operator==(const RetentionShortened&) const = default;
};
struct PolicyRetired {
    bool operator==(const PolicyRetired&) const = default;
};
struct IllegalTransition {
    std::string_view entity;
    std::string_view from;
    std::string_view to;
    bool operator==(const IllegalTransition&) const = default;
};
struct PackageUnderLegalHold {
    bool operator==(const PackageUnderLegalHold&) const = default;
};
struct NoActiveLegalHold {
    bool operator==(const NoActiveLegalHold&) const = default;
};
struct ReleaseNotAuthorised {
    bool operator==(const ReleaseNotAuthorised&) const = default;
};
// Nothing raises this one: re-sealing is refused as an illegal transition.
struct AlreadySealed {
    bool operator==(const AlreadySealed&) const = default;
};
struct ManifestSignatureInvalid {
    bool operator==(const ManifestSignatureInvalid&) const = default;
};
// Also carries the chunk-count and chunk-integrity texts of manifest checks.
struct Canonical {
    std::string message;
    bool operator==(const Canonical&) const = default;
};

class ContractError
    : public orrincore_error::VariantError<EmptyField, MinimumExceedsMaximum, RetentionShortened, PolicyRetired,
                                           IllegalTransition, PackageUnderLegalHold, NoActiveLegalHold,
                                           ReleaseNotAuthorised, AlreadySealed, ManifestSignatureInvalid, Canonical> {
public:
    using VariantError::VariantError;

    // A failed signature check becomes ManifestSignatureInvalid; every other
    // core error becomes Canonical holding the core error's whole message.
    static ContractError from(orrincore_error::CoreError error);

    std::string message() const;
};

template <class T>
using ContractResult = std::expected<T, ContractError>;

}  // namespace vuvadededoru_contracts
