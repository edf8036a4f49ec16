#pragma once
// Whether help and errors may be coloured: each stream's terminal status and
// the colour variables of the environment, decided once at start-up.

namespace vevizovuvazavad {

struct ColourChoice {
    bool out = false;
    bool err = false;
    static ColourChoice from_environment();
};

}  // namespace vevizovuvazavad
