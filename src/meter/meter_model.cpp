// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/meter_model.h"

namespace vellora {

int statusKey(MeterActivity activity) {
    switch (activity) {
        case MeterActivity::Stopped:
            return kRepeatStoppedKey;
        case MeterActivity::Running:
            return kMeasuringKey;
        case MeterActivity::LearningNoise:
            return kListeningKey;
        case MeterActivity::WaitingForPluck:
            return kWaitingKey;
        case MeterActivity::Judging:
            return kJudgingKey;
        case MeterActivity::Holding:
            return kHoldingKey;
        case MeterActivity::Calibrating:
            return kCalibratingKey;
    }
    return kRepeatStoppedKey;
}

int failureCauseKey(Failure failure) {
    switch (failure) {
        case Failure::NotRegularFile:
            return kNotSavedKey + 1;  // a folder, a FIFO or a device
        case Failure::NotPermitted:
            return kNotSavedKey + 2;
        case Failure::BadContent:
            return kNotSavedKey + 3;  // another program's CSV
        case Failure::NotFound:
            return kNotSavedKey + 4;  // its folder is gone
        default:
            return kNotSavedKey + 5;  // the write itself failed: a full or failing disk
    }
}

void MeterModel::readingSaved(const Status& appended) {
    notSaved_ = appended ? std::nullopt : std::optional(appended.failure());
}

void MeterModel::chooseSetup(const std::optional<BeltSetup>& setup) {
    if (setup == setup_) return;
    setup_ = setup;
    // The reading shown and the agreement were of the set-up before.
    shown_.reset();
    notice_.reset();
    agreement_.clear();
}

std::optional<Range> MeterModel::searchRange() const {
    return setup_ ? targetFrequencies(*setup_) : std::nullopt;
}

MeterActivity MeterModel::state() const {
    if (calibrating_) return MeterActivity::Calibrating;
    if (judging_) return MeterActivity::Judging;
    if (holding_ && repeat_.pending()) return MeterActivity::Holding;
    if (learningNoise_) return MeterActivity::LearningNoise;
    if (running_ || repeat_.pending())
        return repeat_.enabled() ? MeterActivity::WaitingForPluck : MeterActivity::Running;
    return MeterActivity::Stopped;
}

void MeterModel::runStarted() {
    running_ = true;
    holding_ = judging_ = false;
}

void MeterModel::rearmed() {
    repeat_.rearmed();
    running_ = true;
    holding_ = judging_ = false;
}

void MeterModel::runStopped() {
    running_ = false;
    judging_ = false;
    if (!repeat_.pending()) holding_ = false;
}

void MeterModel::setCalibrating(bool on) {
    calibrating_ = on;
    if (!on) toneHeard_.reset();
}

MeterReading MeterModel::readingOf(double f1, double inharmonicity, Clock::time_point time) const {
    MeterReading r;
    r.line.time = time;
    r.line.hz = f1;
    r.inharmonicity = inharmonicity;
    if (setup_) {
        r.line.setup = setup_->name;
        // The one place a reading's tension and verdict are worked out.
        const Tension t = tensionOf(*setup_, f1, inharmonicity);
        r.line.tension = t;
        r.line.range = rangeStatus(*setup_, f1, t);
        r.measuredStiffness = setup_->measuredStiffness;
        r.factor = setup_->factor;
        r.unit = setup_->unit;
    }
    return r;
}

void MeterModel::clipRead(std::optional<double> f1, double inharmonicity, Clock::time_point time) {
    // Repeat holds the last reading taken: the clips between plucks are background.
    if (repeat_.enabled()) return;
    MeterReading r = readingOf(f1.value_or(0), f1 ? inharmonicity : 0, time);
    if (!f1) {
        r.clearPitch = false;
        r.line.tension.reset();
        r.line.range = RangeStatus::NoTarget;
    }
    shown_ = r;
}

const MeterReading& MeterModel::take(MeterReading r) {
    r.triggered = true;
    agreement_.push_back(r.line);
    r.agreement = agreementOf(agreement_);
    r.agreeing = agreeingCount(agreement_);
    if (r.agreement == Agreement::Confirmed) r.line.status = ReadingStatus::Confirmed;
    agreement_.back() = r.line;
    // Only the readings that can still agree are kept: a day hands-free stays small.
    if (agreement_.size() > size_t(kConfirmingReadings))
        agreement_.erase(agreement_.begin(), agreement_.end() - kConfirmingReadings);
    judging_ = false;
    notice_.reset();
    shown_ = r;
    return *shown_;
}

const MeterReading& MeterModel::taken(double f1, double inharmonicity, Clock::time_point time) {
    return take(readingOf(f1, inharmonicity, time));
}

const MeterReading& MeterModel::pluckTaken(double f1, double inharmonicity,
                                           Clock::time_point time) {
    holding_ = true;
    return take(readingOf(f1, inharmonicity, time));
}

MeterReading MeterModel::refused(PluckRefusal why, const std::string& whyText,
                                 Clock::time_point time) {
    judging_ = false;
    holding_ = false;
    notice_ = why;
    MeterReading r;
    r.triggered = true;
    r.line.time = time;
    r.line.setup = setup_ ? setup_->name : std::string();
    r.line.status = ReadingStatus::Refused;
    r.line.why = whyText;
    return r;
}

}  // namespace vellora
