#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <orrincore_crypto/hasher.hpp>
#include <vuvadededoru_contracts/manifest.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <vuvadededoru_contracts/retention.hpp>
#include <vuvadededoru_contracts/target.hpp>

#include "files/chunk_file.hpp"
#include "files/record_file.hpp"
#include "key_fixtures.hpp"
#include "run_tool.hpp"

namespace {

using orrincore_crypto::HashAlgorithm;
using vevizovuvazavad::testing::key_from_seed;
using vevizovuvazavad::testing::RunOptions;
using vevizovuvazavad::testing::RunResult;
using vevizovuvazavad::testing::ToolFolder;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::ArchiveTarget;
using vuvadededoru_contracts::PackageStatus;
using vuvadededoru_contracts::RetentionPolicy;
using vuvadededoru_contracts::SealedManifest;
using Args = std::vector<std::string>;
namespace hash = orrincore_crypto::hash;

template <class Record>
Record record_in(const ToolFolder& folder, std::string_view name) {
    auto record = vevizovuvazavad::files::read_json<Record>(folder / name);
    EXPECT_TRUE(record) << record.error();
    return *record;
}

void expect_refused(const RunResult& run, std::string_view message) {
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, fmt::format("error: {}\n", message));
}

#define ASSERT_RAN(run)                                    \
    do {                                                   \
        const RunResult& ran_ = (run);                     \
        ASSERT_EQ(ran_.status, 0) << ran_.err << ran_.out; \
    } while (false)

// The seed file key.seed holds this key.
const auto signing_key = key_from_seed(7);

std::string seed_text(std::uint8_t first_byte) { return fmt::format("{:02x}{}", first_byte, std::string(62, '0')); }

// A folder with a target (t.json), a policy of `minimum_days` (p.json), the
// seed file key.seed, a pending package of both (pkg.json) and two chunk
// files: a.bin with some bytes, empty.bin with none.
class Archive {
public:
    explicit Archive(std::uint32_t minimum_days = 30) {
        folder.write("key.seed", seed_text(7));
        folder.write("a.bin", "first chunk\n");
        folder.write("empty.bin", "");
        ran(folder.run({"target", "new", "--name", "vault", "--target-type", "local_filesystem", "--out", "t.json"}));
        ran(folder.run({"retention", "new", "--name", "mail", "--class", "compliance", "--min-days",
                        std::to_string(minimum_days), "--out", "p.json"}));
        ran(folder.run({"package", "new", "--target", "t.json", "--policy", "p.json", "--source-product", "mail-store",
                        "--label", "mail 2024", "--created-by", "archivist", "--out", "pkg.json"}));
    }

    RunResult seal(const Args& chunks, std::string_view package = "pkg.json", std::string_view out_package = "s.json",
                   std::string_view out_manifest = "m.json") const {
        Args args = {"package",  "seal",   "--package",  std::string(package),
                     "--policy", "p.json", "--key-file", "key.seed"};
        for (const auto& chunk : chunks) args.insert(args.end(), {"--chunk", chunk});
        args.insert(args.end(),
                    {"--out-package", std::string(out_package), "--out-manifest", std::string(out_manifest)});
        return folder.run(args);
    }

    RunResult verify(const Args& chunks, std::string_view package = "s.json", std::string_view manifest = "m.json",
                     std::string_view key = "key.seed") const {
        Args args = {
            "package",    "verify",        "--package", std::string(package), "--manifest", std::string(manifest),
            "--key-file", std::string(key)};
        for (const auto& chunk : chunks) args.insert(args.end(), {"--chunk", chunk});
        return folder.run(args);
    }

    ArchivePackage package(std::string_view name = "pkg.json") const { return record_in<ArchivePackage>(folder, name); }
    SealedManifest manifest(std::string_view name = "m.json") const { return record_in<SealedManifest>(folder, name); }

    ToolFolder folder;

private:
    static void ran(const RunResult& run) { EXPECT_EQ(run.status, 0) << run.err; }
};

TEST(PackageNew, WritesAPendingPackageOfTheTargetAndPolicy) {
    Archive archive;
    const auto& folder = archive.folder;
    const auto target = record_in<ArchiveTarget>(folder, "t.json");
    const auto policy = record_in<RetentionPolicy>(folder, "p.json");
    const auto created =
        folder.run({"package", "new", "--target", "t.json", "--policy", "p.json", "--source-product", "mail-store",
                    "--label", " Mail ", "--created-by", "Ana", "--tenant", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}",
                    "--workspace", "0e7f4b1a2c3d4e5f8a9b0c1d2e3f4a5b", "--out", "new.json"});
    ASSERT_RAN(created);
    const auto package = archive.package("new.json");
    EXPECT_EQ(created.out, fmt::format("archive package {} created (pending)\n", package.id.to_string()));
    EXPECT_EQ(created.err, "");
    EXPECT_EQ(folder.read("new.json"), orrincore_json::to_pretty(package));
    EXPECT_EQ(package.tenant_id.to_string(), "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    EXPECT_EQ(package.workspace_id.to_string(), "0e7f4b1a-2c3d-4e5f-8a9b-0c1d2e3f4a5b");
    EXPECT_EQ(package.source_product.to_string(), "mail-store");
    EXPECT_EQ(package.archive_target_id, target.id);
    EXPECT_EQ(package.retention_policy_id, policy.id);
    EXPECT_EQ(package.package_label, " Mail ");
    EXPECT_EQ(package.created_by, "Ana");
    EXPECT_EQ(package.status, PackageStatus::pending);
    EXPECT_EQ(package.manifest_hash, std::nullopt);
    EXPECT_EQ(package.sealed_at, std::nullopt);
    EXPECT_EQ(package.legal_hold_id, std::nullopt);

    // Without --tenant and --workspace both are fresh, taken from neither
    // the target nor the policy; with --json the record is printed.
    const auto fresh =
        folder.run({"--json", "package", "new", "--target", "t.json", "--policy", "p.json", "--source-product",
                    "mail-store", "--label", "l", "--created-by", "c", "--out", "fresh.json"});
    ASSERT_RAN(fresh);
    const auto other = archive.package("fresh.json");
    EXPECT_EQ(fresh.out, orrincore_json::to_compact(other) + "\n");
    for (const auto& id : {target.tenant_id, policy.tenant_id, package.tenant_id}) EXPECT_NE(other.tenant_id, id);
    for (const auto& id : {target.workspace_id, policy.workspace_id, package.workspace_id})
        EXPECT_NE(other.workspace_id, id);
    EXPECT_NE(other.source_ref, package.source_ref);
}

// Each refusal in the order the command tests: the target file, the policy
// file, the source product, the label, the creator, the output. Nothing is
// written.
TEST(PackageNew, RefusalsInOrder) {
    Archive archive;
    auto& folder = archive.folder;
    folder.write("empty.json", "");
    struct Case {
        Args changes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--target", "missing.json", "--policy", "missing.json"},
         "missing.json: No such file or directory (os error 2)"},
        {{"--target", "empty.json", "--source-product", ""},
         "empty.json: parse error: EOF while parsing a value at line 1 column 0"},
        {{"--target", "p.json"}, "p.json: parse error: missing field `target_type` at line 15 column 1"},
        {{"--policy", "a.bin", "--source-product", "Mail"}, "a.bin: parse error: expected ident at line 1 column 2"},
        {{"--source-product", "Mail", "--label", " "},
         "invalid Slug identifier: may contain only lowercase ASCII letters, digits and hyphens"},
        {{"--source-product", ""}, "invalid Slug identifier: must not be empty"},
        {{"--source-product", "mail--store"}, "invalid Slug identifier: must not contain consecutive hyphens"},
        {{"--label", " \t", "--created-by", ""}, "field 'package_label' must not be empty"},
        {{"--created-by", " ", "--out", "missing/new.json"}, "field 'created_by' must not be empty"},
        {{"--out", "missing/new.json"}, "missing/new.json: No such file or directory (os error 2)"},
    };
    const auto before = folder.entries();
    for (const auto& c : cases) {
        Args args = {"package",    "new",     "--target", "t.json",       "--policy", "p.json", "--source-product",
                     "mail-store", "--label", "l",        "--created-by", "c",        "--out",  "new.json"};
        for (std::size_t i = 0; i < c.changes.size(); i += 2)
            *(std::find(args.begin(), args.end(), c.changes[i]) + 1) = c.changes[i + 1];
        SCOPED_TRACE(fmt::format("{}", fmt::join(args, " ")));
        expect_refused(folder.run(args), c.message);
        EXPECT_EQ(folder.entries(), before);
    }
}

TEST(PackageSeal, SealsAgainstASignedManifestOfTheChunks) {
    Archive archive;
    const auto& folder = archive.folder;
    const auto pending = archive.package();
    const auto before = folder.entries();
    const auto sealed_run = archive.seal({"a.bin", "empty.bin", "a.bin"});
    ASSERT_RAN(sealed_run);
    const auto package = archive.package("s.json");
    const auto sealed = archive.manifest("m.json");
    const auto& manifest = sealed.manifest;
    const auto sealed_at = *package.sealed_at;
    const auto expires = sealed_at.saturating_add_seconds(30 * 86400);
    EXPECT_EQ(sealed_run.out, fmt::format("package {} sealed: 3 chunk(s), 24 bytes, expires {}\n",
                                          package.id.to_string(), expires.to_rfc3339()));
    EXPECT_EQ(sealed_run.err, "");

    // The package: the pending one with the seal facts of this manifest.
    auto expected = pending;
    expected.status = PackageStatus::sealed;
    expected.manifest_hash = manifest.manifest_hash().value();
    expected.signer_key_id = sealed.signer_key_id;
    expected.size_bytes = 24;
    expected.chunk_count = 3;
    expected.retention_minimum_days_at_seal = 30;
    expected.sealed_at = sealed_at;
    expected.expires_at = expires;
    EXPECT_EQ(package, expected);
    EXPECT_EQ(folder.read("s.json"), orrincore_json::to_pretty(package));
    EXPECT_EQ(folder.read("m.json"), orrincore_json::to_pretty(sealed));

    // The manifest: one reference per chunk in command-line order, each with
    // its own object id, signed by the key of the seed file.
    EXPECT_EQ(manifest.archive_package_id, pending.id);
    EXPECT_EQ(manifest.tenant_id, pending.tenant_id);
    EXPECT_EQ(manifest.workspace_id, pending.workspace_id);
    EXPECT_EQ(manifest.source_product, pending.source_product);
    EXPECT_EQ(manifest.retention_policy_id, pending.retention_policy_id);
    EXPECT_EQ(manifest.manifest_version, 1);
    EXPECT_EQ(manifest.total_size_bytes, 24u);
    EXPECT_FALSE(manifest.legal_hold_active_at_seal);
    EXPECT_EQ(manifest.created_at, sealed_at);
    EXPECT_EQ(manifest.sealed_at, sealed_at);
    ASSERT_EQ(manifest.object_refs.size(), 3u);
    const std::vector<std::string> contents = {"first chunk\n", "", "first chunk\n"};
    for (std::size_t i = 0; i < contents.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& ref = manifest.object_refs[i];
        EXPECT_EQ(ref.content_hash, hash::blake3_hash(contents[i]));
        EXPECT_EQ(ref.ciphertext_size, contents[i].size());
        EXPECT_EQ(ref.tenant_id, pending.tenant_id);
        EXPECT_EQ(ref.workspace_id, pending.workspace_id);
        EXPECT_EQ(ref.product_id, pending.source_product);
        EXPECT_EQ(ref.object_kind, orrincore_object::ObjectKind::archive_object);
        EXPECT_EQ(ref.created_at, sealed_at);
        EXPECT_EQ(ref.storage_backend_hint, std::nullopt);
        EXPECT_EQ(ref.manifest_hash, std::nullopt);
        EXPECT_EQ(ref.expires_at, std::nullopt);
    }
    EXPECT_EQ(manifest.object_refs[1].content_hash.to_string(),
              "blake3:af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262");
    EXPECT_NE(manifest.object_refs[0].object_id, manifest.object_refs[2].object_id);
    EXPECT_TRUE(sealed.verify(signing_key.verifying_key()));

    // Inputs stay as they were; the two outputs are new.
    auto now = before;
    now.insert(now.end(), {"m.json", "s.json"});
    std::sort(now.begin(), now.end());
    EXPECT_EQ(folder.entries(), now);
    EXPECT_EQ(archive.package(), pending);
}

// Content longer than one read of the buffer, read in several pieces, hashes
// as the whole; so does a device that reads as empty.
TEST(PackageSeal, ChunksLongerThanOneReadAndDevices) {
    Archive archive;
    std::string large(2 * vevizovuvazavad::files::chunk_read_size + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 131 + i / 4096);
    archive.folder.write("large.bin", large);
    ASSERT_RAN(archive.seal({"large.bin", "/dev/null"}));
    const auto refs = archive.manifest().manifest.object_refs;
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0].content_hash, hash::blake3_hash(large));
    EXPECT_EQ(refs[0].ciphertext_size, large.size());
    EXPECT_EQ(refs[1].content_hash, hash::blake3_hash(std::string_view()));
    EXPECT_EQ(refs[1].ciphertext_size, 0u);
    ASSERT_RAN(archive.verify({"large.bin", "/dev/null"}));
}

TEST(PackageSeal, LegalHoldZeroDaysAndJson) {
    Archive archive(0);
    std::string held = archive.folder.read("pkg.json");
    held.replace(held.find("\"legal_hold_id\": null"), 21,
                 "\"legal_hold_id\": \"11111111-2222-4333-8444-555555555555\"");
    archive.folder.write("held.json", held);
    Args args = {"--json",   "package", "seal",  "--package",     "held.json", "--policy",       "p.json", "--key-file",
                 "key.seed", "--chunk", "a.bin", "--out-package", "s.json",    "--out-manifest", "m.json"};
    const auto sealed_run = archive.folder.run(args);
    ASSERT_RAN(sealed_run);
    const auto package = archive.package("s.json");
    EXPECT_EQ(sealed_run.out, orrincore_json::to_compact(package) + "\n");
    EXPECT_TRUE(archive.manifest().manifest.legal_hold_active_at_seal);
    EXPECT_EQ(package.legal_hold_id, archive.package("held.json").legal_hold_id);
    EXPECT_EQ(package.expires_at, package.sealed_at);
    EXPECT_EQ(package.retention_minimum_days_at_seal, 0u);
}

// The first failing check decides, in the order: the records, the policy
// match, the seed file, the package's status, then each chunk file. Nothing
// is written.
TEST(PackageSeal, RefusalsInOrder) {
    Archive archive;
    auto& folder = archive.folder;
    ASSERT_RAN(folder.run(
        {"retention", "new", "--name", "other", "--class", "debug", "--min-days", "1", "--out", "other.json"}));
    ASSERT_RAN(archive.seal({"a.bin"}, "pkg.json", "sealed.json", "sealed-m.json"));
    folder.write("bad.seed", "not a seed");
    std::filesystem::create_directory(folder / "folder");
    std::filesystem::create_symlink("s.json", folder / "link.json");
    std::filesystem::create_symlink("key.seed", folder / "key-link");
    std::filesystem::create_symlink("empty.bin", folder / "empty-link");
    struct Case {
        Args changes;
        std::string message;
    };
    const std::string not_pending = "illegal transition for ArchivePackage: sealed -> writing";
    const std::string one_output = "--out-package and --out-manifest must name different files";
    const std::vector<Case> cases = {
        {{"--package", "missing.json", "--policy", "missing-too.json"},
         "missing.json: No such file or directory (os error 2)"},
        {{"--policy", "t.json", "--key-file", "missing.seed"},
         "t.json: parse error: missing field `retention_class` at line 10 column 1"},
        {{"--policy", "other.json", "--key-file", "missing.seed"},
         "supplied policy does not match the package's retention_policy_id"},
        {{"--key-file", "missing.seed", "--package", "sealed.json"},
         "missing.seed: No such file or directory (os error 2)"},
        {{"--key-file", "bad.seed", "--package", "sealed.json"}, "key file must hold a 64-char hex seed"},
        {{"--package", "sealed.json", "--chunk", "missing.bin"}, not_pending},
        {{"--package", "sealed.json", "--out-manifest", "s.json"}, not_pending},
        // Both outputs in one file would leave a sealed package without its manifest.
        {{"--out-manifest", "s.json", "--chunk", "missing.bin"}, one_output},
        {{"--out-manifest", "./s.json"}, one_output},
        {{"--out-manifest", "folder/../s.json"}, one_output},
        {{"--out-manifest", "link.json"}, one_output},
        {{"--out-package", "pkg.json", "--out-manifest", "pkg.json"}, one_output},
        // Nor may an output take the place of the seed or of archived content,
        // and that is known before any chunk is read.
        {{"--out-manifest", "key.seed", "--chunk", "missing.bin"},
         "--out-manifest must not name the --key-file seed file"},
        {{"--out-package", "./key.seed"}, "--out-package must not name the --key-file seed file"},
        {{"--key-file", "key-link", "--out-manifest", "folder/../key.seed"},
         "--out-manifest must not name the --key-file seed file"},
        {{"--out-manifest", "a.bin"}, "--out-manifest must not name a --chunk file"},
        {{"--chunk", "empty.bin", "--out-package", "empty-link"}, "--out-package must not name a --chunk file"},
        {{"--chunk", "empty-link", "--out-manifest", "empty.bin"}, "--out-manifest must not name a --chunk file"},
        // The package's output is judged whole before the manifest's.
        {{"--out-package", "a.bin", "--out-manifest", "key.seed"}, "--out-package must not name a --chunk file"},
        {{"--out-package", "key.seed", "--out-manifest", "a.bin"},
         "--out-package must not name the --key-file seed file"},
        {{"--chunk", "missing.bin"}, "missing.bin: No such file or directory (os error 2)"},
        {{"--chunk", "folder"}, "folder: Is a directory (os error 21)"},
        {{"--chunk", "a.bin", "--chunk", "missing\xff.bin"},
         "missing\xef\xbf\xbd.bin: No such file or directory (os error 2)"},
    };
    const auto before = folder.entries();
    for (const auto& c : cases) {
        Args args = {"package",  "seal",    "--package", "pkg.json",      "--policy", "p.json",         "--key-file",
                     "key.seed", "--chunk", "a.bin",     "--out-package", "s.json",   "--out-manifest", "m.json"};
        for (std::size_t i = 0; i < c.changes.size(); i += 2) {
            const auto at = std::find(args.begin(), args.end(), c.changes[i]);
            if (at != args.end() && c.changes[i] != "--chunk") {
                *(at + 1) = c.changes[i + 1];
            } else {
                args.insert(args.end(), {c.changes[i], c.changes[i + 1]});
            }
        }
        SCOPED_TRACE(fmt::format("{}", fmt::join(args, " ")));
        expect_refused(folder.run(args), c.message);
        EXPECT_EQ(folder.entries(), before);
    }
}

// Outputs that are not files replaced as a whole, such as a device, may be
// named twice: nothing that was written is lost.
TEST(PackageSeal, BothOutputsToADevice) {
    Archive archive;
    const auto sealed = archive.seal({"a.bin"}, "pkg.json", "/dev/null", "/dev/null");
    ASSERT_RAN(sealed);
    const auto line_start =
        fmt::format("package {} sealed: 1 chunk(s), 12 bytes, expires ", archive.package().id.to_string());
    EXPECT_TRUE(sealed.out.starts_with(line_start)) << sealed.out;
    EXPECT_EQ(sealed.err, "");

    // A device read as a chunk and written as both outputs loses nothing either.
    ASSERT_RAN(archive.seal({"a.bin", "/dev/null"}, "pkg.json", "/dev/null", "/dev/null"));
}

// A second name of the seed (a hard link) is another file to the writer: the
// manifest takes that name and the seed keeps its own.
TEST(PackageSeal, AHardLinkOfTheSeedIsAnotherName) {
    Archive archive;
    auto& folder = archive.folder;
    std::filesystem::create_hard_link(folder / "key.seed", folder / "second.seed");
    ASSERT_RAN(archive.seal({"a.bin"}, "pkg.json", "s.json", "second.seed"));
    EXPECT_EQ(folder.read("key.seed"), seed_text(7));
    EXPECT_EQ(archive.manifest("second.seed").manifest.archive_package_id, archive.package().id);
    ASSERT_RAN(archive.verify({"a.bin"}, "s.json", "second.seed"));
}

// Both files are written before either is renamed, the manifest first: a
// failed write of either leaves both as they were (the package pending, even
// where the output is the input), and the seal can be run again.
TEST(PackageSeal, AFailedSealChangesNeitherFile) {
    Archive archive;
    auto& folder = archive.folder;
    const std::string pending = folder.read("pkg.json");

    expect_refused(archive.seal({"a.bin"}, "pkg.json", "pkg.json", "missing/m.json"),
                   "missing/m.json: No such file or directory (os error 2)");
    EXPECT_EQ(folder.read("pkg.json"), pending);
    EXPECT_FALSE(folder.exists("missing"));

    // The manifest of an earlier seal survives a package that cannot be written.
    folder.write("m.json", "an earlier manifest");
    expect_refused(archive.seal({"a.bin"}, "pkg.json", "missing/s.json", "m.json"),
                   "missing/s.json: No such file or directory (os error 2)");
    EXPECT_EQ(folder.read("pkg.json"), pending);
    EXPECT_EQ(folder.read("m.json"), "an earlier manifest");

    ASSERT_RAN(archive.seal({"a.bin"}, "pkg.json", "pkg.json", "m.json"));
    const auto sealed = archive.package();
    EXPECT_EQ(sealed.status, PackageStatus::sealed);
    ASSERT_RAN(archive.verify({"a.bin"}, "pkg.json"));

    // The package file now says sealed: a second seal is refused at once.
    expect_refused(archive.seal({"a.bin"}, "pkg.json", "pkg.json", "m.json"),
                   "illegal transition for ArchivePackage: sealed -> writing");
}

// A seal that fails once both files are written changes neither: a name
// changed under the package (at its flush, or just before the manifest is
// put in place, or again and again), or a package device that fails. A name
// changed before the files are put in place keeps the manifest out of place
// even for a moment (a kill there would show it); one already in place is
// taken back.
TEST(PackageSeal, ASealThatFailsOnceWrittenChangesNeitherFile) {
    struct Case {
        const char* label;
        const char* out_package;
        const char* meddle;  // rules for the meddler, or nullptr
        const char* message;
        std::vector<std::string> entries;  // besides the archive's own
    };
    const std::vector<Case> cases = {
        {"a package device that fails",
         "/dev/full",
         nullptr,
         "/dev/full: No space left on device (os error 28)",
         {"s.alt", "s.json"}},
        {"the package's name changed at its flush",
         "s.json",
         "fsync 2: rename s.json s.moved; mkdir s.json | renameat2 *: kill",
         "s.json: Is a directory (os error 21)",
         {"s.alt", "s.json", "s.moved"}},
        {"the package's name changed as the manifest is put in place",
         "s.json",
         "renameat2 1: rename s.json s.moved; mkdir s.json",
         "s.json: Is a directory (os error 21)",
         {"s.alt", "s.json", "s.moved"}},
        // Three renames, which every file system makes, where FUSE swaps no names.
        {"the package's name changing again and again",
         "s.json",
         "fsync *: rename s.json s.swap; rename s.alt s.json; rename s.swap s.alt",
         "s.json: Resource temporarily unavailable (os error 11)",
         {"s.alt", "s.json"}},
        // As on FUSE, NFS or SMB mounts: the manifest renamed over is kept
        // under a second name, and put back.
        {"a package device that fails, on a file system that swaps no names",
         "/dev/full",
         "tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL",
         "/dev/full: No space left on device (os error 28)",
         {"s.alt", "s.json"}},
        {"the package's name changed as it is put in place, on such a file system",
         "s.json",
         "tmpfile *: fail EOPNOTSUPP | renameat2 2: fail EINVAL; rename s.json s.moved; mkdir s.json | renameat2 *: "
         "fail EINVAL",
         "s.json: Is a directory (os error 21)",
         {"s.alt", "s.json", "s.moved"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Archive archive;
        auto& folder = archive.folder;
        folder.write("m.json", "an earlier manifest");
        folder.write("s.json", "an earlier package");
        folder.write("s.alt", "another file");
        const std::string pending = folder.read("pkg.json");
        RunOptions options;
        if (c.meddle) options = vevizovuvazavad::testing::meddled(c.meddle);
        options.time_limit = std::chrono::seconds(20);
        const auto run = folder.run(
            {"package", "seal", "--package", "pkg.json", "--policy", "p.json", "--key-file", "key.seed", "--chunk",
             "a.bin", "--chunk", "empty.bin", "--out-package", c.out_package, "--out-manifest", "m.json"},
            options);
        expect_refused(run, c.message);
        EXPECT_EQ(folder.read("m.json"), "an earlier manifest");
        EXPECT_EQ(folder.read("pkg.json"), pending);
        auto entries = c.entries;
        entries.insert(entries.end(), {"a.bin", "empty.bin", "key.seed", "m.json", "p.json", "pkg.json", "t.json"});
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(folder.entries(), entries);
        // The earlier files, wherever the names that changed put them.
        std::vector<std::string> kept = {folder.read("s.alt")};
        kept.push_back(folder.read(std::filesystem::is_directory(folder / "s.json") ? "s.moved" : "s.json"));
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(kept, (std::vector<std::string>{"an earlier package", "another file"}));
    }
}

// A manifest that took a new name goes again when the package then fails,
// however the file system let it take the name.
TEST(PackageSeal, ANewManifestIsTakenBack) {
    for (const char* rules : {"", "tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL",
                              "tmpfile *: fail EOPNOTSUPP | renameat2 *: fail EINVAL | linkat *: fail EPERM"}) {
        SCOPED_TRACE(rules);
        Archive archive;
        auto& folder = archive.folder;
        const auto before = folder.entries();
        const auto run =
            folder.run({"package", "seal", "--package", "pkg.json", "--policy", "p.json", "--key-file", "key.seed",
                        "--chunk", "a.bin", "--out-package", "/dev/full", "--out-manifest", "new.json"},
                       vevizovuvazavad::testing::meddled(rules));
        expect_refused(run, "/dev/full: No space left on device (os error 28)");
        EXPECT_EQ(folder.entries(), before);
    }
}

// Once both files are in place, the manifest the seal replaced is removed
// from under its temporary name only while it is still there: a file a
// neighbour swapped in meanwhile is theirs, and stays.
TEST(PackageSeal, OnlyTheReplacedFileIsRemoved) {
    Archive archive;
    auto& folder = archive.folder;
    if (!vevizovuvazavad::testing::swaps_names(folder.path()))
        GTEST_SKIP() << "the file system swaps no names, so no replaced file waits under a temporary name";
    folder.write("m.json", "an earlier manifest");
    folder.write("s.json", "an earlier package");
    folder.write("n.json", "a neighbour's file");
    // Before the package's swap, the manifest's is done.
    auto options = vevizovuvazavad::testing::meddled("renameat2 2: exchange .m.json.*.tmp n.json");
    const auto run = folder.run({"package", "seal", "--package", "pkg.json", "--policy", "p.json", "--key-file",
                                 "key.seed", "--chunk", "a.bin", "--out-package", "s.json", "--out-manifest", "m.json"},
                                options);
    ASSERT_RAN(run);
    EXPECT_EQ(folder.read("n.json"), "an earlier manifest");
    std::vector<std::string> left;
    for (const auto& name : folder.entries())
        if (vevizovuvazavad::testing::is_temporary_name(name)) left.push_back(folder.read(name));
    EXPECT_EQ(left, std::vector<std::string>{"a neighbour's file"});
}

// A manifest that cannot be put back, because a neighbour moved the new one
// away, is kept under its temporary name rather than lost, and the seal
// fails.
TEST(PackageSeal, AReplacedFileThatCannotBePutBackIsKept) {
    Archive archive;
    auto& folder = archive.folder;
    folder.write("m.json", "an earlier manifest");
    folder.write("s.json", "an earlier package");
    auto options =
        vevizovuvazavad::testing::meddled("renameat2 2: rename m.json m.moved; rename s.json s.moved; mkdir s.json");
    const auto run = folder.run({"package", "seal", "--package", "pkg.json", "--policy", "p.json", "--key-file",
                                 "key.seed", "--chunk", "a.bin", "--out-package", "s.json", "--out-manifest", "m.json"},
                                options);
    expect_refused(run, "s.json: Resource temporarily unavailable (os error 11)");
    std::vector<std::string> kept;
    for (const auto& name : folder.entries())
        if (vevizovuvazavad::testing::is_temporary_name(name)) kept.push_back(folder.read(name));
    EXPECT_EQ(kept, std::vector<std::string>{"an earlier manifest"});
    EXPECT_EQ(folder.read("s.moved"), "an earlier package");
}

// A manifest written to a pipe cannot be taken back: when the package then
// cannot be put in place, the seal fails rather than write the manifest
// again on a second try.
TEST(PackageSeal, AManifestThroughAPipeIsWrittenOnce) {
    Archive archive;
    auto& folder = archive.folder;
    folder.write("s.json", "an earlier package");
    folder.write("s.alt", "another file");
    const auto fifo = folder / "m.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string manifests;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            manifests.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
    });
    // The package's name changes once, just before it is put in place.
    auto options = vevizovuvazavad::testing::meddled(
        "renameat2 1: rename s.json s.swap; rename s.alt s.json; rename s.swap s.alt");
    options.time_limit = std::chrono::seconds(20);
    const std::string pending = folder.read("pkg.json");
    const auto run = folder.run({"package", "seal", "--package", "pkg.json", "--policy", "p.json", "--key-file",
                                 "key.seed", "--chunk", "a.bin", "--out-package", "s.json", "--out-manifest", "m.fifo"},
                                options);
    // The reader ends at the writer's close, or at none when the tool never opened it.
    if (run.status != 0 && manifests.empty()) {
        const int unblock = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (unblock >= 0) ::close(unblock);
    }
    reader.join();
    expect_refused(run, "s.json: Resource temporarily unavailable (os error 11)");
    std::size_t count = 0;
    for (auto at = manifests.find("\"manifest_version\""); at != std::string::npos;
         at = manifests.find("\"manifest_version\"", at + 1))
        ++count;
    EXPECT_EQ(count, 1u) << manifests;
    EXPECT_EQ(folder.read("pkg.json"), pending);
    EXPECT_EQ(folder.read("s.json"), "another file");
    EXPECT_EQ(folder.read("s.alt"), "an earlier package");
}

TEST(PackageVerify, PassesWithAndWithoutChunks) {
    Archive archive;
    const auto& folder = archive.folder;
    ASSERT_RAN(archive.seal({"a.bin", "empty.bin"}));
    const auto id = archive.package("s.json").id.to_string();
    const auto before = folder.entries();

    const auto with_chunks = archive.verify({"a.bin", "empty.bin"});
    ASSERT_RAN(with_chunks);
    EXPECT_EQ(with_chunks.out,
              fmt::format("package {} verified: signature ok, manifest hash matches, 2 chunk(s) integrity ok\n", id));
    EXPECT_EQ(with_chunks.err, "");
    const auto without = archive.verify({});
    EXPECT_EQ(without.out, fmt::format("package {} verified: signature ok, manifest hash matches\n", id));

    const auto json_with = folder.run({"--json", "package", "verify", "--package", "s.json", "--manifest", "m.json",
                                       "--key-file", "key.seed", "--chunk", "a.bin", "--chunk", "empty.bin"});
    EXPECT_EQ(json_with.out, "{\"chunks_checked\":2,\"verified\":true}\n");
    const auto json_without = folder.run(
        {"package", "verify", "--package", "s.json", "--manifest", "m.json", "--key-file", "key.seed", "--json"});
    EXPECT_EQ(json_without.out, "{\"chunks_checked\":0,\"verified\":true}\n");

    // Neither the package's status nor the key id is looked at: a disposed
    // package that keeps its manifest hash verifies.
    std::string disposed = folder.read("s.json");
    disposed.replace(disposed.find("\"sealed\""), 8, "\"disposed\"");
    folder.write("disposed.json", disposed);
    EXPECT_EQ(archive.verify({}, "disposed.json").status, 0);
    EXPECT_EQ(folder.entries().size(), before.size() + 1);
}

// Tampered chunk files fail at the first chunk that differs, counted from 0;
// a wrong number of files fails on the count, but only once every file was read.
TEST(PackageVerify, TamperedChunksFailForThatChunk) {
    Archive archive;
    auto& folder = archive.folder;
    folder.write("b.bin", "second chunk");
    ASSERT_RAN(archive.seal({"a.bin", "b.bin", "empty.bin"}));
    folder.write("flipped.bin", "second chunK");
    folder.write("appended.bin", "second chunk!");
    folder.write("shorter.bin", "second chun");
    folder.write("filled.bin", "x");
    std::filesystem::create_directory(folder / "folder");
    struct Case {
        Args chunks;
        std::string message;
    };
    const std::string chunk = "contract violation: canonical encoding failed: chunk ";
    const std::string count =
        "contract violation: canonical encoding failed: chunk count mismatch: manifest records 3, ";
    const std::vector<Case> cases = {
        {{"a.bin", "flipped.bin", "empty.bin"}, chunk + "1 failed integrity verification"},
        {{"a.bin", "appended.bin", "empty.bin"}, chunk + "1 failed integrity verification"},
        {{"a.bin", "shorter.bin", "empty.bin"}, chunk + "1 failed integrity verification"},
        {{"b.bin", "a.bin", "empty.bin"}, chunk + "0 failed integrity verification"},
        {{"a.bin", "b.bin", "filled.bin"}, chunk + "2 failed integrity verification"},
        {{"a.bin", "empty.bin", "b.bin"}, chunk + "1 failed integrity verification"},
        {{"a.bin", "b.bin"}, count + "2 supplied"},
        {{"a.bin", "b.bin", "empty.bin", "empty.bin"}, count + "4 supplied"},
        {{"flipped.bin", "b.bin"}, count + "2 supplied"},
        // Every file is read before any is checked.
        {{"flipped.bin", "b.bin", "missing.bin"}, "missing.bin: No such file or directory (os error 2)"},
        {{"flipped.bin", "folder"}, "folder: Is a directory (os error 21)"},
        {{"missing.bin", "folder"}, "missing.bin: No such file or directory (os error 2)"},
        // A file is read only until it is longer than its reference, and one
        // beyond the manifest's count not at all: /dev/zero ends.
        {{"a.bin", "/dev/zero", "empty.bin"}, chunk + "1 failed integrity verification"},
        {{"a.bin", "b.bin", "empty.bin", "/dev/zero"}, count + "4 supplied"},
        {{"/dev/zero", "b.bin", "empty.bin", "/dev/zero", "missing.bin"},
         "missing.bin: No such file or directory (os error 2)"},
        {{"a.bin", "b.bin", "empty.bin", "folder"}, "folder: Is a directory (os error 21)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(c.chunks, " ")));
        expect_refused(archive.verify(c.chunks), c.message);
    }
}

// The manifest and package checks come before any chunk file is opened.
TEST(PackageVerify, ManifestPackageAndKeyRefusals) {
    Archive archive;
    auto& folder = archive.folder;
    ASSERT_RAN(archive.seal({"a.bin"}));
    ASSERT_RAN(folder.run({"package", "new", "--target", "t.json", "--policy", "p.json", "--source-product", "x",
                           "--label", "l", "--created-by", "c", "--out", "other.json"}));
    ASSERT_RAN(archive.seal({"a.bin"}, "other.json", "other-s.json", "other-m.json"));
    folder.write("other.seed", seed_text(8));

    const std::string manifest = folder.read("m.json");
    const auto with_change = [&](std::string_view name, std::string_view from, std::string_view to) {
        std::string changed = manifest;
        const auto at = changed.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        changed.replace(at, from.size(), to);
        folder.write(name, changed);
    };
    // One byte of the manifest changed, anywhere that still reads.
    with_change("size.json", "\"ciphertext_size\": 12", "\"ciphertext_size\": 13");
    with_change("hold.json", "\"legal_hold_active_at_seal\": false", "\"legal_hold_active_at_seal\": true ");
    const auto signature = archive.manifest().signature.to_hex();
    std::string flipped_signature = signature;
    flipped_signature[0] = flipped_signature[0] == '0' ? '1' : '0';
    with_change("signature.json", signature, flipped_signature);
    with_change("key-id.json", archive.manifest().signer_key_id.to_string(), "00000000-0000-4000-8000-000000000000");

    const std::string hash_mismatch = "archive package's recorded manifest hash does not match the supplied manifest";
    const std::string bad_signature = "contract violation: manifest signature verification failed";
    struct Case {
        std::string package;
        std::string manifest;
        std::string key;
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {"s.json", "other-m.json", "other.seed", "archive manifest does not reference this archive package"},
        {"pkg.json", "m.json", "key.seed", hash_mismatch},
        {"s.json", "size.json", "key.seed", hash_mismatch},
        {"s.json", "hold.json", "key.seed", hash_mismatch},
        {"s.json", "signature.json", "key.seed", bad_signature},
        {"s.json", "m.json", "other.seed", bad_signature},
        {"s.json", "key-id.json", "key.seed", std::nullopt},
        {"s.json", "m.json", "missing.seed", "missing.seed: No such file or directory (os error 2)"},
        {"s.json", "missing.json", "missing.seed", "missing.json: No such file or directory (os error 2)"},
        {"other-m.json", "m.json", "key.seed", "other-m.json: parse error: missing field `id` at line 29 column 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package + " " + c.manifest + " " + c.key);
        const auto run = archive.verify({"missing.bin"}, c.package, c.manifest, c.key);
        if (c.message) {
            expect_refused(run, *c.message);
        } else {
            expect_refused(run, "missing.bin: No such file or directory (os error 2)");
        }
    }
}

// A reference names its own algorithm: a chunk under a SHA-256 reference is
// streamed through SHA-256.
TEST(PackageVerify, ChunksAreHashedUnderTheirReferencesAlgorithm) {
    Archive archive;
    auto& folder = archive.folder;
    ASSERT_RAN(archive.seal({"a.bin", "a.bin"}));
    auto sealed = archive.manifest();
    auto package = archive.package("s.json");
    sealed.manifest.object_refs[1].content_hash = hash::sha256(std::string_view("first chunk\n"));
    sealed = SealedManifest::seal(sealed.manifest, signing_key, sealed.signer_key_id).value();
    package.manifest_hash = sealed.manifest.manifest_hash().value();
    ASSERT_TRUE(vevizovuvazavad::files::write_json(folder / "sha-m.json", sealed));
    ASSERT_TRUE(vevizovuvazavad::files::write_json(folder / "sha-s.json", package));

    ASSERT_RAN(archive.verify({"a.bin", "a.bin"}, "sha-s.json", "sha-m.json"));
    folder.write("b.bin", "other chunk\n");
    expect_refused(archive.verify({"a.bin", "b.bin"}, "sha-s.json", "sha-m.json"),
                   "contract violation: canonical encoding failed: chunk 1 failed integrity verification");
}

TEST(PackageShow, StatusAsWrittenAndHold) {
    Archive archive;
    auto& folder = archive.folder;
    ASSERT_RAN(archive.seal({"a.bin"}));
    std::string held = folder.read("s.json");
    held.replace(held.find("\"legal_hold_id\": null"), 21,
                 "\"legal_hold_id\": \"11111111-2222-4333-8444-555555555555\"");
    folder.write("held.json", held);
    std::string failed = folder.read("pkg.json");
    failed.replace(failed.find("\"pending\""), 9, "\"verification_failed\"");
    folder.write("failed.json", failed);
    const auto pending_id = archive.package().id.to_string();
    struct Case {
        std::string file;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"pkg.json", pending_id + " status=pending under_hold=false\n"},
        {"s.json", pending_id + " status=sealed under_hold=false\n"},
        {"held.json", pending_id + " status=sealed under_hold=true\n"},
        {"failed.json", pending_id + " status=verification_failed under_hold=false\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto shown = folder.run({"package", "show", c.file});
        EXPECT_EQ(shown.status, 0);
        EXPECT_EQ(shown.out, c.line);
        EXPECT_EQ(shown.err, "");
    }
    EXPECT_EQ(folder.run({"--json", "package", "show", "held.json"}).out,
              orrincore_json::to_compact(archive.package("held.json")) + "\n");
    expect_refused(folder.run({"package", "show", "missing.json"}),
                   "missing.json: No such file or directory (os error 2)");
    expect_refused(folder.run({"package", "show", "m.json"}),
                   "m.json: parse error: missing field `id` at line 29 column 1");
}

}  // namespace
