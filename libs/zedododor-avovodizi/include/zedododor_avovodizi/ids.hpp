#pragma once
// Identifiers: the validated lower-case `Slug`, `ProductId` built on it, the
// free-text `ServiceId` and `RegionId`, and the UUID identifier types, each a
// distinct instance of `UuidId`.

#include <orrincore_error/error.hpp>
#include <zedododor_avovodizi/uuid.hpp>

#include <compare>
#include <concepts>
#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zedododor_avovodizi::ids {

// The rules of a slug, in the order they are checked.
enum class SlugFault { empty, too_long, invalid_byte, hyphen_at_edge, consecutive_hyphens };

inline constexpr std::size_t max_slug_bytes = 64;

// The first rule `text` breaks, or nothing when it is a valid slug. Bytes,
// not characters: the locale-dependent <cctype> tests are undefined for bytes
// of 0x80 and above.
constexpr std::optional<SlugFault> first_slug_fault(std::string_view text) {
    if (text.empty()) return SlugFault::empty;
    if (text.size() > max_slug_bytes) return SlugFault::too_long;
    for (const char c : text) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return SlugFault::invalid_byte;
    }
    if (text.front() == '-' || text.back() == '-') return SlugFault::hyphen_at_edge;
    if (text.find("--") != std::string_view::npos) return SlugFault::consecutive_hyphens;
    return std::nullopt;
}

// 1 to 64 bytes of `a`-`z`, `0`-`9` and `-`, no hyphen first or last, no
// "--". Only obtainable through validation.
class Slug {
public:
    // The first broken rule, as InvalidIdentifier with kind "Slug".
    static orrincore_error::Result<void> validate(std::string_view text);
    // Copies `text` and validates the copy.
    static orrincore_error::Result<Slug> create(std::string_view text);
    // Validates `text` and takes it over.
    static orrincore_error::Result<Slug> try_from(std::string text);

    const std::string& to_string() const { return text_; }

    friend bool operator==(const Slug&, const Slug&) = default;
    friend auto operator<=>(const Slug&, const Slug&) = default;

private:
    explicit Slug(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

// The name of a product; always the text of a valid `Slug`.
class ProductId {
public:
    // Exactly the `Slug` error when `text` is not a valid slug.
    static orrincore_error::Result<ProductId> create(std::string_view text);

    // A product id written into the program. A text that is not a valid
    // slug does not compile, so this cannot fail.
    struct Literal {
        consteval Literal(const char* literal) : text(literal) {  // NOLINT: implicit by design
            if (first_slug_fault(text)) throw "a product id literal must be a valid slug";
        }
        std::string_view text;
    };
    static ProductId from_literal(Literal literal) { return ProductId(std::string(literal.text)); }

    const std::string& to_string() const { return text_; }

    friend bool operator==(const ProductId&, const ProductId&) = default;
    friend auto operator<=>(const ProductId&, const ProductId&) = default;

private:
    explicit ProductId(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

// Free-text identifiers, kept and shown unchanged, never validated.
class ServiceId {
public:
    explicit ServiceId(std::string text) : text_(std::move(text)) {}
    const std::string& to_string() const { return text_; }
    friend bool operator==(const ServiceId&, const ServiceId&) = default;
    friend auto operator<=>(const ServiceId&, const ServiceId&) = default;

private:
    std::string text_;
};

class RegionId {
public:
    explicit RegionId(std::string text) : text_(std::move(text)) {}
    const std::string& to_string() const { return text_; }
    friend bool operator==(const RegionId&, const RegionId&) = default;
    friend auto operator<=>(const RegionId&, const RegionId&) = default;

private:
    std::string text_;
};

// A tag names its identifier type; the name is the `kind` of its errors.
template <class Tag>
concept UuidIdTag = requires {
    { Tag::name } -> std::convertible_to<std::string_view>;
};

// An identifier wrapping one UUID. Each tag gives a type of its own, and
// nothing converts between them.
template <UuidIdTag Tag>
class UuidId {
public:
    static constexpr std::string_view kind = Tag::name;

    static UuidId generate() { return UuidId(Uuid::random_v4()); }
    // `count` fresh ones, drawn together (Uuid::random_v4).
    static std::vector<UuidId> generate(std::size_t count) {
        std::vector<UuidId> ids;
        ids.reserve(count);
        for (const Uuid& uuid : Uuid::random_v4(count)) ids.push_back(UuidId(uuid));
        return ids;
    }
    static constexpr UuidId from_uuid(const Uuid& uuid) { return UuidId(uuid); }

    // Any UUID text form; on failure InvalidIdentifier with this type's kind
    // and the parser's message as reason.
    static orrincore_error::Result<UuidId> from_str(std::string_view text) {
        auto parsed = Uuid::parse(text);
        if (!parsed) {
            return std::unexpected(orrincore_error::CoreError(
                orrincore_error::InvalidIdentifier{std::string(kind), parsed.error().message()}));
        }
        return UuidId(*parsed);
    }

    constexpr const Uuid& uuid() const { return uuid_; }
    std::string to_string() const { return uuid_.to_string(); }

    friend constexpr bool operator==(const UuidId&, const UuidId&) = default;
    friend constexpr auto operator<=>(const UuidId&, const UuidId&) = default;

private:
    constexpr explicit UuidId(const Uuid& uuid) : uuid_(uuid) {}
    Uuid uuid_;
};

struct IdentityIdTag {
    static constexpr std::string_view name = "IdentityId";
};
struct ObjectIdTag {
    static constexpr std::string_view name = "ObjectId";
};
struct EnvelopeIdTag {
    static constexpr std::string_view name = "EnvelopeId";
};
struct KeyIdTag {
    static constexpr std::string_view name = "KeyId";
};
struct PolicyIdTag {
    static constexpr std::string_view name = "PolicyId";
};
struct BackupIdTag {
    static constexpr std::string_view name = "BackupId";
};
struct NodeIdTag {
    static constexpr std::string_view name = "NodeId";
};
struct AuditEventIdTag {
    static constexpr std::string_view name = "AuditEventId";
};
struct ConfigIdTag {
    static constexpr std::string_view name = "ConfigId";
};
struct DecisionIdTag {
    static constexpr std::string_view name = "DecisionId";
};
struct CapabilityIdTag {
    static constexpr std::string_view name = "CapabilityId";
};
struct SyncIdTag {
    static constexpr std::string_view name = "SyncId";
};
struct WorkspaceIdTag {
    static constexpr std::string_view name = "WorkspaceId";
};
struct DeviceIdTag {
    static constexpr std::string_view name = "DeviceId";
};
struct PseudonymTag {
    static constexpr std::string_view name = "Pseudonym";
};
struct TenantIdTag {
    static constexpr std::string_view name = "TenantId";
};

using IdentityId = UuidId<IdentityIdTag>;
using ObjectId = UuidId<ObjectIdTag>;
using EnvelopeId = UuidId<EnvelopeIdTag>;
using KeyId = UuidId<KeyIdTag>;
using PolicyId = UuidId<PolicyIdTag>;
using BackupId = UuidId<BackupIdTag>;
using NodeId = UuidId<NodeIdTag>;
using AuditEventId = UuidId<AuditEventIdTag>;
using ConfigId = UuidId<ConfigIdTag>;
using DecisionId = UuidId<DecisionIdTag>;
using CapabilityId = UuidId<CapabilityIdTag>;
using SyncId = UuidId<SyncIdTag>;
using WorkspaceId = UuidId<WorkspaceIdTag>;
using DeviceId = UuidId<DeviceIdTag>;
using Pseudonym = UuidId<PseudonymTag>;
using TenantId = UuidId<TenantIdTag>;

}  // namespace zedododor_avovodizi::ids
