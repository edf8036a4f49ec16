#pragma once
// A redaction inside an audit event: which field, why, and optionally under
// which policy, when and by whom.

#include <optional>
#include <string>

#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace orrincore_redaction {

enum class RedactionReason {
    personal_data,
    secret,
    location,
    user_content,
    policy_required,
    subject_request,
    audience_restricted,
    oversized,
};

struct RedactionMarker {
    std::string field_path;
    RedactionReason reason;
    std::optional<zedododor_avovodizi::ids::PolicyId> redaction_policy_id;
    std::optional<zedododor_avovodizi::time::Timestamp> applied_at;
    std::optional<zedododor_avovodizi::ids::IdentityId> applied_by;

    bool operator==(const RedactionMarker&) const = default;
};

}  // namespace orrincore_redaction

template <>
struct orrincore_json::EnumTable<orrincore_redaction::RedactionReason> {
    using E = orrincore_redaction::RedactionReason;
    static constexpr EnumEntry<E> entries[] = {
        {E::personal_data, "personal_data", "PersonalData"},
        {E::secret, "secret", "Secret"},
        {E::location, "location", "Location"},
        {E::user_content, "user_content", "UserContent"},
        {E::policy_required, "policy_required", "PolicyRequired"},
        {E::subject_request, "subject_request", "SubjectRequest"},
        {E::audience_restricted, "audience_restricted", "AudienceRestricted"},
        {E::oversized, "oversized", "Oversized"},
    };
};

template <>
struct orrincore_json::Json<orrincore_redaction::RedactionMarker>
    : orrincore_json::RecordJson<orrincore_redaction::RedactionMarker> {
    using R = orrincore_redaction::RedactionMarker;
    static constexpr std::string_view name = "RedactionMarker";
    static constexpr auto fields = std::tuple{
        required("field_path", &R::field_path),
        required("reason", &R::reason),
        omittable("redaction_policy_id", &R::redaction_policy_id),
        omittable("applied_at", &R::applied_at),
        omittable("applied_by", &R::applied_by),
    };
};
