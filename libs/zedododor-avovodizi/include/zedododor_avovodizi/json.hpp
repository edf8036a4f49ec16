#pragma once
// JSON forms of identifiers, product ids and timestamps: JSON strings of
// their text forms. A text that does not read fails with the type's own
// message, placed after the string.

#include <span>
#include <string>
#include <string_view>

#include <orrincore_json/json.hpp>

#include "zedododor_avovodizi/ids.hpp"
#include "zedododor_avovodizi/time.hpp"

namespace orrincore_json {

template <>
struct Json<zedododor_avovodizi::ids::Uuid> {
    static ReadResult<zedododor_avovodizi::ids::Uuid> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::ids::Uuid& uuid) {
        return J(uuid.to_string());
    }

    static std::string_view plain_text(const zedododor_avovodizi::ids::Uuid& uuid, PlainBuffer& buffer) {
        const auto text = std::span(buffer).first<zedododor_avovodizi::ids::Uuid::text_length>();
        uuid.write_text(text);
        return {text.data(), text.size()};
    }
};

template <zedododor_avovodizi::ids::UuidIdTag Tag>
struct Json<zedododor_avovodizi::ids::UuidId<Tag>> {
    using Id = zedododor_avovodizi::ids::UuidId<Tag>;

    static ReadResult<Id> read(Reader& reader) {
        auto uuid = Json<zedododor_avovodizi::ids::Uuid>::read(reader);
        if (!uuid) return std::unexpected(uuid.error());
        return Id::from_uuid(*uuid);
    }

    template <class J>
    static J write(const Id& id) {
        return J(id.to_string());
    }

    static std::string_view plain_text(const Id& id, PlainBuffer& buffer) {
        return Json<zedododor_avovodizi::ids::Uuid>::plain_text(id.uuid(), buffer);
    }
};

template <>
struct Json<zedododor_avovodizi::ids::ProductId> {
    static ReadResult<zedododor_avovodizi::ids::ProductId> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::ids::ProductId& id) {
        return J(id.to_string());
    }

    // A slug's bytes are plain text.
    static std::string_view plain_text(const zedododor_avovodizi::ids::ProductId& id, PlainBuffer&) {
        return id.to_string();
    }
};

template <>
struct Json<zedododor_avovodizi::ids::Slug> {
    static ReadResult<zedododor_avovodizi::ids::Slug> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::ids::Slug& slug) {
        return J(slug.to_string());
    }

    static std::string_view plain_text(const zedododor_avovodizi::ids::Slug& slug, PlainBuffer&) {
        return slug.to_string();
    }
};

template <>
struct Json<zedododor_avovodizi::time::Timestamp> {
    static ReadResult<zedododor_avovodizi::time::Timestamp> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::time::Timestamp& time) {
        return J(time.to_rfc3339());
    }

    static std::string_view plain_text(const zedododor_avovodizi::time::Timestamp& time, PlainBuffer& buffer) {
        const auto text = std::span(buffer).first<zedododor_avovodizi::time::Timestamp::longest_text>();
        return {text.data(), time.write_rfc3339(text)};
    }
};

}  // namespace orrincore_json
