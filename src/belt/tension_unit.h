// SPDX-License-Identifier: GPL-3.0-or-later
// The unit a set-up's tension is shown in on the large read-out: chosen per set-up,
// since one drive's manual gives newtons and another's pounds-force.
#pragma once

#include <string>

#include "belt/tension.h"

namespace vellora {

enum class TensionUnit { Newtons, Kgf, Lbf };

inline double tensionIn(const Tension& t, TensionUnit u) {
    return u == TensionUnit::Kgf ? t.kgf : u == TensionUnit::Lbf ? t.lbf : t.newtons;
}

// The symbol, which is also the word the settings file keeps.
inline const char* unitSymbol(TensionUnit u) {
    return u == TensionUnit::Kgf ? "kgf" : u == TensionUnit::Lbf ? "lbf" : "N";
}

// The unit a stored word names; newtons for anything else.
inline TensionUnit unitOf(const std::string& word) {
    return word == "kgf"   ? TensionUnit::Kgf
           : word == "lbf" ? TensionUnit::Lbf
                           : TensionUnit::Newtons;
}

}  // namespace vellora
