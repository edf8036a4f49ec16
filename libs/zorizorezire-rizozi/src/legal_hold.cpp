#include "zorizorezire_rizozi/legal_hold.hpp"

#include <utility>

namespace zorizorezire_rizozi::legal_hold {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldStatus;

EngineResult<ArchivePackage> assign_legal_hold(const LegalHold& hold, const ArchivePackage& package) {
    if (hold.status != LegalHoldStatus::active)
        return std::unexpected(EngineError::rule(EngineRuleKind::HoldNotActive));
    if (package.legal_hold_id && *package.legal_hold_id != hold.id)
        return std::unexpected(EngineError::rule(EngineRuleKind::PackageCarriesOtherLegalHold));
    auto held = package.apply_legal_hold(hold.id);
    if (!held) return contract_violation(held.error());
    return std::move(*held);
}

EngineResult<ArchivePackage> release_legal_hold_from_package(const LegalHold& hold, const ArchivePackage& package) {
    if (hold.status != LegalHoldStatus::released)
        return std::unexpected(EngineError::rule(EngineRuleKind::HoldNotReleased));
    auto cleared = package.release_legal_hold();
    if (!cleared) return contract_violation(cleared.error());
    // After the package's own step, so that a package without any hold
    // still reports that it has none.
    if (package.legal_hold_id != hold.id) return std::unexpected(EngineError::rule(EngineRuleKind::LegalHoldMismatch));
    return std::move(*cleared);
}

}  // namespace zorizorezire_rizozi::legal_hold
