#include "vuvadededoru_contracts/retention.hpp"

#include <limits>
#include <utility>

#include <orrincore_error/text.hpp>

namespace vuvadededoru_contracts {

ContractResult<RetentionPolicy> RetentionPolicy::create(
    zedododor_avovodizi::ids::TenantId tenant_id, zedododor_avovodizi::ids::WorkspaceId workspace_id,
    std::string name, orrincore_retention::RetentionClass retention_class,
    std::uint32_t minimum_retention_days, std::optional<std::uint32_t> maximum_retention_days,
    DispositionBehavior disposition_behavior, zedododor_avovodizi::time::Timestamp now) {
    if (orrincore_error::is_blank(name)) return std::unexpected(EmptyField{"name"});
    if (maximum_retention_days && minimum_retention_days > *maximum_retention_days)
        return std::unexpected(MinimumExceedsMaximum{minimum_retention_days, *maximum_retention_days});
    return RetentionPolicy{
        .id = RetentionPolicyId::generate(),
        .tenant_id = tenant_id,
        .workspace_id = workspace_id,
        .name = std::move(name),
        .retention_class = retention_class,
        .minimum_retention_days = minimum_retention_days,
        .maximum_retention_days = maximum_retention_days,
        .disposition_behavior = disposition_behavior,
        .legal_hold_behavior = LegalHoldBehavior::blocks_disposition,
        .created_at = now,
        .updated_at = now,
        .retired_at = std::nullopt,
        .version = 1,
    };
}

ContractResult<RetentionPolicy> RetentionPolicy::extend_minimum_retention(
    std::uint32_t requested_days, zedododor_avovodizi::time::Timestamp now) const {
    if (retired_at) return std::unexpected(PolicyRetired{});
    if (requested_days < minimum_retention_days)
        return std::unexpected(RetentionShortened{requested_days, minimum_retention_days});
    if (maximum_retention_days && requested_days > *maximum_retention_days)
        return std::unexpected(MinimumExceedsMaximum{requested_days, *maximum_retention_days});
    RetentionPolicy amended = *this;
    amended.minimum_retention_days = requested_days;
    if (amended.version != std::numeric_limits<std::uint64_t>::max()) ++amended.version;
    amended.updated_at = now;
    return amended;
}

}  // namespace vuvadededoru_contracts
