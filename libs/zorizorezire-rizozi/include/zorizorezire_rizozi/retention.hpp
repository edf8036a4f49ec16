#pragma once
// Retention eligibility: whether a package may be disposed of now. A package
// must be sealed, carry no legal hold, and have reached its expiry (it is
// eligible at the very instant `expires_at`; without one, at any time).

#include <string>
#include <variant>

#include <vuvadededoru_contracts/package.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "zorizorezire_rizozi/error.hpp"

namespace zorizorezire_rizozi::retention {

struct NotSealed {
    bool operator==(const NotSealed&) const = default;
};
struct UnderLegalHold {
    bool operator==(const UnderLegalHold&) const = default;
};
struct RetentionNotExpired {
    zedododor_avovodizi::time::Timestamp expires_at;
    bool operator==(const RetentionNotExpired&) const = default;
};
struct AlreadyDisposed {
    bool operator==(const AlreadyDisposed&) const = default;
};

using IneligibilityReason = std::variant<NotSealed, UnderLegalHold, RetentionNotExpired, AlreadyDisposed>;

struct Eligible {
    bool operator==(const Eligible&) const = default;
};
struct NotEligible {
    IneligibilityReason reason;
    bool operator==(const NotEligible&) const = default;
};

using Eligibility = std::variant<Eligible, NotEligible>;

// "NotSealed", "UnderLegalHold", "AlreadyDisposed",
// "RetentionNotExpired { expires_at: Timestamp(...) }".
std::string debug_form(const IneligibilityReason& reason);

// "Eligible", or "NotEligible(" + the reason's debug form + ")".
std::string debug_form(const Eligibility& eligibility);

// The verdict for `package` at `now`; the first reason that applies, in the
// order: disposed or not sealed, a hold, an expiry still ahead.
Eligibility evaluate_eligibility(const vuvadededoru_contracts::ArchivePackage& package,
                                 zedododor_avovodizi::time::Timestamp now);

// The verdict as an error: AlreadyDisposed, PackageNotSealed,
// LegalHoldBlocksDisposition or RetentionNotExpired, for the reason that
// `evaluate_eligibility` gives.
EngineResult<void> require_eligible_for_dispose(const vuvadededoru_contracts::ArchivePackage& package,
                                                zedododor_avovodizi::time::Timestamp now);

}  // namespace zorizorezire_rizozi::retention
