// Steps 1 to 5: the records, the seal, the first two refusals and the hold.
#include <array>
#include <cstdint>

#include <fmt/format.h>
#include <orrincore_crypto/hash.hpp>
#include <orrincore_json/enumeration.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <zorizorezire_rizozi/legal_hold.hpp>
#include <zorizorezire_rizozi/sealing.hpp>
#include <zorizorezire_rizozi/verification.hpp>

#include "demo/fixed_data.hpp"
#include "demo/narration.hpp"
#include "demo/steps.hpp"

namespace vevizovuvazavad::demo {
namespace {

namespace ids = zedododor_avovodizi::ids;
using orrincore_json::debug_name;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::ChunkBytes;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::RetentionPolicy;

ChunkBytes bytes_of(std::string_view text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

}  // namespace

HandlerResult create_records(RunState& state) {
    print_title("1. Target + retention policy + package");
    auto target = vuvadededoru_contracts::ArchiveTarget::create(
        {.tenant_id = state.tenant,
         .workspace_id = state.workspace,
         .name = std::string(target_name),
         .target_type = vuvadededoru_contracts::ArchiveTargetType::test_fixture},
        now);
    if (!target) return std::unexpected(target.error().message());
    print_ok(fmt::format("archive target {} registered ({})", target->id.to_string(), debug_name(target->target_type)));

    auto policy =
        RetentionPolicy::create({.tenant_id = state.tenant,
                                 .workspace_id = state.workspace,
                                 .name = std::string(policy_name),
                                 .retention_class = orrincore_retention::RetentionClass::compliance,
                                 .minimum_retention_days = minimum_retention_days,
                                 .maximum_retention_days = maximum_retention_days,
                                 .disposition_behavior = vuvadededoru_contracts::DispositionBehavior::review_required},
                                now);
    if (!policy) return std::unexpected(policy.error().message());
    print_ok(fmt::format("retention policy {} created: minimum {}d, maximum {}d", policy->id.to_string(),
                         policy->minimum_retention_days,
                         policy->maximum_retention_days ? fmt::format("Some({})", *policy->maximum_retention_days)
                                                        : std::string("None")));

    auto package = ArchivePackage::create(
        {
            .tenant_id = state.tenant,
            .workspace_id = state.workspace,
            .source_product = state.product_id,
            .source_ref = ids::Uuid::random_v4(),
            .archive_target_id = target->id,
            .retention_policy_id = policy->id,
            .package_label = std::string(package_label),
            .created_by = std::string(package_creator),
        },
        now);
    if (!package) return std::unexpected(package.error().message());
    auto writing = package->begin_writing();
    if (!writing) return std::unexpected(writing.error().message());
    print_ok(fmt::format("archive package {} created and writing", writing->id.to_string()));

    state.target = *std::move(target);
    state.policy = *std::move(policy);
    state.writing_package = *std::move(writing);
    return {};
}

HandlerResult seal_package(RunState& state) {
    print_title("2. Seal: build a signed manifest from real chunks, then seal the package");
    const ArchivePackage& writing = state.writing_package.value();
    const RetentionPolicy& policy = state.policy.value();

    std::vector<orrincore_object::ContentDigest> digests;
    for (const auto payload : chunk_payloads)
        digests.push_back({payload.size(), orrincore_crypto::hash::blake3_hash(payload)});
    auto seal = zorizorezire_rizozi::sealing::seal_over_chunks(writing, std::move(digests), state.demo_key,
                                                               policy.minimum_retention_days, now);
    if (!seal) return std::unexpected(seal.error().message());
    const auto& manifest = seal->manifest.manifest;
    print_ok(fmt::format("manifest signed: {} chunk(s), {} bytes, hash {}", manifest.object_refs.size(),
                         manifest.total_size_bytes, seal->manifest_hash.to_string()));
    if (!seal->package) return std::unexpected(seal->package.error().message());
    const ArchivePackage& sealed = *seal->package;
    print_ok(fmt::format("package {} sealed, expires {}", sealed.id.to_string(),
                         sealed.expires_at ? sealed.expires_at->to_rfc3339() : std::string()));

    namespace verification = zorizorezire_rizozi::verification;
    if (auto verified = verification::verify_package_integrity(sealed, seal->manifest, state.demo_key.verifying_key());
        !verified) {
        return std::unexpected(verified.error().message());
    }
    std::array<ChunkBytes, chunk_payloads.size()> chunks;
    for (std::size_t i = 0; i < chunks.size(); ++i) chunks[i] = bytes_of(chunk_payloads[i]);
    if (auto intact = verification::verify_chunk_integrity(seal->manifest.manifest, chunks); !intact) {
        return std::unexpected(intact.error().message());
    }
    print_ok("signature verifies, manifest hash matches the sealed package, chunk integrity confirmed");

    state.sealed_package = sealed;
    return {};
}

HandlerResult refuse_reseal(RunState& state) {
    print_title("3. Refusal path — mutating a sealed archive");
    const ArchivePackage& sealed = state.sealed_package.value();
    auto resealed = sealed.seal(
        {
            .manifest_hash = orrincore_crypto::hash::blake3_hash(tamper_payload),
            .signer_key_id = ids::KeyId::generate(),
            .size_bytes = 1,
            .chunk_count = 1,
            .retention_minimum_days = 1,
        },
        now);
    if (resealed) return std::unexpected(std::string("BUG: re-sealing an already-sealed package must be refused"));
    refused("attempted to re-seal an already-sealed package", resealed.error());
    return {};
}

HandlerResult refuse_shortened_retention(RunState& state) {
    print_title("4. Refusal path — retroactively shortening retention");
    const RetentionPolicy& policy = state.policy.value();
    auto shortened = policy.extend_minimum_retention(shortened_minimum_days, now);
    if (shortened) return std::unexpected(std::string("BUG: shortening retention must be refused"));
    refused("attempted to shorten minimum retention from 30d to 7d", shortened.error());

    auto extended = policy.extend_minimum_retention(extended_minimum_days, now);
    if (!extended) return std::unexpected(extended.error().message());
    print_ok(fmt::format("legitimately extended policy minimum: {}d -> {}d (version {})", policy.minimum_retention_days,
                         extended->minimum_retention_days, extended->version));
    print_ok(fmt::format(
        "package's own captured retention ({}d) is untouched by the policy edit — it was sealed under the old policy",
        state.sealed_package.value().retention_minimum_days_at_seal.value_or(0)));
    return {};
}

HandlerResult place_legal_hold(RunState& state) {
    print_title("5. Legal hold: request, approve, assign to the package");
    auto hold = LegalHold::create(
        {
            .tenant_id = state.tenant,
            .workspace_id = state.workspace,
            .name = std::string(hold_name),
            .scope = std::string(hold_scope),
            .reason_code = vuvadededoru_contracts::LegalHoldReasonCode::litigation,
            .requested_by = std::string(hold_requester),
        },
        now);
    if (!hold) return std::unexpected(hold.error().message());
    auto approved = hold->approve(std::string(approver), now);
    if (!approved) return std::unexpected(approved.error().message());
    print_ok(fmt::format("legal hold {} is {}", approved->id.to_string(), debug_name(approved->status)));

    auto held = zorizorezire_rizozi::legal_hold::assign_legal_hold(*approved, state.sealed_package.value());
    if (!held) return std::unexpected(held.error().message());
    print_ok(fmt::format("package {} is now under legal hold", held->id.to_string()));

    state.approved_hold = *std::move(approved);
    state.held_package = *std::move(held);
    return {};
}

}  // namespace vevizovuvazavad::demo
