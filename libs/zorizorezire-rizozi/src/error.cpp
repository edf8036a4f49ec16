#include "zorizorezire_rizozi/error.hpp"

#include <string_view>

#include <fmt/format.h>

namespace zorizorezire_rizozi {
namespace {

std::string_view fixed_message(EngineRuleKind kind) {
    using K = EngineRuleKind;
    switch (kind) {
    case K::LegalHoldBlocksDisposition: return "legal hold blocks disposition for this package";
    case K::HoldNotActive: return "legal hold is not active and cannot be assigned to a package";
    case K::HoldNotReleased: return "legal hold has not been released and cannot be cleared from a package";
    case K::PackageNotSealed: return "archive package must be sealed before a disposition review can be opened";
    case K::RetentionNotExpired: return "retention has not yet expired for this package";
    case K::AlreadyDisposed: return "archive package has already been disposed";
    case K::DispositionNotAuthorised: return "disposition review did not authorise disposal";
    case K::ReviewPackageMismatch: return "disposition review does not reference this archive package";
    case K::ManifestPackageMismatch: return "archive manifest does not reference this archive package";
    case K::ManifestHashMismatch:
        return "archive package's recorded manifest hash does not match the supplied manifest";
    case K::PolicyRetired: return "retention policy is retired and cannot be amended";
    case K::PolicyInputHashMismatch: return "policy evaluation input hash did not match the request being authorised";
    case K::CustodyEventFailed: return "chain-of-custody event signing or hashing failed";
    case K::LegalHoldMismatch: return "legal hold does not match the hold this package carries";
    case K::PackageCarriesOtherLegalHold: return "archive package already carries a different legal hold";
    }
    return {};
}

}  // namespace

std::string EngineError::message() const {
    if (const auto* contract_error = get_if<vuvadededoru_contracts::ContractError>())
        return fmt::format("contract violation: {}", contract_error->message());
    const EngineRule& violated = *get_if<EngineRule>();
    if (violated.kind == EngineRuleKind::RetentionNotExpired && violated.expires_at) {
        return fmt::format("retention has not yet expired for this package (expires {})",
                           violated.expires_at->to_rfc3339());
    }
    return std::string(fixed_message(violated.kind));
}

}  // namespace zorizorezire_rizozi
