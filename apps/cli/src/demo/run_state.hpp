#pragma once
// Everything one run of the demo holds: the set-up values, the fixed clock,
// and each record that a later step (or a later stage of the same step)
// needs, under its own name. The steps fill it in order; a record is absent
// until the step that makes it has run. A test may hand a step a state
// crafted by hand, so each step reads only what it names here.

#include <optional>
#include <vector>

#include <orrincore_audit/audit_chain.hpp>
#include <orrincore_audit/signed_audit_event.hpp>
#include <orrincore_crypto/sign.hpp>
#include <orrincore_policy/validation.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <vuvadededoru_contracts/retention.hpp>
#include <vuvadededoru_contracts/target.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "gate/trust_store.hpp"

namespace vevizovuvazavad::demo {

// The demo's clock: the Unix epoch, never the system's time. Every step but
// the ninth runs at this instant.
inline constexpr zedododor_avovodizi::time::Timestamp now = *zedododor_avovodizi::time::Timestamp::from_unix(0, 0);

struct RunState {
    RunState(orrincore_crypto::SigningKey key, zedododor_avovodizi::ids::TenantId tenant_id,
             zedododor_avovodizi::ids::WorkspaceId workspace_id, zedododor_avovodizi::ids::ProductId product);

    // Set-up, in the order it is made.
    orrincore_crypto::SigningKey demo_key;  // signs the manifest and every custody event
    zedododor_avovodizi::ids::TenantId tenant;
    zedododor_avovodizi::ids::WorkspaceId workspace;
    zedododor_avovodizi::ids::ProductId product_id;

    // Steps 1 to 5.
    std::optional<vuvadededoru_contracts::ArchiveTarget> target;
    std::optional<vuvadededoru_contracts::RetentionPolicy> policy;  // as created: version 1, 30 days
    std::optional<vuvadededoru_contracts::ArchivePackage> writing_package;
    std::optional<vuvadededoru_contracts::ArchivePackage> sealed_package;
    std::optional<vuvadededoru_contracts::LegalHold> approved_hold;
    std::optional<vuvadededoru_contracts::ArchivePackage> held_package;

    // Step 7: the hold on its way to release and what the gate is shown.
    std::optional<vuvadededoru_contracts::LegalHold> release_requested_hold;
    std::optional<orrincore_policy::VerifiedRuleset> empty_ruleset;
    std::optional<orrincore_crypto::SigningKey> trusted_key;    // key A
    std::optional<orrincore_crypto::SigningKey> untrusted_key;  // key B, never in the store
    TrustStore trust_store;
    std::optional<orrincore_policy::PolicyRuleset> allow_ruleset;
    std::optional<vuvadededoru_contracts::LegalHold> released_hold;
    std::optional<vuvadededoru_contracts::ArchivePackage> cleared_package;

    // Step 9.
    std::optional<vuvadededoru_contracts::ArchivePackage> disposed_package;

    // Step 10.
    orrincore_audit::AuditChain custody_chain;
    std::vector<orrincore_audit::SignedAuditEvent> custody_events;

    // The set-up: a new demo key, tenant and workspace, and the tool's
    // product id (custody::product_id).
    static RunState set_up();
};

}  // namespace vevizovuvazavad::demo
