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
    if (package.status == PackageStatus::disposed)
        return std::unexpected(EngineError::rule(EngineRuleKind::AlreadyDisposed));
    if (package.status != PackageStatus::sealed)
        return std::unexpected(EngineError::rule(EngineRuleKind::PackageNotSealed));
    if (package.legal_hold_id)
        return std::unexpected(EngineError::rule(EngineRuleKind::LegalHoldBlocksDisposition));
    if (!package.expires_at) return {};
    if (now.is_before(*package.expires_at))
        return std::unexpected(EngineError::retention_not_expired(*package.expires_at));
    return {};
}

}  // namespace zorizorezire_rizozi::retention
