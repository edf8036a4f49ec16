#pragma once
// An audit event: an actor performed an action on a target, with an outcome,
// at a time. Its canonical bytes, made from the typed record and never from
// the text it was read from, are what the audit chain hashes and signs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/json.hpp>
#include <orrincore_json/record.hpp>
#include <orrincore_redaction/redaction_marker.hpp>
#include <orrincore_retention/retention_class.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "orrincore_audit/enumerations.hpp"

namespace orrincore_audit {

// Opaque bytes carried unchanged; this system never reads their content.
using EncryptedBytes = std::vector<std::uint8_t>;

struct Actor {
    ActorType actor_type;
    std::optional<std::string> actor_id;
    std::optional<EncryptedBytes> display_name_encrypted;

    bool operator==(const Actor&) const = default;
};

struct Target {
    std::string target_type;
    std::optional<std::string> target_id;

    bool operator==(const Target&) const = default;
};

struct AuditEvent {
    zedododor_avovodizi::ids::AuditEventId event_id;
    std::optional<zedododor_avovodizi::ids::TenantId> tenant_id;
    std::optional<zedododor_avovodizi::ids::WorkspaceId> workspace_id;
    zedododor_avovodizi::ids::ProductId product_id;
    std::optional<zedododor_avovodizi::ids::NodeId> source_node_id;
    Actor actor;
    Target target;
    std::string action;
    AuditResult result;
    Severity severity;
    AuditCategory category;
    zedododor_avovodizi::time::Timestamp occurred_at;
    std::optional<zedododor_avovodizi::time::Timestamp> received_at;
    std::optional<std::string> correlation_id;
    std::optional<EncryptedBytes> metadata_encrypted;
    orrincore_retention::RetentionClass retention_class;
    std::vector<orrincore_redaction::RedactionMarker> redaction_markers;
    std::optional<orrincore_crypto::ContentHash> previous_event_hash;

    // A new event with a fresh random id, the severity derived from `result`
    // and the retention class from `category`; every optional field absent,
    // no redaction markers. Cannot fail.
    static AuditEvent create(zedododor_avovodizi::ids::ProductId product_id, Actor actor, Target target,
                             std::string_view action, AuditResult result, AuditCategory category,
                             zedododor_avovodizi::time::Timestamp occurred_at);

    bool operator==(const AuditEvent&) const = default;
};

// "notice" for failure, denied and expired; "info" otherwise.
Severity derived_severity(AuditResult result);

// "security" for authentication, authorization, key management, network
// exposure and security; "privacy_sensitive" for privacy; "operational"
// otherwise.
orrincore_retention::RetentionClass derived_retention_class(AuditCategory category);

}  // namespace orrincore_audit

// One field table serves reading, the text writers and the value form
// (orrincore_json::to_value): absent options and an empty marker list leave
// their key out; a present byte string is written even when empty. The
// canonical bytes of an event, what the audit chain hashes and signs, are
// orrincore_crypto::canonical::to_canonical_json(event); they fail only with
// CanonicalSerialization (a text that is not UTF-8, say).
template <>
struct orrincore_json::Json<orrincore_audit::Actor> : orrincore_json::RecordJson<orrincore_audit::Actor> {
    using R = orrincore_audit::Actor;
    static constexpr std::string_view name = "Actor";
    static constexpr auto fields = std::tuple{
        required("actor_type", &R::actor_type),
        omittable("actor_id", &R::actor_id),
        omittable("display_name_encrypted", &R::display_name_encrypted),
    };
};

template <>
struct orrincore_json::Json<orrincore_audit::Target> : orrincore_json::RecordJson<orrincore_audit::Target> {
    using R = orrincore_audit::Target;
    static constexpr std::string_view name = "Target";
    static constexpr auto fields = std::tuple{
        required("target_type", &R::target_type),
        omittable("target_id", &R::target_id),
    };
};

template <>
struct orrincore_json::Json<orrincore_audit::AuditEvent> : orrincore_json::RecordJson<orrincore_audit::AuditEvent> {
    using R = orrincore_audit::AuditEvent;
    static constexpr std::string_view name = "AuditEvent";
    static constexpr auto fields = std::tuple{
        required("event_id", &R::event_id),
        omittable("tenant_id", &R::tenant_id),
        omittable("workspace_id", &R::workspace_id),
        required("product_id", &R::product_id),
        omittable("source_node_id", &R::source_node_id),
        required("actor", &R::actor),
        required("target", &R::target),
        required("action", &R::action),
        required("result", &R::result),
        required("severity", &R::severity),
        required("category", &R::category),
        required("occurred_at", &R::occurred_at),
        omittable("received_at", &R::received_at),
        omittable("correlation_id", &R::correlation_id),
        omittable("metadata_encrypted", &R::metadata_encrypted),
        required("retention_class", &R::retention_class),
        omittable_empty("redaction_markers", &R::redaction_markers),
        omittable("previous_event_hash", &R::previous_event_hash),
    };
};
