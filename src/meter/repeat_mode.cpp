// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/repeat_mode.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vellora {

int refusalKey(PluckRefusal why) {
    switch (why) {
        case PluckRefusal::NoOnset:
        case PluckRefusal::LateOnset:
            return 83;
        case PluckRefusal::TooShort:
            return 84;
        case PluckRefusal::NotDecaying:
            return 85;
        case PluckRefusal::NoTone:
            return 86;
        case PluckRefusal::Unsteady:
            return 87;
        case PluckRefusal::OutOfRange:
            return 88;
        case PluckRefusal::None:
            break;
    }
    return 0;
}

void RepeatMode::setEnabled(bool on) {
    enabled_ = on;
    if (!on) stopped();
}

void RepeatMode::setTimes(RepeatTimes times) {
    times.holdMs = std::clamp(times.holdMs, kMinRepeatMs, kMaxRepeatMs);
    times.refusalMs = std::clamp(times.refusalMs, kMinRepeatMs, kMaxRepeatMs);
    times_ = times;
}

RepeatDecision RepeatMode::triggered(const PluckVerdict& verdict, bool tonePlaying) {
    const bool wasContinuing = continuing_;
    continuing_ = false;
    pending_ = false;
    if (!enabled_ || tonePlaying) return {};
    pending_ = true;
    const bool tailPossible = refusedBefore_;
    refusedBefore_ = false;
    if (verdict.isPluck()) {
        lastRefusal_ = PluckRefusal::None;
        return {RepeatStep::Accept, times_.holdMs, PluckRefusal::None, true};
    }
    // Only one clip may continue a late onset; a second late one starts afresh.
    if (verdict.refusal == PluckRefusal::LateOnset && !wasContinuing) {
        continuing_ = true;
        return {RepeatStep::Continue, 0, verdict.refusal, false};
    }
    // The run listens again at once after a refusal, and its first trigger is often the
    // ringing of the very sound refused: no onset of its own. It is that sound still,
    // told and logged once, under its first reason.
    if (verdict.refusal == PluckRefusal::NoOnset && tailPossible) {
        refusedBefore_ = true;  // a long ringing triggers more than once
        return {RepeatStep::Refuse, 0, lastRefusal_, false};
    }
    const bool repeated = verdict.refusal == lastRefusal_;
    lastRefusal_ = verdict.refusal;
    refusedBefore_ = true;
    return {RepeatStep::Refuse, 0, verdict.refusal, !repeated};
}

void RepeatMode::stopped() {
    pending_ = false;
    continuing_ = false;
    lastRefusal_ = PluckRefusal::None;
    refusedBefore_ = false;
}

std::string agreeingText(const std::string& pattern, int agreeing, int needed) {
    std::string text = pattern;
    auto put = [&text](const char* mark, int value) {
        const size_t at = text.find(mark);
        if (at != std::string::npos) text.replace(at, 2, std::to_string(value));
    };
    put("%1", agreeing);
    put("%2", needed);
    return text;
}

std::vector<uint8_t> cueSamples(bool confirmation, uint32_t rate) {
    // Both cues end within kMinRepeatMs, before the run re-arms and listens again.
    constexpr double kBeepSeconds = 0.07;
    constexpr double kGapSeconds = 0.04;
    constexpr double kEdgeSeconds = 0.01;
    constexpr double kSteps = 90;  // loud enough to hear at arm's length, short of clipping
    const double pitches[] = {880, 1320};
    const int beeps = confirmation ? 2 : 1;
    const size_t beep = size_t(kBeepSeconds * rate), gap = size_t(kGapSeconds * rate);
    const double edge = kEdgeSeconds * rate;
    std::vector<uint8_t> out;
    for (int b = 0; b < beeps; ++b) {
        if (b > 0) out.insert(out.end(), gap, 128);
        for (size_t i = 0; i < beep; ++i) {
            const double fade = std::min({1.0, double(i) / edge, double(beep - 1 - i) / edge});
            const double v =
                kSteps * fade * std::sin(2 * std::numbers::pi * pitches[b] * double(i) / rate);
            out.push_back(uint8_t(std::lround(128 + v)));
        }
    }
    return out;
}

}  // namespace vellora
