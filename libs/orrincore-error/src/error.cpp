#include "orrincore_error/error.hpp"

#include <fmt/format.h>

namespace orrincore_error {
namespace {

struct MessageOf {
    std::string operator()(const InvalidIdentifier& e) const {
        return fmt::format("invalid {} identifier: {}", e.kind, e.reason);
    }
    std::string operator()(const UnsupportedVersion& e) const {
        return fmt::format("unsupported contract version: {} (supported {}..={})", e.requested, e.min, e.max);
    }
    std::string operator()(const CanonicalSerialization& e) const {
        return fmt::format("canonical serialization failed: {}", e.text);
    }
    std::string operator()(const SignatureInvalid&) const { return "signature verification failed"; }
    std::string operator()(const UnknownAlgorithm& e) const {
        return fmt::format("unknown or rejected algorithm: {}", e.name);
    }
    std::string operator()(const Expired& e) const { return fmt::format("envelope expired at {}", e.expired_at); }
    std::string operator()(const NotYetValid& e) const {
        return fmt::format("envelope is not yet valid until {}", e.not_before);
    }
    std::string operator()(const EncryptionFailed&) const { return "encryption failed"; }
    std::string operator()(const DecryptionFailed&) const { return "decryption failed"; }
    std::string operator()(const Validation& e) const { return fmt::format("validation failed: {}", e.text); }
    std::string operator()(const UnknownProduct& e) const { return fmt::format("unknown product: {}", e.text); }
};

}  // namespace

std::string CoreError::message() const { return std::visit(MessageOf{}, variant()); }

}  // namespace orrincore_error
