#pragma once
// Archive targets: registered storage destinations of archive packages. The
// record only describes the destination; nothing here contacts it.

#include <optional>
#include <string>

#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "vuvadededoru_contracts/error.hpp"
#include "vuvadededoru_contracts/ids.hpp"

namespace vuvadededoru_contracts {

enum class ArchiveTargetType { orrin_cloud, s3_compatible, local_filesystem, test_fixture };

// Targets are created enabled; a disabled status (and `disabled_at`) only
// comes from a file, and nothing checks that the two agree.
enum class ArchiveTargetStatus { enabled, disabled };

struct ArchiveTarget {
    ArchiveTargetId id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    std::string name;
    ArchiveTargetType target_type;
    ArchiveTargetStatus status;
    zedododor_avovodizi::time::Timestamp created_at;
    std::optional<zedododor_avovodizi::time::Timestamp> disabled_at;

    // What a new target is made of, by name.
    struct Parameters {
        zedododor_avovodizi::ids::TenantId tenant_id;
        zedododor_avovodizi::ids::WorkspaceId workspace_id;
        std::string name;
        ArchiveTargetType target_type;
    };

    // An enabled target created at `now`. Refuses a blank name ("name").
    static ContractResult<ArchiveTarget> create(Parameters parameters, zedododor_avovodizi::time::Timestamp now);

    bool operator==(const ArchiveTarget&) const = default;
};

}  // namespace vuvadededoru_contracts

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::ArchiveTargetType> {
    using E = vuvadededoru_contracts::ArchiveTargetType;
    static constexpr EnumEntry<E> entries[] = {
        {E::orrin_cloud, "orrin_cloud", "OrrinCloud"},
        {E::s3_compatible, "s3_compatible", "S3Compatible"},
        {E::local_filesystem, "local_filesystem", "LocalFilesystem"},
        {E::test_fixture, "test_fixture", "TestFixture"},
    };
};

template <>
struct orrincore_json::EnumTable<vuvadededoru_contracts::ArchiveTargetStatus> {
    using E = vuvadededoru_contracts::ArchiveTargetStatus;
    static constexpr EnumEntry<E> entries[] = {
        {E::enabled, "enabled", "Enabled"},
        {E::disabled, "disabled", "Disabled"},
    };
};

template <>
struct orrincore_json::Json<vuvadededoru_contracts::ArchiveTarget>
    : orrincore_json::RecordJson<vuvadededoru_contracts::ArchiveTarget> {
    using R = vuvadededoru_contracts::ArchiveTarget;
    static constexpr std::string_view name = "ArchiveTarget";
    static constexpr auto fields = std::tuple{
        required("id", &R::id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("name", &R::name),
        required("target_type", &R::target_type),
        required("status", &R::status),
        required("created_at", &R::created_at),
        nullable("disabled_at", &R::disabled_at),
    };
};
