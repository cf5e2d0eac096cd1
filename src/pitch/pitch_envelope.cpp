// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace vellora {

namespace {
constexpr double kBlockSeconds = 0.01;
// A pluck reaches its peak within a block or two; blocks this far under the peak before
// it are the noise that precedes it.
constexpr double kOnsetShare = 0.2;
constexpr double kRingShare = 0.1;    // -20 dB
constexpr double kHoldShare = 0.708;  // -3 dB
constexpr double kReattackBelow = 1.0 / 3;
constexpr double kAttackShare = 0.5;   // -6 dB
constexpr double kDropShare = 0.316;   // -10 dB
constexpr size_t kDropBlocks = 2;      // the fall after a hold takes at most this long
constexpr size_t kDownBlocks = 3;      // and the level stays down this long, or to the end
constexpr size_t kMinFloorBlocks = 5;  // blocks before the peak that show a floor
constexpr double kOverFloor = 2;       // a pluck rises this far over it
constexpr double kSteadyFloor = 1.5;   // the floor's halves within 3.5 dB

// Whether a run of blocks within 3 dB of `top` ends in a fall to 10 dB under it.
bool endsAbruptly(std::span<const double> level, double top) {
    size_t run = 0;
    for (size_t b = 0; b < level.size(); ++b) {
        if (level[b] >= kHoldShare * top) {
            ++run;
            continue;
        }
        if (run >= kMinPlateauBlocks) {
            for (size_t d = b; d < b + kDropBlocks && d < level.size(); ++d) {
                const auto down = level.subspan(d, std::min(kDownBlocks, level.size() - d));
                if (std::all_of(down.begin(), down.end(),
                                [&](double l) { return l <= kDropShare * top; }))
                    return true;
            }
        }
        run = 0;
    }
    return false;
}
}  // namespace

Envelope analyseEnvelope(std::span<const double> x, double rate) {
    Envelope e;
    if (x.empty() || !(rate > 0)) return e;
    const size_t block = std::max<size_t>(1, size_t(kBlockSeconds * rate));
    const size_t count = std::max<size_t>(1, x.size() / block);  // a short last block is left out
    std::vector<double> level(count, 0.0);
    double total = 0;
    for (size_t b = 0; b < count; ++b) {
        const size_t end = b + 1 == count ? x.size() : (b + 1) * block;
        double sum = 0;
        for (size_t i = b * block; i < end; ++i) sum += x[i] * x[i];
        total += sum;
        level[b] = std::sqrt(sum / double(end - b * block));
    }
    e.rms = std::sqrt(total / double(x.size()));
    // Low notes swing within a block; the largest of three neighbours follows the
    // envelope rather than the waveform.
    std::vector<double> smooth(count);
    for (size_t b = 0; b < count; ++b) {
        const size_t lo = b == 0 ? 0 : b - 1, hi = std::min(count - 1, b + 1);
        smooth[b] = *std::max_element(level.begin() + std::ptrdiff_t(lo),
                                      level.begin() + std::ptrdiff_t(hi) + 1);
    }
    const size_t peak = size_t(std::max_element(level.begin(), level.end()) - level.begin());
    const double top = level[peak];
    if (top <= 0) return e;
    // Over a steady sound (an engine's firings) the level before the pluck may stand above
    // a fifth of the peak: the onset is where the level leaves that floor, when the floor
    // holds (an earlier tap dying away is no floor) and the sound after the peak stays well
    // above it (the loudest of a steady sound's swings is no onset).
    double onsetShare = kOnsetShare;
    if (peak >= kMinFloorBlocks && peak + kMinSlopeBlocks <= count) {
        const auto median = [&](size_t from, size_t to) {
            std::vector<double> v(level.begin() + std::ptrdiff_t(from),
                                  level.begin() + std::ptrdiff_t(to));
            std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
            return v[v.size() / 2];
        };
        const size_t before = peak - 1;
        const double floor = median(0, before), first = median(0, before / 2),
                     second = median(before / 2, before);
        const bool holds = std::max(first, second) <= kSteadyFloor * std::min(first, second);
        if (holds && median(peak, peak + kMinSlopeBlocks) >= kOverFloor * floor)
            onsetShare = std::clamp(kOverFloor * floor / top, kOnsetShare, kAttackShare);
    }
    size_t start = peak;
    while (start > 0 && smooth[start - 1] >= onsetShare * top) --start;
    e.onset = start * block;
    size_t ring = peak;
    for (size_t b = peak; b < count; ++b)
        if (smooth[b] >= kRingShare * top) ring = b + 1;
    e.ringSeconds = double(ring * block - e.onset) / rate;
    e.endToPeak = smooth.back() / top;
    size_t attack = start;
    while (level[attack] < kAttackShare * top) ++attack;
    e.slopeDbPerS = std::numeric_limits<double>::quiet_NaN();
    if (ring >= attack + kMinSlopeBlocks) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        const double n = double(ring - attack);
        for (size_t b = attack; b < ring; ++b) {
            const double t = double(b - attack), y = 20 * std::log10(std::max(level[b], 1e-3));
            sx += t, sy += y, sxx += t * t, sxy += t * y;
        }
        e.slopeDbPerS = (n * sxy - sx * sy) / (n * sxx - sx * sx) * rate / double(block);
    }
    if (ring < count) {
        size_t held = peak;
        while (held < count && level[held] >= kHoldShare * top) ++held;
        e.holdShare = double(held - peak) / double(std::max<size_t>(1, ring - peak));
    }
    e.abruptEnd = endsAbruptly(std::span(level).subspan(start), top);
    e.levels = std::move(level);
    e.blockSeconds = double(block) / rate;
    return e;
}

double reattack(const Envelope& e, double smoothSeconds) {
    const size_t count = e.levels.size();
    if (count == 0) return 1;
    const size_t reach = size_t(std::ceil(0.5 * smoothSeconds / e.blockSeconds));
    std::vector<double> smooth(count);
    for (size_t b = 0; b < count; ++b) {
        const size_t lo = b > reach ? b - reach : 0, hi = std::min(count - 1, b + reach);
        smooth[b] = *std::max_element(e.levels.begin() + std::ptrdiff_t(lo),
                                      e.levels.begin() + std::ptrdiff_t(hi) + 1);
    }
    // For every block: the loudest before it and after it.
    std::vector<double> after(count + 1, 0.0);
    for (size_t b = count; b-- > 0;) after[b] = std::max(after[b + 1], smooth[b]);
    double before = 0, rise = 1;
    for (size_t b = 0; b < count; ++b) {
        if (smooth[b] > 0 && smooth[b] < kReattackBelow * before)
            rise = std::max(rise, after[b + 1] / smooth[b]);
        before = std::max(before, smooth[b]);
    }
    return rise;
}

}  // namespace vellora
