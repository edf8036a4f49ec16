#pragma once
// Whether 32 bytes decode as a compressed Edwards25519 point.

#include <array>
#include <cstdint>

namespace orrincore_crypto::detail {

// The decoding rule of Ed25519 public keys as this system reads them: y is the
// low 255 bits taken modulo p = 2^255 - 19 (so y >= p is not refused), and the
// bytes decode when x^2 = (y^2 - 1) / (d y^2 + 1) has a solution. The top bit
// only picks the sign of x. Small-order points and points outside the prime-
// order subgroup are accepted; libsodium's crypto_core_ed25519_is_valid_point
// refuses those, which is why this check exists.
bool decodes_as_edwards_point(const std::array<std::uint8_t, 32>& encoding);

}  // namespace orrincore_crypto::detail
