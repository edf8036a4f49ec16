#include "orrincore_crypto/envelope.hpp"

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

}  // namespace orrincore_crypto::detail
