#include "edwards_point.hpp"

namespace orrincore_crypto::detail {
namespace {

// A field element modulo p = 2^255 - 19 as five 51-bit limbs, least
// significant first. Limbs may exceed 51 bits between carries.
using Limb = std::uint64_t;
using Wide = unsigned __int128;
struct FieldElement {
    Limb limb[5];
};

constexpr Limb limb_mask = (Limb{1} << 51) - 1;

// d = -121665 / 121666 mod p, the curve constant of Edwards25519.
constexpr FieldElement curve_d{
    {929955233495203, 466365720129213, 1662059464998953, 2033849074728123, 1442794654840575}};
constexpr FieldElement one{{1, 0, 0, 0, 0}};
// p - 1, so that adding it subtracts one without an underflow.
constexpr FieldElement p_minus_one{
    {limb_mask - 19, limb_mask, limb_mask, limb_mask, limb_mask}};
// (p - 1) / 2 = 2^254 - 10, little-endian: the exponent of Euler's criterion.
constexpr std::uint8_t euler_exponent[32] = {
    0xf6, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x3f};
constexpr int euler_exponent_bits = 254;

// Brings every limb below 2^51 (plus a small excess on limb 0); 2^255 = 19.
void carry(FieldElement& f) {
    for (int i = 0; i < 4; ++i) {
        f.limb[i + 1] += f.limb[i] >> 51;
        f.limb[i] &= limb_mask;
    }
    f.limb[0] += 19 * (f.limb[4] >> 51);
    f.limb[4] &= limb_mask;
}

FieldElement add(const FieldElement& a, const FieldElement& b) {
    FieldElement sum;
    for (int i = 0; i < 5; ++i) sum.limb[i] = a.limb[i] + b.limb[i];
    carry(sum);
    return sum;
}

FieldElement multiply(const FieldElement& a, const FieldElement& b) {
    const Limb* x = a.limb;
    const Limb* y = b.limb;
    // Limbs of b shifted past the top wrap around times 19.
    const Limb y1_19 = 19 * y[1], y2_19 = 19 * y[2], y3_19 = 19 * y[3], y4_19 = 19 * y[4];
    Wide r[5];
    r[0] = Wide{x[0]} * y[0] + Wide{x[1]} * y4_19 + Wide{x[2]} * y3_19 + Wide{x[3]} * y2_19 +
           Wide{x[4]} * y1_19;
    r[1] = Wide{x[0]} * y[1] + Wide{x[1]} * y[0] + Wide{x[2]} * y4_19 + Wide{x[3]} * y3_19 +
           Wide{x[4]} * y2_19;
    r[2] = Wide{x[0]} * y[2] + Wide{x[1]} * y[1] + Wide{x[2]} * y[0] + Wide{x[3]} * y4_19 +
           Wide{x[4]} * y3_19;
    r[3] = Wide{x[0]} * y[3] + Wide{x[1]} * y[2] + Wide{x[2]} * y[1] + Wide{x[3]} * y[0] +
           Wide{x[4]} * y4_19;
    r[4] = Wide{x[0]} * y[4] + Wide{x[1]} * y[3] + Wide{x[2]} * y[2] + Wide{x[3]} * y[1] +
           Wide{x[4]} * y[0];
    for (int i = 0; i < 4; ++i) {
        r[i + 1] += r[i] >> 51;
        r[i] &= limb_mask;
    }
    FieldElement product;
    for (int i = 0; i < 5; ++i) product.limb[i] = static_cast<Limb>(r[i] & limb_mask);
    product.limb[0] += 19 * static_cast<Limb>(r[4] >> 51);
    carry(product);
    return product;
}

FieldElement power(const FieldElement& base, const std::uint8_t (&exponent)[32], int bits) {
    FieldElement result = one;
    for (int bit = bits - 1; bit >= 0; --bit) {
        result = multiply(result, result);
        if ((exponent[bit / 8] >> (bit % 8)) & 1) result = multiply(result, base);
    }
    return result;
}

// The low 255 bits of the encoding; the top bit is the sign of x.
FieldElement from_bytes(const std::array<std::uint8_t, 32>& bytes) {
    Limb word[4] = {};
    for (int i = 0; i < 32; ++i) word[i / 8] |= Limb{bytes[i]} << (8 * (i % 8));
    return {{word[0] & limb_mask, (word[0] >> 51 | word[1] << 13) & limb_mask,
             (word[1] >> 38 | word[2] << 26) & limb_mask, (word[2] >> 25 | word[3] << 39) & limb_mask,
             (word[3] >> 12) & limb_mask}};
}

// Whether f is the residue `small` (a value below 2^51) modulo p.
bool equals_small(FieldElement f, Limb small) {
    carry(f);
    carry(f);  // now every limb is below 2^51, so 0 <= f < 2^255
    const bool at_least_p = f.limb[0] >= limb_mask - 18 && f.limb[1] == limb_mask &&
                            f.limb[2] == limb_mask && f.limb[3] == limb_mask &&
                            f.limb[4] == limb_mask;
    if (at_least_p) {
        f.limb[0] -= limb_mask - 18;
        f.limb[1] = f.limb[2] = f.limb[3] = f.limb[4] = 0;
    }
    return f.limb[0] == small && f.limb[1] == 0 && f.limb[2] == 0 && f.limb[3] == 0 &&
           f.limb[4] == 0;
}

}  // namespace

bool decodes_as_edwards_point(const std::array<std::uint8_t, 32>& encoding) {
    const FieldElement y = from_bytes(encoding);
    const FieldElement y_squared = multiply(y, y);
    const FieldElement u = add(y_squared, p_minus_one);           // y^2 - 1
    const FieldElement v = add(multiply(curve_d, y_squared), one);  // d y^2 + 1, never 0
    if (equals_small(u, 0)) return true;                          // x = 0
    // u / v is a square exactly when u v is; Euler: (u v)^((p-1)/2) = 1.
    return equals_small(power(multiply(u, v), euler_exponent, euler_exponent_bits), 1);
}

}  // namespace orrincore_crypto::detail
