#include "zedododor_avovodizi/initialize.hpp"

#include <sodium.h>

namespace zedododor_avovodizi {

orrincore_error::Result<void> initialize() {
    // 1 means an earlier call already succeeded.
    if (sodium_init() < 0)
        return std::unexpected(orrincore_error::validation("the operating system's random source is unavailable"));
    return {};
}

}  // namespace zedododor_avovodizi
