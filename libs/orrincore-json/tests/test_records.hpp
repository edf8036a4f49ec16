#pragma once
// Records used by the tests and the fuzz target: one shaped like a redaction
// marker (absent values left out), one like an archive target (absent values
// written as null), a list-holding event and a self-nesting tree.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "orrincore_json/document.hpp"
#include "orrincore_json/enumeration.hpp"
#include "orrincore_json/record.hpp"

namespace orrincore_json::testing {

enum class Reason {
    personal_data,
    secret,
    location,
    user_content,
    policy_required,
    subject_request,
    audience_restricted,
    oversized,
};

enum class Pair { left, right };
enum class Single { only };

// A text id read with its own rule, as UUID identifiers are: exactly 36
// characters, else a custom message after the value.
struct TestId {
    std::string text;
    bool operator==(const TestId&) const = default;
};

struct Marker {
    std::string field_path;
    Reason reason = Reason::personal_data;
    std::optional<TestId> redaction_policy_id;
    std::optional<std::string> applied_at;
    std::optional<TestId> applied_by;
    bool operator==(const Marker&) const = default;
};

struct Target {
    std::string id;
    std::string name;
    std::string backend;
    std::optional<std::string> endpoint;
    std::uint64_t capacity = 0;
    bool enabled = false;
    std::vector<std::string> tags;
    std::optional<std::string> disabled_at;
    bool operator==(const Target&) const = default;
};

struct Event {
    std::uint32_t sequence = 0;
    std::vector<Marker> markers;
    std::map<std::string, std::string> facts;
    std::vector<std::uint8_t> payload;
    std::uint16_t version = 1;
    bool operator==(const Event&) const = default;
};

struct Store {
    std::vector<std::string> keys;
    bool operator==(const Store&) const = default;
};

struct Tree {
    std::vector<Tree> children;
    bool operator==(const Tree&) const = default;
};

}  // namespace orrincore_json::testing

namespace orrincore_json {

template <>
struct EnumTable<testing::Reason> {
    using R = testing::Reason;
    static constexpr EnumEntry<R> entries[] = {
        {R::personal_data, "personal_data", "PersonalData"},
        {R::secret, "secret", "Secret"},
        {R::location, "location", "Location"},
        {R::user_content, "user_content", "UserContent"},
        {R::policy_required, "policy_required", "PolicyRequired"},
        {R::subject_request, "subject_request", "SubjectRequest"},
        {R::audience_restricted, "audience_restricted", "AudienceRestricted"},
        {R::oversized, "oversized", "Oversized"},
    };
};

template <>
struct EnumTable<testing::Pair> {
    static constexpr EnumEntry<testing::Pair> entries[] = {
        {testing::Pair::left, "left", "Left"},
        {testing::Pair::right, "right", "Right"},
    };
};

template <>
struct EnumTable<testing::Single> {
    static constexpr EnumEntry<testing::Single> entries[] = {{testing::Single::only, "only", "Only"}};
};

template <>
struct Json<testing::TestId> {
    static ReadResult<testing::TestId> read(Reader& reader) {
        auto text = reader.read_string("a formatted UUID string");
        if (!text) return std::unexpected(std::move(text).error());
        if (text->size() != 36)
            return std::unexpected(reader.custom_error("UUID parsing failed: invalid length: expected 36, found " +
                                                       std::to_string(text->size())));
        return testing::TestId{std::move(*text)};
    }
    template <class J>
    static J write(const testing::TestId& id) {
        return J(id.text);
    }
};

template <>
struct Json<testing::Marker> : RecordJson<testing::Marker> {
    using M = testing::Marker;
    static constexpr std::string_view name = "RedactionMarker";
    static constexpr auto fields = std::tuple{
        required("field_path", &M::field_path),
        required("reason", &M::reason),
        omittable("redaction_policy_id", &M::redaction_policy_id),
        omittable("applied_at", &M::applied_at),
        omittable("applied_by", &M::applied_by),
    };
};

template <>
struct Json<testing::Target> : RecordJson<testing::Target> {
    using T = testing::Target;
    static constexpr std::string_view name = "ArchiveTarget";
    static constexpr auto fields = std::tuple{
        required("id", &T::id),
        required("name", &T::name),
        required("backend", &T::backend),
        nullable("endpoint", &T::endpoint),
        required("capacity", &T::capacity),
        required("enabled", &T::enabled),
        required("tags", &T::tags),
        nullable("disabled_at", &T::disabled_at),
    };
};

template <>
struct Json<testing::Event> : RecordJson<testing::Event> {
    using E = testing::Event;
    static constexpr std::string_view name = "Event";
    static constexpr auto fields = std::tuple{
        required("sequence", &E::sequence),
        omittable_empty("markers", &E::markers),
        omittable_empty("facts", &E::facts),
        defaulted("payload", &E::payload),
        defaulted("version", &E::version, std::uint16_t{1}),
    };
};

template <>
struct Json<testing::Store> : RecordJson<testing::Store> {
    static constexpr std::string_view name = "TrustStore";
    static constexpr auto fields = std::tuple{required("keys", &testing::Store::keys)};
};

template <>
struct Json<testing::Tree> : RecordJson<testing::Tree> {
    static constexpr std::string_view name = "Tree";
    static constexpr auto fields = std::tuple{defaulted("children", &testing::Tree::children)};
};

}  // namespace orrincore_json
