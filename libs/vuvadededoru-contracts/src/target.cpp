#include "vuvadededoru_contracts/target.hpp"

#include <utility>

#include <orrincore_error/text.hpp>

namespace vuvadededoru_contracts {

ContractResult<ArchiveTarget> ArchiveTarget::create(zedododor_avovodizi::ids::TenantId tenant_id,
                                                    zedododor_avovodizi::ids::WorkspaceId workspace_id,
                                                    std::string name, ArchiveTargetType target_type,
                                                    zedododor_avovodizi::time::Timestamp now) {
    if (orrincore_error::is_blank(name)) return std::unexpected(EmptyField{"name"});
    return ArchiveTarget{
        .id = ArchiveTargetId::generate(),
        .tenant_id = tenant_id,
        .workspace_id = workspace_id,
        .name = std::move(name),
        .target_type = target_type,
        .status = ArchiveTargetStatus::enabled,
        .created_at = now,
        .disabled_at = std::nullopt,
    };
}

}  // namespace vuvadededoru_contracts
