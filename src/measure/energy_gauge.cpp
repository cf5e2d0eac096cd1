#include "measure/energy_gauge.h"

#include <cmath>

#include "common/numeric.h"

namespace vellora {

namespace {
constexpr double kPi = 3.14159265358979;
constexpr float kSweepStep = 20.0f;  // energy units per drawn line of the sector
}  // namespace

void drawGaugeLine(DrawingSurface& gauge, double v, int32_t energieMax) {
    if (energieMax == 0) return;
    const double theta = v * kPi / energieMax;
    const double fraction = v / energieMax * 255;
    const int32_t red = toInt16(fraction).value_or(255);
    const int32_t green = toInt16(256 - fraction).value_or(0);
    const double wg = gauge.scaleWidth();
    const double hg = gauge.scaleHeight();
    gauge.line(float(wg / 2), float(hg), float(wg / 2 - wg * std::cos(theta) / 2),
               float(hg - hg * std::sin(theta)), rgb(red, green, 128));
}

void drawEnergyGauge(DrawingSurface& gauge, int32_t energieSpectre, int32_t energieMax,
                     int32_t& energiePrecedente) {
    gauge.clear();
    const int32_t needle = energiePrecedente;
    energiePrecedente = energieSpectre;
    if (energieMax == 0) return;
    const float limit = float(energieSpectre);
    for (float e = 0.0f; e <= limit; e += kSweepStep) {
        drawGaugeLine(gauge, e, energieMax);
        if (e + kSweepStep == e) break;  // beyond float precision the sweep would never end
    }
    drawGaugeLine(gauge, needle, energieMax);
}

}  // namespace vellora
