#include "orrincore_audit/audit_event.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include <orrincore_crypto/canonical.hpp>
#include <set>
#include <string>
#include <vector>

#include "audit_fixtures.hpp"
#include "orrincore_audit/signed_audit_event.hpp"

namespace orrincore_audit {
namespace {

using orrincore_retention::RetentionClass;
using vevi_testing::at;
using vevi_testing::must;
using testing::plain_event;

// plain_event(1) in object form, and the canonical bytes it must give.
constexpr std::string_view plain_object = R"({
  "event_id": "6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f",
  "product_id": "vuvadededoru",
  "actor": {"actor_type": "service", "actor_id": "archive-engine"},
  "target": {"target_type": "legal_hold", "target_id": "hold-1"},
  "action": "legal-hold.release",
  "result": "success",
  "severity": "info",
  "category": "policy",
  "occurred_at": "2024-05-01T12:00:00Z",
  "retention_class": "operational"
})";

constexpr std::string_view plain_canonical =
    R"({"action":"legal-hold.release","actor":{"actor_id":"archive-engine","actor_type":"service"},)"
    R"("category":"policy","event_id":"6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f",)"
    R"("occurred_at":"2024-05-01T12:00:00Z","product_id":"vuvadededoru","result":"success",)"
    R"("retention_class":"operational","severity":"info",)"
    R"("target":{"target_id":"hold-1","target_type":"legal_hold"}})";

// The elements of plain_event(1) in array form, all 18 positions.
const std::vector<std::string> plain_elements = {
    R"("6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f")",
    "null",
    "null",
    R"("vuvadededoru")",
    "null",
    R"(["service","archive-engine"])",
    R"(["legal_hold","hold-1"])",
    R"("legal-hold.release")",
    R"("success")",
    R"("info")",
    R"("policy")",
    R"("2024-05-01T12:00:00Z")",
    "null",
    "null",
    "null",
    R"("operational")",
    "[]",
    "null",
};

std::string array_of(const std::vector<std::string>& elements, std::size_t count) {
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i) text += (i ? "," : "") + elements[i];
    return text + "]";
}

std::string canonical_of(std::string_view text) {
    auto event = orrincore_json::parse<AuditEvent>(text);
    if (!event) return "read error: " + event.error().message_with_position();
    return must(orrincore_crypto::canonical::to_canonical_json(*event));
}

template <class T>
std::string read_error(std::string_view text) {
    auto value = orrincore_json::parse<T>(text);
    return value ? std::string("read") : value.error().message();
}

// plain_object with `from` replaced by `to` (once).
std::string plain_with(std::string_view from, std::string_view to) {
    std::string text(plain_object);
    const auto at = text.find(from);
    if (at == std::string::npos) throw std::runtime_error("bad test edit: " + std::string(from));
    return text.replace(at, from.size(), to);
}

TEST(AuditEventCreate, DerivesSeverityFromResult) {
    const std::pair<AuditResult, Severity> table[] = {
        {AuditResult::success, Severity::info},   {AuditResult::failure, Severity::notice},
        {AuditResult::denied, Severity::notice},  {AuditResult::cancelled, Severity::info},
        {AuditResult::expired, Severity::notice}, {AuditResult::partial, Severity::info},
        {AuditResult::unknown, Severity::info},
    };
    for (const auto& [result, severity] : table) {
        auto event = AuditEvent::create(testing::product(), Actor{ActorType::user, {}, {}}, Target{"t", {}}, "a",
                                        result, AuditCategory::system, at("2024-01-01T00:00:00Z"));
        EXPECT_EQ(event.severity, severity) << orrincore_json::word(result);
    }
}

TEST(AuditEventCreate, DerivesRetentionClassFromCategory) {
    using C = AuditCategory;
    const std::pair<C, RetentionClass> table[] = {
        {C::authentication, RetentionClass::security},
        {C::authorization, RetentionClass::security},
        {C::configuration, RetentionClass::operational},
        {C::key_management, RetentionClass::security},
        {C::device_management, RetentionClass::operational},
        {C::data_access, RetentionClass::operational},
        {C::service_lifecycle, RetentionClass::operational},
        {C::network_exposure, RetentionClass::security},
        {C::backup, RetentionClass::operational},
        {C::restore, RetentionClass::operational},
        {C::federation, RetentionClass::operational},
        {C::policy, RetentionClass::operational},
        {C::security, RetentionClass::security},
        {C::privacy, RetentionClass::privacy_sensitive},
        {C::system, RetentionClass::operational},
    };
    for (const auto& [category, retention] : table) {
        auto event = AuditEvent::create(testing::product(), Actor{ActorType::user, {}, {}}, Target{"t", {}}, "a",
                                        AuditResult::success, category, at("2024-01-01T00:00:00Z"));
        EXPECT_EQ(event.retention_class, retention) << orrincore_json::word(category);
    }
}

TEST(AuditEventCreate, TakesTheArgumentsAndLeavesTheRestAbsent) {
    const auto occurred = at("2024-05-01T12:00:00Z");
    const Actor actor{ActorType::service, "archive-engine", std::nullopt};
    const Target target{"legal_hold", "hold-1"};
    const auto event = AuditEvent::create(testing::product(), actor, target, "legal-hold.release", AuditResult::denied,
                                          AuditCategory::privacy, occurred);
    EXPECT_EQ(event.product_id.to_string(), "vuvadededoru");
    EXPECT_EQ(event.actor, actor);
    EXPECT_EQ(event.target, target);
    EXPECT_EQ(event.action, "legal-hold.release");
    EXPECT_EQ(event.result, AuditResult::denied);
    EXPECT_EQ(event.severity, Severity::notice);
    EXPECT_EQ(event.category, AuditCategory::privacy);
    EXPECT_EQ(event.retention_class, RetentionClass::privacy_sensitive);
    EXPECT_EQ(event.occurred_at, occurred);
    EXPECT_FALSE(event.tenant_id || event.workspace_id || event.source_node_id || event.received_at ||
                 event.correlation_id || event.metadata_encrypted || event.previous_event_hash);
    EXPECT_TRUE(event.redaction_markers.empty());
    EXPECT_EQ(event.event_id.to_string()[14], '4');  // a version-4 id, fresh each time
    EXPECT_NE(event.event_id, AuditEvent::create(testing::product(), actor, target, "x", AuditResult::success,
                                                 AuditCategory::system, occurred)
                                  .event_id);
}

TEST(AuditEventValueForm, NewEventHasExactlyTenKeys) {
    const auto value = orrincore_json::to_value(plain_event());
    std::set<std::string> keys;
    for (const auto& [key, _] : value.items()) keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::string>{"action", "actor", "category", "event_id", "occurred_at", "product_id",
                                           "result", "retention_class", "severity", "target"}));
    EXPECT_EQ(must(orrincore_crypto::canonical::to_canonical_json(plain_event())), plain_canonical);
}

TEST(AuditEventValueForm, CanonicalBytesOfEveryFieldComeFromTheTypedRecord) {
    // Upper-case and braced ids, an offset and trailing zeros in times,
    // decomposed accents, upper-case hash hex; severity and retention class
    // that creation would not derive are kept as stored.
    constexpr std::string_view full = R"({
      "event_id": "6F1C2B4E-8D3A-4F5B-9C7E-0A1B2C3D4E5F",
      "tenant_id": "urn:uuid:11111111-2222-4333-8444-555555555555",
      "workspace_id": "{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}",
      "product_id": "vuvadededoru",
      "source_node_id": "0123456789ab4cdef0123456789abcde",
      "actor": {"actor_type": "administrator", "actor_id": "Jose\u0301", "display_name_encrypted": [0, 127, 255]},
      "target": {"target_type": "archive_package", "target_id": "pkg-7"},
      "action": "package.seal",
      "result": "denied",
      "severity": "critical",
      "category": "privacy",
      "occurred_at": "2024-05-01T14:00:00.500+02:00",
      "received_at": "2024-05-01T12:00:01.250000Z",
      "correlation_id": "Cafe\u0301",
      "metadata_encrypted": [],
      "retention_class": "legal_hold",
      "redaction_markers": [{"field_path": "actor.actor_id", "reason": "personal_data"}],
      "previous_event_hash": "blake3:ABABABABABABABABABABABABABABABABABABABABABABABABABABABABABABABAB"
    })";
    EXPECT_EQ(canonical_of(full),
              R"({"action":"package.seal","actor":{"actor_id":"José","actor_type":"administrator",)"
              R"("display_name_encrypted":[0,127,255]},"category":"privacy","correlation_id":"Café",)"
              R"("event_id":"6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f","metadata_encrypted":[],)"
              R"("occurred_at":"2024-05-01T12:00:00.5Z",)"
              R"("previous_event_hash":"blake3:abababababababababababababababababababababababababababababababab",)"
              R"("product_id":"vuvadededoru","received_at":"2024-05-01T12:00:01.25Z",)"
              R"("redaction_markers":[{"field_path":"actor.actor_id","reason":"personal_data"}],)"
              R"("result":"denied","retention_class":"legal_hold","severity":"critical",)"
              R"("source_node_id":"01234567-89ab-4cde-f012-3456789abcde",)"
              R"("target":{"target_id":"pkg-7","target_type":"archive_package"},)"
              R"("tenant_id":"11111111-2222-4333-8444-555555555555",)"
              R"("workspace_id":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"})");
}

TEST(AuditEventValueForm, SpellingOfTheFileDoesNotReachTheCanonicalBytes) {
    const std::string same[] = {
        std::string(plain_object),
        R"({"retention_class":"operational","occurred_at":"2024-05-01T12:00:00.000Z","category":{"policy":null},
            "severity":"info","result":"success","action":"legal\u002dhold.release",
            "target":["legal_hold","hold-1"],"actor":{"actor_id":"archive-engine","actor_type":"service"},
            "product_id":"vuvadededoru","event_id":"{6F1C2B4E-8D3A-4F5B-9C7E-0A1B2C3D4E5F}"})",
        plain_with(R"("product_id")", R"("tenant_id": null, "workspace_id": null, "source_node_id": null,
            "received_at": null, "correlation_id": null, "metadata_encrypted": null,
            "previous_event_hash": null, "redaction_markers": [], "product_id")"),
        plain_with(R"("action")", R"("note": {"deep": [1, "x", null]}, "action")"),
        plain_with(R"("2024-05-01T12:00:00Z")", R"("2024-05-01T14:00:00+02:00")"),
        plain_with(R"("6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f")", R"("urn:uuid:6F1C2B4E-8D3A-4F5B-9C7E-0A1B2C3D4E5F")"),
        array_of(plain_elements, 16),
        array_of(plain_elements, 18),
    };
    for (const auto& text : same) EXPECT_EQ(canonical_of(text), plain_canonical) << text;
}

TEST(AuditEventValueForm, PresentEmptyMetadataStaysAndEmptyMarkersGo) {
    const std::string with_metadata =
        plain_with(R"("retention_class")", R"("metadata_encrypted": [], "retention_class")");
    std::string expected(plain_canonical);
    expected.insert(expected.find(R"("occurred_at")"), R"("metadata_encrypted":[],)");
    EXPECT_EQ(canonical_of(with_metadata), expected);
    EXPECT_EQ(canonical_of(plain_with(R"("retention_class")", R"("redaction_markers": [], "retention_class")")),
              plain_canonical);
}

TEST(AuditEventReading, ArrayFormCutShortNamesTheFirstMissingRequiredPosition) {
    for (std::size_t count = 0; count <= plain_elements.size(); ++count) {
        const std::size_t missing = count == 0    ? 0
                                    : count <= 3  ? 3
                                    : count <= 5  ? 5
                                    : count <= 11 ? count
                                    : count <= 15 ? 15
                                                  : 0;
        const std::string text = array_of(plain_elements, count);
        if (count >= 16) EXPECT_EQ(canonical_of(text), plain_canonical) << count;
        else
            EXPECT_EQ(read_error<AuditEvent>(text),
                      "invalid length " + std::to_string(missing) + ", expected struct AuditEvent with 18 elements")
                << count;
    }
    auto with_extra = plain_elements;
    with_extra.push_back("null");
    EXPECT_EQ(read_error<AuditEvent>(array_of(with_extra, with_extra.size())), "trailing characters");
}

TEST(AuditEventReading, RefusalsCarryTheirMessages) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case events[] = {
        {R"("x")", R"(invalid type: string "x", expected struct AuditEvent)"},
        {plain_with(R"("event_id": "6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f",)", ""), "missing field `event_id`"},
        {plain_with(R"(,
  "retention_class": "operational")",
                    ""),
         "missing field `retention_class`"},
        {plain_with(R"("severity")", R"("result": "failure", "severity")"), "duplicate field `result`"},
        {plain_with(R"("retention_class")", R"("redaction_markers": null, "retention_class")"),
         "invalid type: null, expected a sequence"},
        {plain_with(R"("retention_class")", R"("metadata_encrypted": [1, 256], "retention_class")"),
         "invalid value: integer `256`, expected u8"},
        {plain_with(R"("retention_class")", R"("metadata_encrypted": [-1], "retention_class")"),
         "invalid value: integer `-1`, expected u8"},
        {plain_with(R"("retention_class")", R"("metadata_encrypted": "AQID", "retention_class")"),
         R"(invalid type: string "AQID", expected a sequence)"},
        {plain_with(R"("actor_id")", R"("display_name_encrypted": [300], "actor_id")"),
         "invalid value: integer `300`, expected u8"},
        {plain_with(R"("success")", R"("Success")"),
         "unknown variant `Success`, expected one of `success`, `failure`, `denied`, `cancelled`, `expired`, "
         "`partial`, `unknown`"},
        {plain_with(R"("service")", R"("robot")"),
         "unknown variant `robot`, expected one of `user`, `administrator`, `device`, `service`, `product`, "
         "`federation_peer`, `system`, `unknown`"},
        {plain_with(R"("info")", R"("Info")"),
         "unknown variant `Info`, expected one of `info`, `notice`, `warning`, `error`, `critical`"},
        {plain_with(R"("policy")", R"("Policy")"),
         "unknown variant `Policy`, expected one of `authentication`, `authorization`, `configuration`, "
         "`key_management`, `device_management`, `data_access`, `service_lifecycle`, `network_exposure`, "
         "`backup`, `restore`, `federation`, `policy`, `security`, `privacy`, `system`"},
        {plain_with(R"("info")", "3"), "expected value"},
        {plain_with(R"("policy")", R"({"policy": 1})"), "invalid type: integer `1`, expected unit"},
        {plain_with(R"("vuvadededoru")", R"("Not A Slug")"),
         "invalid Slug identifier: may contain only lowercase ASCII letters, digits and hyphens"},
        {plain_with(R"("6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f")", R"("nope")"),
         "UUID parsing failed: invalid character: found `n` at 0"},
        {plain_with(R"("product_id")", R"("tenant_id": 7, "product_id")"),
         "invalid type: integer `7`, expected a formatted UUID string"},
        {plain_with(R"("retention_class")", R"("previous_event_hash": "md5:00", "retention_class")"),
         "unknown or rejected algorithm: md5"},
        {plain_with(R"("legal-hold.release")", "null"), "invalid type: null, expected a string"},
    };
    for (const auto& [text, message] : events) EXPECT_EQ(read_error<AuditEvent>(text), message) << text;

    EXPECT_EQ(read_error<Actor>("5"), "invalid type: integer `5`, expected struct Actor");
    EXPECT_EQ(read_error<Actor>("[]"), "invalid length 0, expected struct Actor with 3 elements");
    EXPECT_EQ(read_error<Actor>(R"(["user", "a", [1], 1])"), "trailing characters");
    EXPECT_EQ(read_error<Actor>(R"({"actor_id": "a"})"), "missing field `actor_type`");
    EXPECT_EQ(read_error<Target>("null"), "invalid type: null, expected struct Target");
    EXPECT_EQ(read_error<Target>("[]"), "invalid length 0, expected struct Target with 2 elements");
}

TEST(AuditEventReading, ShortActorAndTargetArraysRead) {
    const auto actor = orrincore_json::parse<Actor>(R"(["service"])");
    ASSERT_TRUE(actor) << actor.error().message_with_position();
    EXPECT_EQ(*actor, (Actor{ActorType::service, std::nullopt, std::nullopt}));
    const auto target = orrincore_json::parse<Target>(R"(["legal_hold"])");
    ASSERT_TRUE(target) << target.error().message_with_position();
    EXPECT_EQ(*target, (Target{"legal_hold", std::nullopt}));
}

}  // namespace
}  // namespace orrincore_audit
