#pragma once
// The class of retained data. Stored, read, hashed and signed; nothing
// branches on it.

#include <orrincore_json/enumeration.hpp>

namespace orrincore_retention {

enum class RetentionClass {
    ephemeral,
    operational,
    security,
    compliance,
    privacy_sensitive,
    debug,
    user_controlled,
    legal_hold,
};

}  // namespace orrincore_retention

template <>
struct orrincore_json::EnumTable<orrincore_retention::RetentionClass> {
    using E = orrincore_retention::RetentionClass;
    static constexpr EnumEntry<E> entries[] = {
        {E::ephemeral, "ephemeral", "Ephemeral"},
        {E::operational, "operational", "Operational"},
        {E::security, "security", "Security"},
        {E::compliance, "compliance", "Compliance"},
        {E::privacy_sensitive, "privacy_sensitive", "PrivacySensitive"},
        {E::debug, "debug", "Debug"},
        {E::user_controlled, "user_controlled", "UserControlled"},
        {E::legal_hold, "legal_hold", "LegalHold"},
    };
};
