#include "vuvadededoru_contracts/retention.hpp"

#include <limits>
#include <utility>

#include <orrincore_error/text.hpp>

namespace vuvadededoru_contracts {

ContractResult<RetentionPolicy> RetentionPolicy::create(Parameters parameters,
                                                        zedododor_avovodizi::time::Timestamp now) {
    if (orrincore_error::is_blank(parameters.name)) return std::unexpected(EmptyField{"name"});
    if (parameters.maximum_retention_days && parameters.minimum_retention_days > *parameters.maximum_retention_days)
        return std::unexpected(
            MinimumExceedsMaximum{parameters.minimum_retention_days, *parameters.maximum_retention_days});
    return RetentionPolicy{
        .id = RetentionPolicyId::generate(),
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .name = std::move(parameters.name),
        .retention_class = parameters.retention_class,
        .minimum_retention_days = parameters.minimum_retention_days,
        .maximum_retention_days = parameters.maximum_retention_days,
        .disposition_behavior = parameters.disposition_behavior,
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
