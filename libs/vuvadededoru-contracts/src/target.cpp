#include "vuvadededoru_contracts/target.hpp"

#include <utility>

#include <orrincore_error/text.hpp>

namespace vuvadededoru_contracts {

ContractResult<ArchiveTarget> ArchiveTarget::create(Parameters parameters, zedododor_avovodizi::time::Timestamp now) {
    if (orrincore_error::is_blank(parameters.name)) return std::unexpected(EmptyField{"name"});
    return ArchiveTarget{
        .id = ArchiveTargetId::generate(),
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .name = std::move(parameters.name),
        .target_type = parameters.target_type,
        .status = ArchiveTargetStatus::enabled,
        .created_at = now,
        .disabled_at = std::nullopt,
    };
}

}  // namespace vuvadededoru_contracts
