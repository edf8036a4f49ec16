#include "vuvadededoru_contracts/package.hpp"

#include <string_view>
#include <utility>

#include <orrincore_error/text.hpp>

namespace vuvadededoru_contracts {
namespace {

constexpr std::string_view entity = "ArchivePackage";
constexpr std::int64_t seconds_per_day = 86'400;

IllegalTransition refused(PackageStatus from, std::string_view to) {
    return IllegalTransition{entity, orrincore_json::word(from), to};
}

bool sealable(PackageStatus status) {
    return status == PackageStatus::writing || status == PackageStatus::verification_failed ||
           status == PackageStatus::retrieval_pending;
}

}  // namespace

ContractResult<ArchivePackage> ArchivePackage::create(Parameters parameters, zedododor_avovodizi::time::Timestamp now) {
    if (orrincore_error::is_blank(parameters.package_label)) return std::unexpected(EmptyField{"package_label"});
    if (orrincore_error::is_blank(parameters.created_by)) return std::unexpected(EmptyField{"created_by"});
    return ArchivePackage{
        .id = ArchivePackageId::generate(),
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .source_product = std::move(parameters.source_product),
        .source_ref = parameters.source_ref,
        .archive_target_id = parameters.archive_target_id,
        .retention_policy_id = parameters.retention_policy_id,
        .package_label = std::move(parameters.package_label),
        .status = PackageStatus::pending,
        .manifest_hash = std::nullopt,
        .signer_key_id = std::nullopt,
        .size_bytes = std::nullopt,
        .chunk_count = std::nullopt,
        .retention_minimum_days_at_seal = std::nullopt,
        .created_by = std::move(parameters.created_by),
        .created_at = now,
        .sealed_at = std::nullopt,
        .expires_at = std::nullopt,
        .legal_hold_id = std::nullopt,
    };
}

ContractResult<ArchivePackage> ArchivePackage::begin_writing() const {
    if (status != PackageStatus::pending) return std::unexpected(refused(status, "writing"));
    ArchivePackage next = *this;
    next.status = PackageStatus::writing;
    return next;
}

ContractResult<ArchivePackage> ArchivePackage::seal(const SealFacts& facts,
                                                    zedododor_avovodizi::time::Timestamp now) const {
    if (!sealable(status)) return std::unexpected(refused(status, "sealed"));
    ArchivePackage next = *this;
    next.status = PackageStatus::sealed;
    next.manifest_hash = facts.manifest_hash;
    next.signer_key_id = facts.signer_key_id;
    next.size_bytes = facts.size_bytes;
    next.chunk_count = facts.chunk_count;
    next.retention_minimum_days_at_seal = facts.retention_minimum_days;
    next.sealed_at = now;
    // Widen before multiplying: in 32 bits the product wraps above 49,710 days.
    next.expires_at =
        now.saturating_add_seconds(static_cast<std::int64_t>(facts.retention_minimum_days) * seconds_per_day);
    return next;
}

ContractResult<ArchivePackage> ArchivePackage::apply_legal_hold(LegalHoldId hold) const {
    if (status == PackageStatus::disposed) return std::unexpected(refused(status, "under_legal_hold"));
    ArchivePackage next = *this;
    next.legal_hold_id = hold;
    return next;
}

ContractResult<ArchivePackage> ArchivePackage::release_legal_hold() const {
    if (!legal_hold_id) return std::unexpected(NoActiveLegalHold{});
    ArchivePackage next = *this;
    next.legal_hold_id.reset();
    return next;
}

ContractResult<ArchivePackage> ArchivePackage::dispose() const {
    if (legal_hold_id) return std::unexpected(PackageUnderLegalHold{});
    if (status != PackageStatus::sealed) return std::unexpected(refused(status, "disposed"));
    ArchivePackage next = *this;
    next.status = PackageStatus::disposed;
    return next;
}

}  // namespace vuvadededoru_contracts
