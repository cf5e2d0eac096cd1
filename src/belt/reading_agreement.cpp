// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/reading_agreement.h"

#include <algorithm>
#include <vector>

namespace vellora {

namespace {

// The last `count` readings that were not refused, newest first; fewer when the log
// holds fewer.
std::vector<const Reading*> lastCounted(std::span<const Reading> readings, int count) {
    std::vector<const Reading*> last;
    for (auto r = readings.rbegin(); r != readings.rend() && int(last.size()) < count; ++r)
        if (r->status != ReadingStatus::Refused) last.push_back(&*r);
    return last;
}

bool withinSpread(std::span<const Reading* const> last) {
    double lo = last[0]->hz, hi = last[0]->hz;
    for (const Reading* r : last) {
        if (r->setup != last[0]->setup) return false;
        lo = std::min(lo, r->hz);
        hi = std::max(hi, r->hz);
    }
    return lo > 0 && (hi - lo) <= kConfirmingSpread * lo;
}

}  // namespace

Agreement agreementOf(std::span<const Reading> readings) {
    const std::vector<const Reading*> last = lastCounted(readings, kConfirmingReadings);
    if (last.size() < size_t(kConfirmingReadings)) return Agreement::TooFew;
    for (const Reading* r : last)
        if (r->setup != last[0]->setup) return Agreement::TooFew;
    return withinSpread(last) ? Agreement::Confirmed : Agreement::Disagree;
}

int agreeingCount(std::span<const Reading> readings) {
    const std::vector<const Reading*> last = lastCounted(readings, kConfirmingReadings);
    size_t n = last.size();
    while (n > 0 && !withinSpread(std::span(last).first(n))) --n;
    return int(n);
}

}  // namespace vellora
