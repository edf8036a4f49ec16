#pragma once
// JSON forms of identifiers, product ids and timestamps: JSON strings of
// their text forms. A text that does not read fails with the type's own
// message, placed after the string.

#include <string>

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
};

template <>
struct Json<zedododor_avovodizi::ids::ProductId> {
    static ReadResult<zedododor_avovodizi::ids::ProductId> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::ids::ProductId& id) {
        return J(id.to_string());
    }
};

template <>
struct Json<zedododor_avovodizi::ids::Slug> {
    static ReadResult<zedododor_avovodizi::ids::Slug> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::ids::Slug& slug) {
        return J(slug.to_string());
    }
};

template <>
struct Json<zedododor_avovodizi::time::Timestamp> {
    static ReadResult<zedododor_avovodizi::time::Timestamp> read(Reader& reader);

    template <class J>
    static J write(const zedododor_avovodizi::time::Timestamp& time) {
        return J(time.to_rfc3339());
    }
};

}  // namespace orrincore_json
