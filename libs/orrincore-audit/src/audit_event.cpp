#include "orrincore_audit/audit_event.hpp"

namespace orrincore_audit {

using orrincore_retention::RetentionClass;

Severity derived_severity(AuditResult result) {
    switch (result) {
    case AuditResult::failure:
    case AuditResult::denied:
    case AuditResult::expired: return Severity::notice;
    case AuditResult::success:
    case AuditResult::cancelled:
    case AuditResult::partial:
    case AuditResult::unknown: break;
    }
    return Severity::info;
}

RetentionClass derived_retention_class(AuditCategory category) {
    switch (category) {
    case AuditCategory::authentication:
    case AuditCategory::authorization:
    case AuditCategory::key_management:
    case AuditCategory::network_exposure:
    case AuditCategory::security: return RetentionClass::security;
    case AuditCategory::privacy: return RetentionClass::privacy_sensitive;
    case AuditCategory::configuration:
    case AuditCategory::device_management:
    case AuditCategory::data_access:
    case AuditCategory::service_lifecycle:
    case AuditCategory::backup:
    case AuditCategory::restore:
    case AuditCategory::federation:
    case AuditCategory::policy:
    case AuditCategory::system: break;
    }
    return RetentionClass::operational;
}

AuditEvent AuditEvent::create(zedododor_avovodizi::ids::ProductId product_id, Actor actor, Target target,
                              std::string_view action, AuditResult result, AuditCategory category,
                              zedododor_avovodizi::time::Timestamp occurred_at) {
    return AuditEvent{
        .event_id = zedododor_avovodizi::ids::AuditEventId::generate(),
        .tenant_id = std::nullopt,
        .workspace_id = std::nullopt,
        .product_id = std::move(product_id),
        .source_node_id = std::nullopt,
        .actor = std::move(actor),
        .target = std::move(target),
        .action = std::string(action),
        .result = result,
        .severity = derived_severity(result),
        .category = category,
        .occurred_at = occurred_at,
        .received_at = std::nullopt,
        .correlation_id = std::nullopt,
        .metadata_encrypted = std::nullopt,
        .retention_class = derived_retention_class(category),
        .redaction_markers = {},
        .previous_event_hash = std::nullopt,
    };
}

}  // namespace orrincore_audit
