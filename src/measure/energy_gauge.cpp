// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/energy_gauge.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "common/numeric.h"

namespace vellora {

namespace {

constexpr float kSweepStep = 20.0f;  // energy units per drawn line of the sector

// The sweep is kept at checkpoints: at most this many pictures per gauge scale, and
// never closer than kMinStride lines, so that a cycle draws at most one stride of
// lines on a kept picture instead of the whole sector (tens of thousands of lines
// with loud noise).
constexpr int64_t kMaxCheckpoints = 64;
constexpr int64_t kMinStride = 128;
// Lines handed to the surface at once: the batch stays small whatever the energy.
constexpr size_t kBatchLines = 4096;

// energieMax must not be 0.
SurfaceLine gaugeLine(double v, int32_t energieMax, double wg, double hg) {
    const double theta = v * kDesignPi / energieMax;
    const double fraction = v / energieMax * 255;
    const int32_t red = toInt16(fraction).value_or(255);
    const int32_t green = toInt16(256 - fraction).value_or(0);
    return {float(wg / 2), float(hg), float(wg / 2 - wg * std::cos(theta) / 2),
            float(hg - hg * std::sin(theta)), rgb(red, green, 128)};
}

// The sweep's energies 0, 20, 40 ... as long as e <= limit, added up in single floats
// as the sweep always has, so every cycle walks the same values.
class SweepEnergies {
  public:
    explicit SweepEnergies(int32_t energieSpectre) : limit_(float(energieSpectre)) {}
    bool done() const { return done_; }
    float value() const { return e_; }
    void next() {
        // Beyond float precision the sweep would never end.
        done_ = e_ + kSweepStep == e_ || !(e_ + kSweepStep <= limit_);
        e_ += kSweepStep;
    }

  private:
    float limit_;
    float e_ = 0.0f;
    bool done_ = !(0.0f <= limit_);
};

// The sweep's lines of one scale and size, worked out once: every cycle at that scale
// walks the same energies, so each line's cosine and sine are taken once, not per cycle.
// Lines are added as far as a sweep has reached; a new scale or size starts afresh.
class SweepTable {
  public:
    // Line k of the sweep whose energy is `value` (the k-th energy of SweepEnergies).
    SurfaceLine line(int64_t k, float value, int32_t energieMax, float wg, float hg) {
        if (energieMax != energieMax_ || wg != wg_ || hg != hg_) {
            lines_.clear();
            next_ = 0.0f;
            energieMax_ = energieMax;
            wg_ = wg;
            hg_ = hg;
        }
        // The energies are those of the sweep, added up the same way from 0.
        while (int64_t(lines_.size()) <= k && int64_t(lines_.size()) < kMostTabled) {
            lines_.push_back(gaugeLine(next_, energieMax, wg, hg));
            next_ += kSweepStep;
        }
        if (k < int64_t(lines_.size())) return lines_[size_t(k)];
        return gaugeLine(value, energieMax, wg, hg);
    }

  private:
    // A full sweep on a large screen; beyond it lines are worked out each time.
    static constexpr int64_t kMostTabled = int64_t(1) << 18;
    std::vector<SurfaceLine> lines_;
    float next_ = 0.0f;  // the energy of the next line to add
    int32_t energieMax_ = 0;
    float wg_ = 0.0f, hg_ = 0.0f;
};

// One per thread, so that drawing on several threads shares nothing.
SweepTable& sweepTable() {
    thread_local SweepTable table;
    return table;
}

int64_t sweepLength(int32_t energieSpectre) {
    int64_t n = 0;
    for (SweepEnergies e(energieSpectre); !e.done(); e.next()) ++n;
    return n;
}

// The picture after the first `lines` lines of the sweep at this scale and size.
PictureKey sweepKey(int32_t energieMax, float wg, float hg, int64_t lines) {
    return {uint64_t(uint32_t(energieMax)),
            uint64_t(std::bit_cast<uint32_t>(wg)) << 32 | std::bit_cast<uint32_t>(hg),
            uint64_t(lines)};
}

}  // namespace

void drawGaugeLine(DrawingSurface& gauge, double v, int32_t energieMax) {
    if (energieMax == 0) return;
    const SurfaceLine l = gaugeLine(v, energieMax, gauge.scaleWidth(), gauge.scaleHeight());
    gauge.line(l.x1, l.y1, l.x2, l.y2, l.colour);
}

// Every sweep at one scale and size begins with the same lines, so the sweep resumes
// from the furthest checkpoint it has passed before. The size is read once, as nothing
// can resize the gauge while it is drawn.
void drawEnergyGauge(DrawingSurface& gauge, int32_t energieSpectre, int32_t energieMax,
                     int32_t& energiePrecedente) {
    const int32_t needle = energiePrecedente;
    energiePrecedente = energieSpectre;
    if (energieMax == 0) {
        gauge.clear();
        return;
    }
    const float wg = gauge.scaleWidth();
    const float hg = gauge.scaleHeight();
    const int64_t count = sweepLength(energieSpectre);
    // The sweep never passes energieMax: the checkpoints of one scale stay few.
    const int64_t longest = std::abs(int64_t(energieMax)) / int64_t(kSweepStep) + 1;
    const int64_t stride = std::max(kMinStride, (longest + kMaxCheckpoints - 1) / kMaxCheckpoints);

    int64_t start = 0;
    for (int64_t c = count / stride; c > 0 && start == 0; --c)
        if (gauge.restorePicture(sweepKey(energieMax, wg, hg, c * stride))) start = c * stride;
    if (start == 0) gauge.clear();

    SweepEnergies e(energieSpectre);
    for (int64_t k = 0; k < start; ++k) e.next();
    SweepTable& table = sweepTable();
    std::vector<SurfaceLine> batch;
    batch.reserve(kBatchLines);
    for (int64_t k = start; k < count; ++k, e.next()) {
        batch.push_back(table.line(k, e.value(), energieMax, wg, hg));
        const bool checkpoint = (k + 1) % stride == 0;
        if (checkpoint || batch.size() == kBatchLines) {
            gauge.lines(batch);
            batch.clear();
        }
        if (checkpoint) gauge.keepPicture(sweepKey(energieMax, wg, hg, k + 1));
    }
    gauge.lines(batch);
    drawGaugeLine(gauge, needle, energieMax);
}

}  // namespace vellora
