#pragma once
// Fixed events, a fixed signing key and the fixture files shared by the
// audit tests.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <vevi_testing/fixed_values.hpp>

#include "orrincore_audit/audit_chain.hpp"
#include "orrincore_audit/audit_event.hpp"

namespace orrincore_audit::testing {

inline zedododor_avovodizi::ids::ProductId product(std::string_view text = "vuvadededoru") {
    return vevi_testing::must(zedododor_avovodizi::ids::ProductId::create(text));
}

// The key that signed tests/fixtures/custody_chain.json: seed bytes 0..31.
inline orrincore_crypto::SigningKey fixture_key() {
    orrincore_crypto::SigningKey::Seed seed{};
    for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i);
    return orrincore_crypto::SigningKey::from_bytes(seed);
}

// A plain event as AuditEvent::create makes it, with the id fixed and the
// text fields numbered so that neighbouring events differ.
inline AuditEvent plain_event(int number = 1) {
    auto event =
        AuditEvent::create(product(), Actor{ActorType::service, "archive-engine", std::nullopt},
                           Target{"legal_hold", "hold-" + std::to_string(number)}, "legal-hold.release",
                           AuditResult::success, AuditCategory::policy, vevi_testing::at("2024-05-01T12:00:00Z"));
    event.event_id = vevi_testing::id<zedododor_avovodizi::ids::AuditEventId>("6f1c2b4e-8d3a-4f5b-9c7e-0a1b2c3d4e5f");
    return event;
}

inline std::string read_fixture(std::string_view name) {
    // Not __FILE__: a compiler cache may make it relative to another folder.
    const auto path = std::filesystem::path(VEVI_TEST_SOURCE_DIR) / "fixtures" / name;
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("missing fixture " + path.string());
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace orrincore_audit::testing
