#include <algorithm>
#include <array>
#include <optional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <vuvadededoru_contracts/retention.hpp>
#include <vuvadededoru_contracts/target.hpp>
#include <zorizorezire_rizozi/sealing.hpp>
#include <zorizorezire_rizozi/verification.hpp>

#include "commands/given_or_fresh.hpp"
#include "commands/package.hpp"
#include "files/chunk_file.hpp"
#include "files/record_file.hpp"
#include "files/seed_file.hpp"
#include "output/report.hpp"
#include "system/write_entry.hpp"

namespace vevizovuvazavad {
namespace {

using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::ArchiveTarget;
using vuvadededoru_contracts::RetentionPolicy;
using vuvadededoru_contracts::SealedManifest;
using zedododor_avovodizi::ids::ProductId;
using zedododor_avovodizi::ids::Uuid;
using zedododor_avovodizi::time::Timestamp;
namespace sealing = zorizorezire_rizozi::sealing;
namespace verification = zorizorezire_rizozi::verification;

HandlerResult run(const Cli& cli, const PackageCommand::New& command) {
    auto target = files::read_json<ArchiveTarget>(command.target);
    if (!target) return std::unexpected(std::move(target).error());
    auto policy = files::read_json<RetentionPolicy>(command.policy);
    if (!policy) return std::unexpected(std::move(policy).error());
    const auto tenant = given_or_fresh(command.tenant);
    const auto workspace = given_or_fresh(command.workspace);
    auto source_product = ProductId::create(command.source_product);
    if (!source_product) return std::unexpected(source_product.error().message());
    const auto source_ref = Uuid::random_v4();
    const auto now = Timestamp::now();
    auto package = ArchivePackage::create({.tenant_id = tenant,
                                           .workspace_id = workspace,
                                           .source_product = std::move(*source_product),
                                           .source_ref = source_ref,
                                           .archive_target_id = target->id,
                                           .retention_policy_id = policy->id,
                                           .package_label = command.label,
                                           .created_by = command.created_by},
                                          now);
    if (!package) return std::unexpected(package.error().message());
    return output::write_and_emit(cli.output_form(), command.out, *package,
                                  fmt::format("archive package {} created (pending)", package->id.to_string()));
}

// The seal over the chunk files, in the order given, each file hashed as it
// is read; the first file that cannot be read ends the walk.
std::expected<sealing::PackageSeal, std::string> seal_chunk_files(const ArchivePackage& writing,
                                                                  const std::vector<std::string>& paths,
                                                                  const orrincore_crypto::SigningKey& key,
                                                                  std::uint32_t retention_days, Timestamp now) {
    auto digests = files::digest_chunk_files(paths, [](std::size_t) { return files::ChunkReading{}; });
    if (!digests) return std::unexpected(std::move(digests).error());
    auto seal = sealing::seal_over_chunks(writing, *std::move(digests), key, retention_days, now);
    if (!seal) return std::unexpected(seal.error().message());
    return *std::move(seal);
}

// An output that names what the seal stands on would destroy it: the
// package written over its own manifest would say sealed against a manifest
// that no longer exists and can never be rebuilt; over the seed, the only
// copy of the signing key would be gone; over a chunk, archived content,
// and the package could never verify again.
HandlerResult refuse_outputs_over_inputs(const PackageCommand::Seal& command) {
    const std::array<std::optional<system::WriteEntry>, 2> outputs = {system::WriteEntry::of(command.out_package),
                                                                      system::WriteEntry::of(command.out_manifest)};
    constexpr std::array<const char*, 2> options = {"--out-package", "--out-manifest"};
    if (outputs[0] && outputs[0] == outputs[1])
        return std::unexpected("--out-package and --out-manifest must name different files");
    // Each chunk file is looked at once for both outputs, and only when an
    // output already holds a file that it could be.
    std::array<bool, 2> over_chunk = {false, false};
    if (std::ranges::any_of(outputs, [](const auto& output) { return output && output->has_file(); })) {
        for (const auto& chunk : command.chunks) {
            const auto file = system::FileAtPath::of(chunk);
            if (!file) continue;
            for (std::size_t i = 0; i < outputs.size(); ++i)
                over_chunk[i] = over_chunk[i] || (outputs[i] && outputs[i]->holds(*file));
        }
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!outputs[i]) continue;
        if (outputs[i]->holds_file_at(command.key_file))
            return std::unexpected(fmt::format("{} must not name the --key-file seed file", options[i]));
        if (over_chunk[i]) return std::unexpected(fmt::format("{} must not name a --chunk file", options[i]));
    }
    return {};
}

HandlerResult run(const Cli& cli, const PackageCommand::Seal& command) {
    auto package = files::read_json<ArchivePackage>(command.package);
    if (!package) return std::unexpected(std::move(package).error());
    auto policy = files::read_json<RetentionPolicy>(command.policy);
    if (!policy) return std::unexpected(std::move(policy).error());
    if (policy->id != package->retention_policy_id)
        return std::unexpected("supplied policy does not match the package's retention_policy_id");
    const auto key = files::read_seed_file(command.key_file);
    if (!key) return std::unexpected(key.error());
    const auto now = Timestamp::now();
    // Refuses a package that is not pending before any chunk file is opened.
    auto writing = package->begin_writing();
    if (!writing) return std::unexpected(writing.error().message());
    if (auto refused = refuse_outputs_over_inputs(command); !refused) return refused;

    auto seal = seal_chunk_files(*writing, command.chunks, *key, policy->minimum_retention_days, now);
    if (!seal) return std::unexpected(std::move(seal).error());
    if (!seal->package) return std::unexpected(seal->package.error().message());
    const ArchivePackage& sealed = *seal->package;

    // Both files are written before either is renamed, and the manifest is
    // renamed first: a package file that says sealed must never name a
    // manifest that was not written, since a seal with fresh ids and times
    // cannot be rebuilt. If either write fails, neither file changes, and
    // the seal can be run again.
    const std::array documents = {files::record_document(command.out_manifest, seal->manifest),
                                  files::record_document(command.out_package, sealed)};
    if (auto written = files::write_record_documents(documents); !written) return written;
    output::emit(cli.output_form(), sealed,
                 fmt::format("package {} sealed: {} chunk(s), {} bytes, expires {}", sealed.id.to_string(),
                             *sealed.chunk_count, *sealed.size_bytes, sealed.expires_at->to_rfc3339()));
    return {};
}

HandlerResult run(const Cli& cli, const PackageCommand::Verify& command) {
    auto package = files::read_json<ArchivePackage>(command.package);
    if (!package) return std::unexpected(std::move(package).error());
    auto sealed = files::read_json<SealedManifest>(command.manifest);
    if (!sealed) return std::unexpected(std::move(sealed).error());
    const auto key = files::read_seed_file(command.key_file);
    if (!key) return std::unexpected(key.error());
    if (auto verified = verification::verify_package_integrity(*package, *sealed, key->verifying_key()); !verified)
        return std::unexpected(verified.error().message());
    if (!command.chunks.empty()) {
        // Every file is read before any is checked: a file that cannot be
        // read is reported ahead of a mismatch of an earlier chunk.
        const auto& manifest = sealed->manifest;
        // A file longer than its reference records is read only that far
        // and one byte more: it cannot match, and /dev/zero would never end.
        // One beyond the manifest's count is opened but not read, since the
        // count decides; one that cannot be opened is still reported.
        auto digests = files::digest_chunk_files(command.chunks, [&](std::size_t index) {
            if (index >= manifest.object_refs.size()) return files::ChunkReading{.open_only = true};
            const auto& reference = manifest.object_refs[index];
            return files::ChunkReading{reference.content_hash.algorithm, reference.ciphertext_size};
        });
        if (!digests) return std::unexpected(std::move(digests).error());
        if (auto checked = verification::verify_chunk_digests(manifest, *digests); !checked)
            return std::unexpected(checked.error().message());
    }
    const nlohmann::json result = {{"chunks_checked", command.chunks.size()}, {"verified", true}};
    const std::string chunks_checked =
        command.chunks.empty() ? "" : fmt::format(", {} chunk(s) integrity ok", command.chunks.size());
    output::emit(cli.output_form(), result,
                 fmt::format("package {} verified: signature ok, manifest hash matches{}", package->id.to_string(),
                             chunks_checked));
    return {};
}

HandlerResult run(const Cli& cli, const PackageCommand::Show& command) {
    auto package = files::read_json<ArchivePackage>(command.package);
    if (!package) return std::unexpected(std::move(package).error());
    output::emit(cli.output_form(), *package,
                 fmt::format("{} status={} under_hold={}", package->id.to_string(),
                             orrincore_json::word(package->status), package->legal_hold_id.has_value()));
    return {};
}

}  // namespace

HandlerResult run_package(const Cli& cli, const PackageCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
