#include "orrincore_crypto/envelope.hpp"

#include <orrincore_json/reader.hpp>

#include <string>

namespace orrincore_crypto::detail {

orrincore_error::CoreError unsupported_envelope_version(std::uint16_t version) {
    const std::string supported = std::to_string(envelope_format_version);
    return orrincore_error::UnsupportedVersion{std::to_string(version), supported, supported};
}

orrincore_error::CoreError associated_data_mismatch() {
    return orrincore_error::validation("envelope associated data does not match the expected context");
}

orrincore_error::CoreError unreadable_signed_payload(const std::string& reason) {
    return orrincore_error::CanonicalSerialization{"signed payload does not read back: " + reason};
}

orrincore_error::Result<std::string_view> signed_payload_bytes(std::string_view signing_bytes) {
    // Built in place: moving a fresh CoreError into the result gives g++ 12
    // false -Wmaybe-uninitialized warnings at -O3.
    const auto unreadable = [](const std::string& reason) {
        return std::unexpected<orrincore_error::CoreError>(std::in_place, unreadable_signed_payload(reason));
    };
    // Canonical bytes hold no whitespace: a member's value starts right after
    // its colon.
    orrincore_json::Reader reader(signing_bytes);
    auto cursor = reader.begin_object("a signing input");
    if (!cursor) return unreadable(cursor.error().message_with_position());
    for (;;) {
        auto key = reader.next_key(*cursor);
        if (!key) return unreadable(key.error().message_with_position());
        if (!*key) return unreadable("missing field `payload`");
        const bool payload = **key == "payload";
        if (auto colon = reader.read_colon(); !colon) return unreadable(colon.error().message_with_position());
        const std::size_t start = reader.offset();
        if (auto skipped = reader.skip_value(); !skipped) return unreadable(skipped.error().message_with_position());
        if (payload) return signing_bytes.substr(start, reader.offset() - start);
    }
}

}  // namespace orrincore_crypto::detail
