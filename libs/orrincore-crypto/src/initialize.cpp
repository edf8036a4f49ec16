#include "orrincore_crypto/initialize.hpp"

#include <sodium.h>
#include <unistd.h>

#include <cstdint>

namespace orrincore_crypto {

orrincore_error::Result<void> initialize() {
    // One byte drawn shows the source answers. libsodium opens its own at
    // start-up too; its 1 means an earlier call already succeeded.
    std::uint8_t probe;
    if (::getentropy(&probe, sizeof probe) != 0 || sodium_init() < 0)
        return std::unexpected(orrincore_error::validation("the operating system's random source is unavailable"));
    return {};
}

}  // namespace orrincore_crypto
