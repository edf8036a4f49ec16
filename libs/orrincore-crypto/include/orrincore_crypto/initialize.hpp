#pragma once
// Start-up of the libraries, once per process.

#include <orrincore_error/error.hpp>

namespace orrincore_crypto {

// Checks that the operating system's random source (getentropy), from which
// every new identifier and signing key is drawn, answers, and sets up
// libsodium, whose Ed25519 functions sign and verify. Call it once at
// start-up, before the first identifier or key is made (the tool's main,
// each test and benchmark main), and stop when it fails: no library function
// reports a missing random source later. Calling it again is harmless.
// Failure: CoreError::Validation "the operating system's random source is
// unavailable".
orrincore_error::Result<void> initialize();

}  // namespace orrincore_crypto
