#include "vuvadededoru_contracts/disposition.hpp"

#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace vuvadededoru_contracts {
namespace {

constexpr std::string_view entity = "DispositionReview";

}  // namespace

DispositionReview DispositionReview::open(Parameters parameters, zedododor_avovodizi::time::Timestamp now) {
    return DispositionReview{
        .id = DispositionReviewId::generate(),
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .archive_package_id = parameters.archive_package_id,
        .retention_policy_id = parameters.retention_policy_id,
        .status = DispositionReviewStatus::open,
        .eligible_at = parameters.eligible_at,
        .reviewed_by = std::nullopt,
        .decision = std::nullopt,
        .created_at = now,
        .completed_at = std::nullopt,
    };
}

ContractResult<DispositionReview> DispositionReview::decide(DispositionDecision chosen, std::string reviewer) const {
    // The refusal names a fixed word, not the current status.
    if (status != DispositionReviewStatus::open)
        return std::unexpected(IllegalTransition{entity, "not_open", "decided"});
    DispositionReview next = *this;
    next.status = DispositionReviewStatus::decided;
    next.decision = chosen;
    next.reviewed_by = std::move(reviewer);
    return next;
}

ContractResult<DispositionReview> DispositionReview::complete(zedododor_avovodizi::time::Timestamp now) const {
    if (status != DispositionReviewStatus::decided)
        return std::unexpected(IllegalTransition{entity, "not_decided", "completed"});
    DispositionReview next = *this;
    next.status = DispositionReviewStatus::completed;
    next.completed_at = now;
    return next;
}

std::string debug_form(const std::optional<DispositionDecision>& decision) {
    if (!decision) return "None";
    return fmt::format("Some({})", orrincore_json::debug_name(*decision));
}

}  // namespace vuvadededoru_contracts
