// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/numeric.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace vellora {

double roundHalfEven(double v) {
    // nearbyint follows the rounding mode, which this program never changes from
    // the default round-to-nearest-even.
    return std::nearbyint(v);
}

std::optional<int16_t> toInt16(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(r);
}

int32_t toInt32Saturated(double v) {
    if (std::isnan(v)) return 0;
    const double r = roundHalfEven(v);
    if (r <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (r >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

std::string formatWhole(double v) {
    if (!std::isfinite(v)) return "0";
    const double r = std::round(v);  // halves away from zero
    if (r == 0.0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", r);
    return buf;
}

int32_t rgb(int32_t red, int32_t green, int32_t blue) {
    auto limit = [](int32_t c) { return c < 0 ? 0 : (c > 255 ? 255 : c); };
    return limit(red) + 256 * limit(green) + 65536 * limit(blue);
}

}  // namespace vellora
