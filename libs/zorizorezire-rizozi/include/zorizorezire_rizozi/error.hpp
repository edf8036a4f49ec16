#pragma once
// The engine's error: a refusal by one of the archive records (wrapped
// contract error) or a violation of one of the engine's own rules. Every
// variant has exactly one message.

#include <expected>
#include <optional>
#include <string>
#include <utility>

#include <orrincore_error/variant_error.hpp>
#include <vuvadededoru_contracts/error.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace zorizorezire_rizozi {

enum class EngineRuleKind {
    LegalHoldBlocksDisposition,
    HoldNotActive,
    HoldNotReleased,
    PackageNotSealed,
    RetentionNotExpired,  // carries the expiry
    AlreadyDisposed,
    DispositionNotAuthorised,
    ReviewPackageMismatch,
    ManifestPackageMismatch,
    ManifestHashMismatch,
    PolicyRetired,            // raised by no operation
    PolicyInputHashMismatch,  // raised by no operation
    CustodyEventFailed,       // raised by no operation
    // A released hold may clear only the hold the package carries.
    LegalHoldMismatch,
    // A package carries one hold at a time; a second would replace the first.
    PackageCarriesOtherLegalHold,
};

struct EngineRule {
    EngineRuleKind kind;
    std::optional<zedododor_avovodizi::time::Timestamp> expires_at;  // RetentionNotExpired only

    bool operator==(const EngineRule&) const = default;
};

class EngineError : public orrincore_error::VariantError<vuvadededoru_contracts::ContractError, EngineRule> {
public:
    // The contract error of a record step, wrapped as it is.
    EngineError(vuvadededoru_contracts::ContractError error)  // NOLINT: implicit by design
        : VariantError(std::move(error)) {}

    // A rule without data (every kind but RetentionNotExpired).
    static EngineError rule(EngineRuleKind kind) { return EngineError(EngineRule{kind, std::nullopt}); }

    static EngineError retention_not_expired(zedododor_avovodizi::time::Timestamp expires_at) {
        return EngineError(EngineRule{EngineRuleKind::RetentionNotExpired, expires_at});
    }

    // Besides is<ContractError>() and is<EngineRule>(): whether it is the
    // violation of the engine rule `kind`.
    using VariantError::is;
    bool is(EngineRuleKind kind) const {
        const auto* violated = get_if<EngineRule>();
        return violated && violated->kind == kind;
    }

    std::string message() const;

private:
    explicit EngineError(EngineRule rule) : VariantError(rule) {}
};

template <class T>
using EngineResult = std::expected<T, EngineError>;

// A record step's refusal as the engine returns it (built in place: g++ 12
// warns falsely about a moved temporary here at -O2).
inline std::unexpected<EngineError> contract_violation(const vuvadededoru_contracts::ContractError& error) {
    return std::unexpected<EngineError>(std::in_place, error);
}

}  // namespace zorizorezire_rizozi
