// SPDX-License-Identifier: GPL-3.0-or-later
// A closed span of values, low to high: a target in hertz or newtons, a search band.
#pragma once

namespace vellora {

struct Range {
    double low = 0;
    double high = 0;

    bool contains(double v) const { return v >= low && v <= high; }
};

}  // namespace vellora
