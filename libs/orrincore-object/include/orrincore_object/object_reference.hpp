#pragma once
// A stored, content-addressed object: owner, kind, the hash of its bytes and
// their size. Every archived chunk of a package is one.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_crypto/json.hpp>
#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/record.hpp>
#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>
#include <zedododor_avovodizi/time.hpp>

namespace orrincore_object {

enum class ObjectKind {
    encrypted_file,
    encrypted_message_attachment,
    backup_object,
    archive_object,
    policy_bundle,
    audit_export,
    map_tile_bundle,
    trust_proof,
    report_artifact,
};

// Content as a check against a reference sees it: its length and its hash,
// taken in memory or while the content streams past.
struct ContentDigest {
    std::uint64_t size;
    orrincore_crypto::ContentHash hash;

    bool operator==(const ContentDigest&) const = default;
};

struct ObjectReference {
    zedododor_avovodizi::ids::ObjectId object_id;
    zedododor_avovodizi::ids::TenantId tenant_id;
    zedododor_avovodizi::ids::WorkspaceId workspace_id;
    zedododor_avovodizi::ids::ProductId product_id;
    ObjectKind object_kind;
    orrincore_crypto::ContentHash content_hash;
    std::uint64_t ciphertext_size;  // the stored size in bytes
    std::optional<std::string> storage_backend_hint;
    std::optional<orrincore_crypto::ContentHash> manifest_hash;
    zedododor_avovodizi::time::Timestamp created_at;
    std::optional<zedododor_avovodizi::time::Timestamp> expires_at;

    // Whether content of that length and hash is this object's content: the
    // hash equals `content_hash` in algorithm and digest (compared in
    // constant time) and the length equals `ciphertext_size`.
    bool verify_digest(const ContentDigest& digest) const;

    // verify_digest of `bytes` hashed under the recorded algorithm. The hash
    // is always computed, whatever the length.
    bool verify_content(std::span<const std::uint8_t> bytes) const;

    bool operator==(const ObjectReference&) const = default;
};

}  // namespace orrincore_object

template <>
struct orrincore_json::EnumTable<orrincore_object::ObjectKind> {
    using E = orrincore_object::ObjectKind;
    static constexpr EnumEntry<E> entries[] = {
        {E::encrypted_file, "encrypted_file", "EncryptedFile"},
        {E::encrypted_message_attachment, "encrypted_message_attachment", "EncryptedMessageAttachment"},
        {E::backup_object, "backup_object", "BackupObject"},
        {E::archive_object, "archive_object", "ArchiveObject"},
        {E::policy_bundle, "policy_bundle", "PolicyBundle"},
        {E::audit_export, "audit_export", "AuditExport"},
        {E::map_tile_bundle, "map_tile_bundle", "MapTileBundle"},
        {E::trust_proof, "trust_proof", "TrustProof"},
        {E::report_artifact, "report_artifact", "ReportArtifact"},
    };
};

// The written form and the value form share one key set: absent options
// leave their key out.
template <>
struct orrincore_json::Json<orrincore_object::ObjectReference>
    : orrincore_json::RecordJson<orrincore_object::ObjectReference> {
    using R = orrincore_object::ObjectReference;
    static constexpr std::string_view name = "ObjectReference";
    static constexpr auto fields = std::tuple{
        required("object_id", &R::object_id),
        required("tenant_id", &R::tenant_id),
        required("workspace_id", &R::workspace_id),
        required("product_id", &R::product_id),
        required("object_kind", &R::object_kind),
        required("content_hash", &R::content_hash),
        required("ciphertext_size", &R::ciphertext_size),
        omittable("storage_backend_hint", &R::storage_backend_hint),
        omittable("manifest_hash", &R::manifest_hash),
        required("created_at", &R::created_at),
        omittable("expires_at", &R::expires_at),
    };
};
