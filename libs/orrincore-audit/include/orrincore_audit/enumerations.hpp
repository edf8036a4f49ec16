#pragma once
// The four enumerations of audit events. Their words are the JSON forms and
// enter the signed bytes of every event, so neither words nor order change.

#include <orrincore_json/actor_type_words.hpp>
#include <orrincore_json/enumeration.hpp>

namespace orrincore_audit {

enum class AuditResult { success, failure, denied, cancelled, expired, partial, unknown };

enum class Severity { info, notice, warning, error, critical };

enum class AuditCategory {
    authentication,
    authorization,
    configuration,
    key_management,
    device_management,
    data_access,
    service_lifecycle,
    network_exposure,
    backup,
    restore,
    federation,
    policy,
    security,
    privacy,
    system,
};

enum class ActorType { user, administrator, device, service, product, federation_peer, system, unknown };

}  // namespace orrincore_audit

template <>
struct orrincore_json::EnumTable<orrincore_audit::AuditResult> {
    using E = orrincore_audit::AuditResult;
    static constexpr EnumEntry<E> entries[] = {
        {E::success, "success", "Success"}, {E::failure, "failure", "Failure"},
        {E::denied, "denied", "Denied"},    {E::cancelled, "cancelled", "Cancelled"},
        {E::expired, "expired", "Expired"}, {E::partial, "partial", "Partial"},
        {E::unknown, "unknown", "Unknown"},
    };
};

template <>
struct orrincore_json::EnumTable<orrincore_audit::Severity> {
    using E = orrincore_audit::Severity;
    static constexpr EnumEntry<E> entries[] = {
        {E::info, "info", "Info"},    {E::notice, "notice", "Notice"},       {E::warning, "warning", "Warning"},
        {E::error, "error", "Error"}, {E::critical, "critical", "Critical"},
    };
};

template <>
struct orrincore_json::EnumTable<orrincore_audit::AuditCategory> {
    using E = orrincore_audit::AuditCategory;
    static constexpr EnumEntry<E> entries[] = {
        {E::authentication, "authentication", "Authentication"},
        {E::authorization, "authorization", "Authorization"},
        {E::configuration, "configuration", "Configuration"},
        {E::key_management, "key_management", "KeyManagement"},
        {E::device_management, "device_management", "DeviceManagement"},
        {E::data_access, "data_access", "DataAccess"},
        {E::service_lifecycle, "service_lifecycle", "ServiceLifecycle"},
        {E::network_exposure, "network_exposure", "NetworkExposure"},
        {E::backup, "backup", "Backup"},
        {E::restore, "restore", "Restore"},
        {E::federation, "federation", "Federation"},
        {E::policy, "policy", "Policy"},
        {E::security, "security", "Security"},
        {E::privacy, "privacy", "Privacy"},
        {E::system, "system", "System"},
    };
};

template <>
struct orrincore_json::EnumTable<orrincore_audit::ActorType>
    : orrincore_json::WordTable<orrincore_audit::ActorType, orrincore_json::actor_type_words> {};
static_assert(static_cast<std::size_t>(orrincore_audit::ActorType::unknown) + 1 ==
              std::size(orrincore_json::actor_type_words));
