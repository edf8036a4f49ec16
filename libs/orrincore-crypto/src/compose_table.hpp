#pragma once
// The fixed composition table of canonical strings: the common accented Latin
// letters, each an ASCII base letter followed by one combining mark. Every
// result agrees with Unicode canonical composition for its pair, but this is
// deliberately not full NFC: nothing outside these 57 pairs is composed, so the
// canonical bytes never depend on the Unicode version of a library.

#include <array>
#include <cstddef>

namespace orrincore_crypto::canonical::detail {

struct ComposedPair {
    char base;
    char32_t mark;
    char32_t composed;
};

inline constexpr char32_t grave = 0x0300;
inline constexpr char32_t acute = 0x0301;
inline constexpr char32_t circumflex = 0x0302;
inline constexpr char32_t tilde = 0x0303;
inline constexpr char32_t diaeresis = 0x0308;
inline constexpr char32_t ring_above = 0x030A;
inline constexpr char32_t caron = 0x030C;

inline constexpr std::array<ComposedPair, 57> composed_pairs{{
    {'A', grave, 0xC0},      {'A', acute, 0xC1},      {'A', circumflex, 0xC2}, {'A', tilde, 0xC3},
    {'A', diaeresis, 0xC4},  {'A', ring_above, 0xC5}, {'a', grave, 0xE0},      {'a', acute, 0xE1},
    {'a', circumflex, 0xE2}, {'a', tilde, 0xE3},      {'a', diaeresis, 0xE4},  {'a', ring_above, 0xE5},
    {'E', grave, 0xC8},      {'E', acute, 0xC9},      {'E', circumflex, 0xCA}, {'E', diaeresis, 0xCB},
    {'e', grave, 0xE8},      {'e', acute, 0xE9},      {'e', circumflex, 0xEA}, {'e', diaeresis, 0xEB},
    {'I', grave, 0xCC},      {'I', acute, 0xCD},      {'I', circumflex, 0xCE}, {'I', diaeresis, 0xCF},
    {'i', grave, 0xEC},      {'i', acute, 0xED},      {'i', circumflex, 0xEE}, {'i', diaeresis, 0xEF},
    {'O', grave, 0xD2},      {'O', acute, 0xD3},      {'O', circumflex, 0xD4}, {'O', tilde, 0xD5},
    {'O', diaeresis, 0xD6},  {'o', grave, 0xF2},      {'o', acute, 0xF3},      {'o', circumflex, 0xF4},
    {'o', tilde, 0xF5},      {'o', diaeresis, 0xF6},  {'U', grave, 0xD9},      {'U', acute, 0xDA},
    {'U', circumflex, 0xDB}, {'U', diaeresis, 0xDC},  {'u', grave, 0xF9},      {'u', acute, 0xFA},
    {'u', circumflex, 0xFB}, {'u', diaeresis, 0xFC},  {'N', tilde, 0xD1},      {'n', tilde, 0xF1},
    {'Y', acute, 0xDD},      {'y', acute, 0xFD},      {'y', diaeresis, 0xFF},  {'C', caron, 0x010C},
    {'c', caron, 0x010D},    {'S', caron, 0x0160},    {'s', caron, 0x0161},    {'Z', caron, 0x017D},
    {'z', caron, 0x017E},
}};

// The precomposed letter for `base` followed by `mark`, or 0 when the table
// does not pair them.
constexpr char32_t composed_letter(char base, char32_t mark) {
    for (const ComposedPair& pair : composed_pairs)
        if (pair.base == base && pair.mark == mark) return pair.composed;
    return 0;
}

// A short table is padded with empty entries by aggregate initialisation.
static_assert([] {
    for (const ComposedPair& pair : composed_pairs)
        if (pair.base == 0) return false;
    return true;
}());

}  // namespace orrincore_crypto::canonical::detail
