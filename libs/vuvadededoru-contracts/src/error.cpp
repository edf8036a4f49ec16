#include "vuvadededoru_contracts/error.hpp"

#include <fmt/format.h>

namespace vuvadededoru_contracts {
namespace {

struct MessageOf {
    std::string operator()(const EmptyField& e) const { return fmt::format("field '{}' must not be empty", e.field); }
    std::string operator()(const MinimumExceedsMaximum& e) const {
        return fmt::format("minimum retention ({}d) exceeds maximum retention ({}d)", e.minimum, e.maximum);
    }
    std::string operator()(const RetentionShortened& e) const {
        return fmt::format("retention cannot be shortened: requested {}d is less than the current {}d", e.requested,
                           e.current);
    }
    std::string operator()(const PolicyRetired&) const { return "retention policy is retired and cannot be amended"; }
    std::string operator()(const IllegalTransition& e) const {
        return fmt::format("illegal transition for {}: {} -> {}", e.entity, e.from, e.to);
    }
    std::string operator()(const PackageUnderLegalHold&) const {
        return "archive package is under an active legal hold and cannot be disposed";
    }
    std::string operator()(const NoActiveLegalHold&) const { return "no active legal hold to release"; }
    std::string operator()(const ReleaseNotAuthorised&) const {
        return "legal hold release was not authorised by policy";
    }
    std::string operator()(const AlreadySealed&) const {
        return "cannot seal a package that already carries sealed content";
    }
    std::string operator()(const ManifestSignatureInvalid&) const { return "manifest signature verification failed"; }
    std::string operator()(const Canonical& e) const { return fmt::format("canonical encoding failed: {}", e.message); }
};

}  // namespace

ContractError ContractError::from(orrincore_error::CoreError error) {
    if (error.is<orrincore_error::SignatureInvalid>()) return ManifestSignatureInvalid{};
    return Canonical{error.message()};
}

std::string ContractError::message() const { return std::visit(MessageOf{}, variant()); }

}  // namespace vuvadededoru_contracts
