#include "zorizorezire_rizozi/retention.hpp"

#include <fmt/format.h>

namespace zorizorezire_rizozi::retention {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::PackageStatus;
using zedododor_avovodizi::time::Timestamp;

namespace {

struct ReasonDebugForm {
    std::string operator()(const NotSealed&) const { return "NotSealed"; }
    std::string operator()(const UnderLegalHold&) const { return "UnderLegalHold"; }
    std::string operator()(const RetentionNotExpired& reason) const {
        return fmt::format("RetentionNotExpired {{ expires_at: {} }}", reason.expires_at.debug_form());
    }
    std::string operator()(const AlreadyDisposed&) const { return "AlreadyDisposed"; }
};

// The engine error each reason of the verdict is refused with.
struct RefusalOf {
    EngineError operator()(const NotSealed&) const { return EngineError::rule(EngineRuleKind::PackageNotSealed); }
    EngineError operator()(const UnderLegalHold&) const {
        return EngineError::rule(EngineRuleKind::LegalHoldBlocksDisposition);
    }
    EngineError operator()(const RetentionNotExpired& reason) const {
        return EngineError::retention_not_expired(reason.expires_at);
    }
    EngineError operator()(const AlreadyDisposed&) const { return EngineError::rule(EngineRuleKind::AlreadyDisposed); }
};

}  // namespace

std::string debug_form(const IneligibilityReason& reason) { return std::visit(ReasonDebugForm{}, reason); }

std::string debug_form(const Eligibility& eligibility) {
    if (const auto* refused = std::get_if<NotEligible>(&eligibility))
        return fmt::format("NotEligible({})", debug_form(refused->reason));
    return "Eligible";
}

Eligibility evaluate_eligibility(const ArchivePackage& package, Timestamp now) {
    if (package.status != PackageStatus::sealed) {
        if (package.status == PackageStatus::disposed) return NotEligible{AlreadyDisposed{}};
        return NotEligible{NotSealed{}};
    }
    if (package.legal_hold_id) return NotEligible{UnderLegalHold{}};
    if (!package.expires_at) return Eligible{};
    if (now.is_before(*package.expires_at)) return NotEligible{RetentionNotExpired{*package.expires_at}};
    return Eligible{};
}

EngineResult<void> require_eligible_for_dispose(const ArchivePackage& package, Timestamp now) {
    const Eligibility verdict = evaluate_eligibility(package, now);
    const auto* refused = std::get_if<NotEligible>(&verdict);
    if (!refused) return {};
    return std::unexpected(std::visit(RefusalOf{}, refused->reason));
}

}  // namespace zorizorezire_rizozi::retention
