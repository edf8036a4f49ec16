#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>

#include <orrincore_json/document.hpp>
#include <vevi_testing/fixed_values.hpp>

#include "contracts_fixture.hpp"
#include "vuvadededoru_contracts/package.hpp"

namespace vuvadededoru_contracts {
namespace {

using contracts_fixture::outcome;
using contracts_fixture::refusal;
using orrincore_crypto::ContentHash;
using vevi_testing::at;
using vevi_testing::id;
using zedododor_avovodizi::ids::KeyId;
using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::Uuid;
using zedododor_avovodizi::time::Timestamp;

const auto& kTenant = contracts_fixture::tenant;
const auto& kWorkspace = contracts_fixture::workspace;
const ProductId kProduct = *ProductId::create("ledger-app");
const Uuid kSourceRef = *Uuid::parse("55555555-5555-4555-8555-555555555555");
const ArchiveTargetId kTarget = id<ArchiveTargetId>("44444444-4444-4444-8444-444444444444");
const RetentionPolicyId kPolicy = id<RetentionPolicyId>("33333333-3333-4333-8333-333333333333");
const Timestamp kCreated = at("2024-01-01T00:00:00Z");
const Timestamp kNow = at("2024-05-05T05:05:05Z");

const ContentHash kOldHash = *ContentHash::from_str("blake3:" + std::string(64, 'a'));
const ContentHash kNewHash = *ContentHash::from_str("sha256:" + std::string(64, 'b'));
const KeyId kOldKey = id<KeyId>("66666666-6666-4666-8666-666666666666");
const KeyId kNewKey = id<KeyId>("77777777-7777-4777-8777-777777777777");
const LegalHoldId kOldHold = id<LegalHoldId>("88888888-8888-4888-8888-888888888888");
const LegalHoldId kNewHold = id<LegalHoldId>("99999999-9999-4999-8999-999999999999");

ContractResult<ArchivePackage> make(std::string label, std::string created_by) {
    return ArchivePackage::create({.tenant_id = kTenant,
                                   .workspace_id = kWorkspace,
                                   .source_product = kProduct,
                                   .source_ref = kSourceRef,
                                   .archive_target_id = kTarget,
                                   .retention_policy_id = kPolicy,
                                   .package_label = std::move(label),
                                   .created_by = std::move(created_by)},
                                  kCreated);
}

// New seal facts: `days` of retention, `chunks` chunks of one byte each.
ArchivePackage::SealFacts seal_facts(std::uint32_t days, std::uint32_t chunks = 1) {
    return {.manifest_hash = kNewHash,
            .signer_key_id = kNewKey,
            .size_bytes = chunks,
            .chunk_count = chunks,
            .retention_minimum_days = days};
}

TEST(ArchivePackageCreate, RefusesBlankTextsInOrder) {
    struct Case {
        std::string label, created_by, outcome;
    };
    const Case cases[] = {
        {" ", "\t", "field 'package_label' must not be empty"},
        {"", "alice", "field 'package_label' must not be empty"},
        {"Q1 ledgers", "   ", "field 'created_by' must not be empty"},
        {"Q1 ledgers", "\u3000", "field 'created_by' must not be empty"},
        {" Q1 ledgers ", " alice", "ok"},
    };
    for (const auto& c : cases) {
        auto package = make(c.label, c.created_by);
        EXPECT_EQ(outcome(package), c.outcome) << c.label << "|" << c.created_by;
        if (!package) continue;
        EXPECT_EQ(package->package_label, c.label);
        EXPECT_EQ(package->created_by, c.created_by);
    }
}

TEST(ArchivePackageCreate, NewPackageJson) {
    auto package = make("Q1 ledgers", "alice");
    ASSERT_TRUE(package);
    EXPECT_NE(package->id, make("Q1 ledgers", "alice")->id);
    EXPECT_EQ(orrincore_json::to_pretty(*package), R"({
  "id": ")" + package->id.to_string() + R"(",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "source_product": "ledger-app",
  "source_ref": "55555555-5555-4555-8555-555555555555",
  "archive_target_id": "44444444-4444-4444-8444-444444444444",
  "retention_policy_id": "33333333-3333-4333-8333-333333333333",
  "package_label": "Q1 ledgers",
  "status": "pending",
  "manifest_hash": null,
  "signer_key_id": null,
  "size_bytes": null,
  "chunk_count": null,
  "retention_minimum_days_at_seal": null,
  "created_by": "alice",
  "created_at": "2024-01-01T00:00:00Z",
  "sealed_at": null,
  "expires_at": null,
  "legal_hold_id": null
})");
}

// A package carrying earlier seal facts, so that every step shows it copies them.
ArchivePackage with_seal_facts(PackageStatus status, bool held) {
    ArchivePackage package = *make("Q1 ledgers", "alice");
    package.status = status;
    package.manifest_hash = kOldHash;
    package.signer_key_id = kOldKey;
    package.size_bytes = 10;
    package.chunk_count = 2;
    package.retention_minimum_days_at_seal = 400;
    package.sealed_at = at("2024-01-02T00:00:00Z");
    package.expires_at = at("2025-02-05T00:00:00Z");
    if (held) package.legal_hold_id = kOldHold;
    return package;
}

enum Step { begin_writing, seal, apply_hold, release_hold, dispose, step_count };

struct PackageStep {
    const char* name;
    std::function<ContractResult<ArchivePackage>(const ArchivePackage&)> run;
    std::function<void(ArchivePackage&)> change;  // what success changes
};

const PackageStep kSteps[step_count] = {
    {"begin_writing", [](const ArchivePackage& p) { return p.begin_writing(); },
     [](ArchivePackage& p) { p.status = PackageStatus::writing; }},
    {"seal", [](const ArchivePackage& p) { return p.seal(seal_facts(30, 0), kNow); },
     [](ArchivePackage& p) {
         p.status = PackageStatus::sealed;
         p.manifest_hash = kNewHash;
         p.signer_key_id = kNewKey;
         p.size_bytes = 0;
         p.chunk_count = 0;
         p.retention_minimum_days_at_seal = 30;
         p.sealed_at = kNow;
         p.expires_at = at("2024-06-04T05:05:05Z");
     }},
    {"apply_legal_hold", [](const ArchivePackage& p) { return p.apply_legal_hold(kNewHold); },
     [](ArchivePackage& p) { p.legal_hold_id = kNewHold; }},
    {"release_legal_hold", [](const ArchivePackage& p) { return p.release_legal_hold(); },
     [](ArchivePackage& p) { p.legal_hold_id.reset(); }},
    {"dispose", [](const ArchivePackage& p) { return p.dispose(); },
     [](ArchivePackage& p) { p.status = PackageStatus::disposed; }},
};

std::string illegal(const char* from, const char* to) {
    return std::string("illegal transition for ArchivePackage: ") + from + " -> " + to;
}

TEST(ArchivePackageSteps, EveryStatusAgainstEveryStep) {
    const std::string ok = "ok";
    const std::string held = "archive package is under an active legal hold and cannot be disposed";
    const std::string no_hold = "no active legal hold to release";
    using Outcomes = std::array<std::string, step_count>;
    struct Row {
        PackageStatus status;
        Outcomes without_hold;
        Outcomes with_hold;
    };
    const Row rows[] = {
        {PackageStatus::pending,
         {ok, illegal("pending", "sealed"), ok, no_hold, illegal("pending", "disposed")},
         {ok, illegal("pending", "sealed"), ok, ok, held}},
        {PackageStatus::writing,
         {illegal("writing", "writing"), ok, ok, no_hold, illegal("writing", "disposed")},
         {illegal("writing", "writing"), ok, ok, ok, held}},
        {PackageStatus::sealed,
         {illegal("sealed", "writing"), illegal("sealed", "sealed"), ok, no_hold, ok},
         {illegal("sealed", "writing"), illegal("sealed", "sealed"), ok, ok, held}},
        {PackageStatus::verification_failed,
         {illegal("verification_failed", "writing"), ok, ok, no_hold, illegal("verification_failed", "disposed")},
         {illegal("verification_failed", "writing"), ok, ok, ok, held}},
        {PackageStatus::retrieval_pending,
         {illegal("retrieval_pending", "writing"), ok, ok, no_hold, illegal("retrieval_pending", "disposed")},
         {illegal("retrieval_pending", "writing"), ok, ok, ok, held}},
        {PackageStatus::disposed,
         {illegal("disposed", "writing"), illegal("disposed", "sealed"), illegal("disposed", "under_legal_hold"),
          no_hold, illegal("disposed", "disposed")},
         {illegal("disposed", "writing"), illegal("disposed", "sealed"), illegal("disposed", "under_legal_hold"), ok,
          held}},
        {PackageStatus::blocked_by_policy,
         {illegal("blocked_by_policy", "writing"), illegal("blocked_by_policy", "sealed"), ok, no_hold,
          illegal("blocked_by_policy", "disposed")},
         {illegal("blocked_by_policy", "writing"), illegal("blocked_by_policy", "sealed"), ok, ok, held}},
        {PackageStatus::failed,
         {illegal("failed", "writing"), illegal("failed", "sealed"), ok, no_hold, illegal("failed", "disposed")},
         {illegal("failed", "writing"), illegal("failed", "sealed"), ok, ok, held}},
    };
    for (const auto& row : rows) {
        for (bool hold : {false, true}) {
            const Outcomes& outcomes = hold ? row.with_hold : row.without_hold;
            for (std::size_t step = 0; step < step_count; ++step) {
                const ArchivePackage input = with_seal_facts(row.status, hold);
                auto result = kSteps[step].run(input);
                SCOPED_TRACE(std::string(orrincore_json::word(row.status)) + (hold ? " held " : " ") +
                             kSteps[step].name);
                EXPECT_EQ(outcome(result), outcomes[step]);
                if (!result) continue;
                ArchivePackage expected = input;
                kSteps[step].change(expected);
                EXPECT_EQ(*result, expected);
            }
        }
    }
}

TEST(ArchivePackageSteps, IllegalTransitionCarriesItsWords) {
    const ArchivePackage sealed = with_seal_facts(PackageStatus::sealed, false);
    EXPECT_EQ(sealed.seal(seal_facts(1), kNow).error(),
              ContractError(IllegalTransition{"ArchivePackage", "sealed", "sealed"}));
    EXPECT_EQ(sealed.seal(seal_facts(1), kNow).error().message(),
              "illegal transition for ArchivePackage: sealed -> sealed");
    const ArchivePackage disposed = with_seal_facts(PackageStatus::disposed, false);
    EXPECT_EQ(disposed.apply_legal_hold(kNewHold).error().message(),
              "illegal transition for ArchivePackage: disposed -> under_legal_hold");
    EXPECT_EQ(with_seal_facts(PackageStatus::pending, true).dispose().error(), ContractError(PackageUnderLegalHold{}));
    EXPECT_EQ(with_seal_facts(PackageStatus::pending, false).release_legal_hold().error(),
              ContractError(NoActiveLegalHold{}));
}

TEST(ArchivePackageSeal, ExpiryArithmetic) {
    constexpr auto u32_max = std::numeric_limits<std::uint32_t>::max();
    struct Case {
        const char* sealed_at;
        std::uint32_t days;
        const char* expires_at;
    };
    const Case cases[] = {
        {"2024-01-01T00:00:00Z", 30, "2024-01-31T00:00:00Z"},
        {"2024-01-01T00:00:00Z", 0, "2024-01-01T00:00:00Z"},
        {"2024-01-01T00:00:00.5Z", 1, "2024-01-02T00:00:00.5Z"},
        {"2024-02-28T00:00:00Z", 1, "2024-02-29T00:00:00Z"},
        {"2024-02-29T12:00:00Z", 365, "2025-02-28T12:00:00Z"},
        {"2023-02-28T00:00:00Z", 1, "2023-03-01T00:00:00Z"},
        // 49,711 days is the first count whose seconds no longer fit 32 bits.
        {"2024-01-01T00:00:00Z", 49710, "2160-02-07T00:00:00Z"},
        {"2024-01-01T00:00:00Z", 49711, "2160-02-08T00:00:00Z"},
        // Beyond the reach of a 64-bit nanosecond count, still exact.
        {"2024-01-01T00:00:00Z", 100000, "2297-10-16T00:00:00Z"},
        {"9999-12-30T23:59:59.999999999Z", 1, "9999-12-31T23:59:59.999999999Z"},
        {"9999-12-31T00:00:00Z", 1, "9999-12-31T23:59:59.999999999Z"},
        {"9999-12-31T23:59:59Z", 0, "9999-12-31T23:59:59Z"},
        {"2024-01-01T00:00:00Z", u32_max, "9999-12-31T23:59:59.999999999Z"},
        {"0000-01-01T00:00:00Z", u32_max, "9999-12-31T23:59:59.999999999Z"},
    };
    const ArchivePackage writing = with_seal_facts(PackageStatus::writing, false);
    for (const auto& c : cases) {
        auto sealed = writing.seal(seal_facts(c.days), at(c.sealed_at));
        ASSERT_TRUE(sealed);
        ASSERT_TRUE(sealed->expires_at);
        EXPECT_EQ(sealed->expires_at->to_rfc3339(), c.expires_at) << c.sealed_at << " + " << c.days;
        EXPECT_EQ(sealed->retention_minimum_days_at_seal, c.days);
        EXPECT_EQ(sealed->sealed_at, at(c.sealed_at));
    }
}

constexpr const char* kSealedPackage = R"({
  "id": "aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa",
  "tenant_id": "11111111-1111-4111-8111-111111111111",
  "workspace_id": "22222222-2222-4222-8222-222222222222",
  "source_product": "ledger-app",
  "source_ref": "55555555-5555-4555-8555-555555555555",
  "archive_target_id": "44444444-4444-4444-8444-444444444444",
  "retention_policy_id": "33333333-3333-4333-8333-333333333333",
  "package_label": " Q1 \"ledgers\"\n",
  "status": "sealed",
  "manifest_hash": "blake3:aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
  "signer_key_id": "66666666-6666-4666-8666-666666666666",
  "size_bytes": 18446744073709551615,
  "chunk_count": 4294967295,
  "retention_minimum_days_at_seal": 4294967295,
  "created_by": "alice",
  "created_at": "2024-01-01T00:00:00Z",
  "sealed_at": "2024-01-02T00:00:00Z",
  "expires_at": "9999-12-31T23:59:59.999999999Z",
  "legal_hold_id": "88888888-8888-4888-8888-888888888888"
})";

std::string sealed_with(std::string_view from, std::string_view to) {
    return contracts_fixture::replaced(kSealedPackage, from, to);
}

TEST(ArchivePackageJson, ObjectAndArrayFormsWriteBackExactly) {
    auto package = orrincore_json::parse<ArchivePackage>(kSealedPackage);
    ASSERT_TRUE(package) << package.error().message_with_position();
    EXPECT_EQ(orrincore_json::to_pretty(*package), kSealedPackage);
    EXPECT_EQ(package->size_bytes, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(package->legal_hold_id, kOldHold);

    auto array = orrincore_json::parse<ArchivePackage>(
        R"(["aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa","11111111-1111-4111-8111-111111111111",)"
        R"("22222222-2222-4222-8222-222222222222","ledger-app","{55555555-5555-4555-8555-555555555555}",)"
        R"("44444444-4444-4444-8444-444444444444","33333333-3333-4333-8333-333333333333"," Q1 \"ledgers\"\n",)"
        R"({"sealed":null},"blake3:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA",)"
        R"("66666666-6666-4666-8666-666666666666",18446744073709551615,4294967295,4294967295,"alice",)"
        R"("2024-01-01T00:00:00Z","2024-01-02T00:00:00Z","9999-12-31T23:59:59.999999999Z",)"
        R"("88888888-8888-4888-8888-888888888888"])");
    ASSERT_TRUE(array) << array.error().message_with_position();
    EXPECT_EQ(*array, *package);  // the braced source_ref and upper-case digest included

    // Only the required keys, the status at odds with the missing seal facts.
    const char* sparse_text =
        R"({"id":"aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa","tenant_id":"11111111-1111-4111-8111-111111111111",)"
        R"("workspace_id":"22222222-2222-4222-8222-222222222222","source_product":"ledger-app",)"
        R"("source_ref":"55555555-5555-4555-8555-555555555555","archive_target_id":"44444444-4444-4444-8444-444444444444",)"
        R"("retention_policy_id":"33333333-3333-4333-8333-333333333333","package_label":"Q1","status":"sealed",)"
        R"("created_by":"alice","created_at":"2024-01-01T00:00:00Z"})";
    auto sparse = orrincore_json::parse<ArchivePackage>(sparse_text);
    ASSERT_TRUE(sparse) << sparse.error().message_with_position();
    EXPECT_EQ(sparse->manifest_hash, std::nullopt);
    EXPECT_EQ(sparse->legal_hold_id, std::nullopt);
    EXPECT_EQ(
        orrincore_json::to_compact(*sparse),
        R"({"id":"aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa","tenant_id":"11111111-1111-4111-8111-111111111111",)"
        R"("workspace_id":"22222222-2222-4222-8222-222222222222","source_product":"ledger-app",)"
        R"("source_ref":"55555555-5555-4555-8555-555555555555","archive_target_id":"44444444-4444-4444-8444-444444444444",)"
        R"("retention_policy_id":"33333333-3333-4333-8333-333333333333","package_label":"Q1","status":"sealed",)"
        R"("manifest_hash":null,"signer_key_id":null,"size_bytes":null,"chunk_count":null,)"
        R"("retention_minimum_days_at_seal":null,"created_by":"alice","created_at":"2024-01-01T00:00:00Z",)"
        R"("sealed_at":null,"expires_at":null,"legal_hold_id":null})");
}

TEST(ArchivePackageJson, Refusals) {
    const std::string statuses =
        "one of `pending`, `writing`, `sealed`, `verification_failed`, `retrieval_pending`, `disposed`, "
        "`blocked_by_policy`, `failed`";
    const std::string bad_hash = "blake3:" + std::string(63, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {sealed_with("  \"created_by\": \"alice\",\n", ""), "missing field `created_by`"},
        {sealed_with("\"id\"", "\"ids\""), "missing field `id`"},
        {sealed_with("\"sealed\"", "\"Sealed\""), "unknown variant `Sealed`, expected " + statuses},
        {sealed_with("\"ledger-app\"", "\"Ledger_App\""), ProductId::create("Ledger_App").error().message()},
        {sealed_with("\"blake3:" + std::string(64, 'a') + "\"", "\"" + bad_hash + "\""),
         ContentHash::from_str(bad_hash).error().message()},
        {sealed_with("\"55555555-5555-4555-8555-555555555555\"", "\"x\""),
         "UUID parsing failed: " + Uuid::parse("x").error().message()},
        {sealed_with("\"55555555-5555-4555-8555-555555555555\"", "5"),
         "invalid type: integer `5`, expected a formatted UUID string"},
        {sealed_with("\"chunk_count\": 4294967295", "\"chunk_count\": 4294967296"),
         "invalid value: integer `4294967296`, expected u32"},
        {sealed_with("18446744073709551615", "18446744073709551616"),
         "invalid type: floating point `18446744073709552000`, expected u64"},
        {sealed_with("\"status\": \"sealed\",", "\"status\": \"sealed\", \"status\": \"pending\","),
         "duplicate field `status`"},
        {R"(["aaaaaaaa-aaaa-4aaa-8aaa-aaaaaaaaaaaa"])",
         "invalid length 1, expected struct ArchivePackage with 19 elements"},
        {"[]", "invalid length 0, expected struct ArchivePackage with 19 elements"},
    };
    for (const auto& [input, message] : cases) EXPECT_EQ(refusal<ArchivePackage>(input), message) << input;
}

TEST(ArchivePackageEnumerations, WordsAndDebugNames) {
    contracts_fixture::expect_names<PackageStatus>({
        {PackageStatus::pending, "pending", "Pending"},
        {PackageStatus::writing, "writing", "Writing"},
        {PackageStatus::sealed, "sealed", "Sealed"},
        {PackageStatus::verification_failed, "verification_failed", "VerificationFailed"},
        {PackageStatus::retrieval_pending, "retrieval_pending", "RetrievalPending"},
        {PackageStatus::disposed, "disposed", "Disposed"},
        {PackageStatus::blocked_by_policy, "blocked_by_policy", "BlockedByPolicy"},
        {PackageStatus::failed, "failed", "Failed"},
    });
}

}  // namespace
}  // namespace vuvadededoru_contracts
