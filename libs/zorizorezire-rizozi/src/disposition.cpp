#include "zorizorezire_rizozi/disposition.hpp"

#include <utility>

#include "zorizorezire_rizozi/retention.hpp"

namespace zorizorezire_rizozi::disposition {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::DispositionDecision;
using vuvadededoru_contracts::DispositionReview;
using vuvadededoru_contracts::PackageStatus;
using zedododor_avovodizi::time::Timestamp;

EngineResult<DispositionReview> create_disposition_review(const ArchivePackage& package, Timestamp now) {
    if (package.status != PackageStatus::sealed)
        return std::unexpected(EngineError::rule(EngineRuleKind::PackageNotSealed));
    return DispositionReview::open({.tenant_id = package.tenant_id,
                                    .workspace_id = package.workspace_id,
                                    .archive_package_id = package.id,
                                    .retention_policy_id = package.retention_policy_id,
                                    .eligible_at = package.expires_at.value_or(now)},
                                   now);
}

EngineResult<DispositionReview> decide_disposition_review(const DispositionReview& review,
                                                          const ArchivePackage& package, DispositionDecision decision,
                                                          std::string reviewer, Timestamp now) {
    if (review.archive_package_id != package.id)
        return std::unexpected(EngineError::rule(EngineRuleKind::ReviewPackageMismatch));
    if (decision == DispositionDecision::dispose) {
        if (auto eligible = retention::require_eligible_for_dispose(package, now); !eligible)
            return std::unexpected(eligible.error());
    }
    auto decided = review.decide(decision, std::move(reviewer));
    if (!decided) return contract_violation(decided.error());
    return std::move(*decided);
}

EngineResult<ArchivePackage> execute_disposition(const DispositionReview& review, const ArchivePackage& package,
                                                 Timestamp now) {
    if (review.archive_package_id != package.id)
        return std::unexpected(EngineError::rule(EngineRuleKind::ReviewPackageMismatch));
    if (review.decision != DispositionDecision::dispose)
        return std::unexpected(EngineError::rule(EngineRuleKind::DispositionNotAuthorised));
    if (auto eligible = retention::require_eligible_for_dispose(package, now); !eligible)
        return std::unexpected(eligible.error());
    auto disposed = package.dispose();
    if (!disposed) return contract_violation(disposed.error());
    return std::move(*disposed);
}

}  // namespace zorizorezire_rizozi::disposition
