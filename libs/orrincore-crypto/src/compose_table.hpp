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

inline constexpr char32_t kGrave = 0x0300;
inline constexpr char32_t kAcute = 0x0301;
inline constexpr char32_t kCircumflex = 0x0302;
inline constexpr char32_t kTilde = 0x0303;
inline constexpr char32_t kDiaeresis = 0x0308;
inline constexpr char32_t kRingAbove = 0x030A;
inline constexpr char32_t kCaron = 0x030C;

inline constexpr std::array<ComposedPair, 57> kComposedPairs{{
    {'A', kGrave, 0xC0}, {'A', kAcute, 0xC1}, {'A', kCircumflex, 0xC2}, {'A', kTilde, 0xC3},
    {'A', kDiaeresis, 0xC4}, {'A', kRingAbove, 0xC5},
    {'a', kGrave, 0xE0}, {'a', kAcute, 0xE1}, {'a', kCircumflex, 0xE2}, {'a', kTilde, 0xE3},
    {'a', kDiaeresis, 0xE4}, {'a', kRingAbove, 0xE5},
    {'E', kGrave, 0xC8}, {'E', kAcute, 0xC9}, {'E', kCircumflex, 0xCA}, {'E', kDiaeresis, 0xCB},
    {'e', kGrave, 0xE8}, {'e', kAcute, 0xE9}, {'e', kCircumflex, 0xEA}, {'e', kDiaeresis, 0xEB},
    {'I', kGrave, 0xCC}, {'I', kAcute, 0xCD}, {'I', kCircumflex, 0xCE}, {'I', kDiaeresis, 0xCF},
    {'i', kGrave, 0xEC}, {'i', kAcute, 0xED}, {'i', kCircumflex, 0xEE}, {'i', kDiaeresis, 0xEF},
    {'O', kGrave, 0xD2}, {'O', kAcute, 0xD3}, {'O', kCircumflex, 0xD4}, {'O', kTilde, 0xD5},
    {'O', kDiaeresis, 0xD6},
    {'o', kGrave, 0xF2}, {'o', kAcute, 0xF3}, {'o', kCircumflex, 0xF4}, {'o', kTilde, 0xF5},
    {'o', kDiaeresis, 0xF6},
    {'U', kGrave, 0xD9}, {'U', kAcute, 0xDA}, {'U', kCircumflex, 0xDB}, {'U', kDiaeresis, 0xDC},
    {'u', kGrave, 0xF9}, {'u', kAcute, 0xFA}, {'u', kCircumflex, 0xFB}, {'u', kDiaeresis, 0xFC},
    {'N', kTilde, 0xD1},
    {'n', kTilde, 0xF1},
    {'Y', kAcute, 0xDD},
    {'y', kAcute, 0xFD}, {'y', kDiaeresis, 0xFF},
    {'C', kCaron, 0x010C},
    {'c', kCaron, 0x010D},
    {'S', kCaron, 0x0160},
    {'s', kCaron, 0x0161},
    {'Z', kCaron, 0x017D},
    {'z', kCaron, 0x017E},
}};

// The precomposed letter for `base` followed by `mark`, or 0 when the table
// does not pair them.
constexpr char32_t composed_letter(char base, char32_t mark) {
    for (const ComposedPair& pair : kComposedPairs)
        if (pair.base == base && pair.mark == mark) return pair.composed;
    return 0;
}

// A short table is padded with empty entries by aggregate initialisation.
static_assert([] {
    for (const ComposedPair& pair : kComposedPairs)
        if (pair.base == 0) return false;
    return true;
}());

}  // namespace orrincore_crypto::canonical::detail
