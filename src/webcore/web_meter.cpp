// SPDX-License-Identifier: GPL-3.0-or-later
#include "webcore/web_meter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "belt/belt_window_captions.h"
#include "belt/readings_csv.h"
#include "calibration/calibration_run.h"
#include "calibration/calibration_tone.h"
#include "calibration/pitch_calibration.h"
#include "common/text.h"
#include "ini/profile_text.h"
#include "measure/cycle_processing.h"
#include "measure/null_surface.h"
#include "measure/recording_reader.h"
#include "wave/recorder_wave.h"
#include "webcore/json_text.h"

namespace vellora {

namespace {

constexpr char kForm1[] = "FORM1";
constexpr char kBelt[] = "BELT";
constexpr char kFormSection[] = "FORM";
// The rates a card's calibration may give: a clock off by more is no sound card.
constexpr double kLowestCardRate = 8000;
constexpr double kHighestCardRate = 96000;
// FORM1 texts of the calibration read-out, as the desktop shows them.
constexpr int kNoClearToneKey = 41;
constexpr int kNotTheToneKey = 43;  // "%1" heard, "%2" the tone
constexpr int kNoToneHeardKey = 86;
constexpr int kScaleSetKey = 160;  // "%1" the tone
// The page's own: what to do while the tone plays ("%1" the tone).
constexpr int kWhileToneKey = 24;

std::optional<double> numberIn(const ProfileDocument& d, const char* key) {
    const std::optional<std::string> v = d.value(kWebSection, key);
    if (!v) return std::nullopt;
    double x = 0;
    const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), x);
    if (ec != std::errc() || end != v->data() + v->size() || !std::isfinite(x)) return std::nullopt;
    return x;
}

template <class T>
T inRange(std::optional<double> v, T fallback, double low, double high) {
    return v && *v >= low && *v <= high ? T(*v) : fallback;
}

const char* activityName(MeterActivity a) {
    switch (a) {
        case MeterActivity::Stopped:
            return "stopped";
        case MeterActivity::Running:
            return "running";
        case MeterActivity::LearningNoise:
            return "learning";
        case MeterActivity::WaitingForPluck:
            return "waiting";
        case MeterActivity::Judging:
            return "judging";
        case MeterActivity::Holding:
            return "holding";
        case MeterActivity::Calibrating:
            return "calibrating";
    }
    return "stopped";
}

const char* stepName(RepeatStep s) {
    switch (s) {
        case RepeatStep::Accept:
            return "accept";
        case RepeatStep::Refuse:
            return "refuse";
        case RepeatStep::Continue:
            return "continue";
        case RepeatStep::Original:
            break;
    }
    return "original";
}

std::string replaced(std::string text, std::string_view mark, const std::string& value) {
    const size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), value);
    return text;
}

// The form's fields by the names the page uses.
struct FormField {
    const char* name;
    std::string BeltSetupForm::*text;
};
constexpr FormField kTextFields[] = {
    {"name", &BeltSetupForm::name},
    {"mass", &BeltSetupForm::mass},
    {"width", &BeltSetupForm::width},
    {"ribs", &BeltSetupForm::ribs},
    {"ribPitch", &BeltSetupForm::ribPitch},
    {"span", &BeltSetupForm::span},
    {"centreDistance", &BeltSetupForm::centreDistance},
    {"pulley1", &BeltSetupForm::pulley1},
    {"pulley2", &BeltSetupForm::pulley2},
    {"factor", &BeltSetupForm::factor},
    {"targetLow", &BeltSetupForm::targetLow},
    {"targetHigh", &BeltSetupForm::targetHigh},
};
constexpr const char* kFieldNames[] = {"name",     "mass",   "width",          "ribs",
                                       "ribPitch", "span",   "centreDistance", "pulley1",
                                       "pulley2",  "factor", "targetLow",      "targetHigh"};

BeltSetupForm formFrom(const ProfileDocument& d) {
    BeltSetupForm f;
    for (const FormField& field : kTextFields)
        if (auto v = d.value(kFormSection, field.name)) f.*field.text = *v;
    auto word = [&](const char* key) { return d.value(kFormSection, key).value_or(""); };
    f.massBasis =
        word("massBasis") == "perMetreAndMm" ? MassBasis::PerMetreAndMm : MassBasis::PerMetre;
    f.widthBasis = word("widthBasis") == "ribs" ? WidthBasis::Ribs : WidthBasis::Millimetres;
    f.spanBasis = word("spanBasis") == "pulleys" ? SpanBasis::Pulleys : SpanBasis::Direct;
    f.measuredStiffness = word("measuredStiffness") == "1";
    const std::string target = word("target");
    f.target = target == "frequency" ? TargetKind::Frequency
               : target == "tension" ? TargetKind::Tension
                                     : TargetKind::None;
    f.unit = unitOf(word("unit"));
    return f;
}

std::string formJson(const BeltSetupForm& f) {
    JsonObject o;
    for (const FormField& field : kTextFields) o.add(field.name, f.*field.text);
    o.add("massBasis", f.massBasis == MassBasis::PerMetreAndMm ? "perMetreAndMm" : "perMetre");
    o.add("widthBasis", f.widthBasis == WidthBasis::Ribs ? "ribs" : "mm");
    o.add("spanBasis", f.spanBasis == SpanBasis::Pulleys ? "pulleys" : "direct");
    o.add("measuredStiffness", f.measuredStiffness);
    o.add("target", f.target == TargetKind::Frequency ? "frequency"
                    : f.target == TargetKind::Tension ? "tension"
                                                      : "none");
    o.add("unit", unitSymbol(f.unit));
    return o.text();
}

std::string tenths(double x) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed, 1);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

// The shown text of a frequency: one decimal, as the desktop's precise read-out.
std::string hertzText(double hz) {
    const std::string t = tenths(hz);
    return t.empty() ? t : t + " Hz";
}

std::string tensionText(const Tension& t, TensionUnit unit) {
    // Newtons are whole; the larger units carry a decimal, as the desktop shows them.
    char text[32];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, tensionIn(t, unit), std::chars_format::fixed,
                      unit == TensionUnit::Newtons ? 0 : 1);
    return ec == std::errc() ? std::string(text, end) + " " + unitSymbol(unit) : std::string();
}

}  // namespace

WebSettings webSettingsOf(std::string_view text) {
    const ProfileDocument d{text};
    WebSettings s;
    s.cardRate = inRange(numberIn(d, kCardRateKey), s.cardRate, kLowestCardRate, kHighestCardRate);
    s.amplification = inRange<int16_t>(numberIn(d, kGainKey), s.amplification, 0, 492);
    s.bins = inRange<int16_t>(numberIn(d, kBinsKey), s.bins, 100, 2048);
    s.smoothing = inRange(numberIn(d, kSmoothingKey), s.smoothing, 1, 255);
    s.repeat = inRange(numberIn(d, kRepeatKey), 0, 0, 1) == 1;
    s.noiseLine = inRange(numberIn(d, kNoiseLineKey), 0, 0, kWebSpectrumHeight);
    s.toneHz = inRange<int16_t>(numberIn(d, kToneKey), s.toneHz, 20, 5000);
    return s;
}

std::string webSettingsText(const WebSettings& s) {
    std::string text = std::string("[") + kWebSection + "]\n";
    auto line = [&](const char* key, const std::string& value) {
        text += profileSettingText(key, value) + "\n";
    };
    line(kCardRateKey, numberText(s.cardRate));
    line(kGainKey, std::to_string(s.amplification));
    line(kBinsKey, std::to_string(s.bins));
    line(kSmoothingKey, std::to_string(s.smoothing));
    line(kRepeatKey, s.repeat ? "1" : "0");
    line(kNoiseLineKey, std::to_string(s.noiseLine));
    line(kToneKey, std::to_string(s.toneHz));
    return text;
}

WebMeter::WebMeter() { (void)configure(""); }

std::string WebMeter::configure(std::string_view settingsText) {
    settings_ = webSettingsOf(settingsText);
    plot_.Amplification = settings_.amplification;
    plot_.NbFrequencesAffichees = settings_.bins;
    plot_.PasFrequence = pasFrequence();
    if (!vote_ || vote_->depth() != settings_.smoothing) vote_.emplace(settings_.smoothing);
    model_.repeat().setEnabled(settings_.repeat);
    if (settings_.noiseLine > 0)
        armNoiseLine(noise_, settings_.noiseLine);
    else
        noise_ = NoiseState{};
    return webSettingsText(settings_);
}

void WebMeter::setLanguage(std::string_view lngText) { language_ = ProfileDocument(lngText); }

std::string WebMeter::texts(std::string_view section) const {
    JsonObject o;
    for (const ProfileKeyValue& kv : language_.keys(section)) o.add(kv.key, kv.value);
    return o.text();
}

std::string WebMeter::text(int form1Key) const {
    return language_.value(kForm1, std::to_string(form1Key)).value_or(kMissingText);
}

void WebMeter::chooseStoredSetup() {
    std::optional<BeltSetup> chosen;
    for (const BeltSetup& s : belts_.setups)
        if (!belts_.selected.empty() && sameBeltName(s.name, belts_.selected)) chosen = s;
    model_.chooseSetup(chosen);
}

std::string WebMeter::loadSetups(std::string_view iniText) {
    const ProfileDocument stored{iniText};
    (void)store_.update([&](ProfileDocument& d) {
        d = stored;
        return true;
    });
    belts_ = loadBeltSetups(store_);
    chooseStoredSetup();
    return setupsJson();
}

std::string WebMeter::answer(const BeltChange& change) {
    if (change.result == BeltChangeResult::Done) {
        belts_ = change.belts;
        chooseStoredSetup();
        return setupsJson();
    }
    const BeltCaptionLookup lookup = [this](int key) {
        return language_.value(kBelt, std::to_string(key));
    };
    JsonObject hint;
    hint.add("field", "name")
        .add("text",
             replaced(beltCaption(lookup, BeltCaption::HintNameTaken), "%1", change.takenBy));
    return JsonObject().raw("hints", jsonArray(std::vector<std::string>{hint.text()})).text();
}

std::string WebMeter::keepSetup(std::string_view formText, const std::string& previous) {
    const BeltValidation v = validateBeltSetup(formFrom(ProfileDocument(formText)));
    if (!v.setup) {
        const BeltCaptionLookup lookup = [this](int key) {
            return language_.value(kBelt, std::to_string(key));
        };
        std::vector<std::string> hints;
        for (const FieldHint& h : v.hints) {
            std::string text = beltCaption(lookup, hintCaption(h.problem));
            text = replaced(text, "%1", std::to_string(kMaxBeltNameChars));
            hints.push_back(
                JsonObject().add("field", kFieldNames[size_t(h.field)]).add("text", text).text());
        }
        return JsonObject().raw("hints", jsonArray(hints)).text();
    }
    return answer(keepBeltSetup(store_, *v.setup, previous));
}

std::string WebMeter::deleteSetup(const std::string& name) {
    return answer(deleteBeltSetup(store_, name));
}

std::string WebMeter::selectSetup(const std::string& name) {
    return answer(selectBeltSetup(store_, name));
}

std::string WebMeter::importSetups(std::string_view iniText) {
    const LoadedBelts other = beltSetupsOf(ProfileDocument(iniText));
    const std::string selected = belts_.selected;
    for (const BeltSetup& s : other.setups) {
        // The same name replaces the set-up kept here.
        std::string previous = s.name;
        for (const BeltSetup& mine : belts_.setups)
            if (sameBeltName(mine.name, s.name)) previous = mine.name;
        const BeltChange c = keepBeltSetup(store_, s, previous);
        if (c.result == BeltChangeResult::Done) belts_ = c.belts;
    }
    if (!other.setups.empty()) return answer(selectBeltSetup(store_, selected));
    return setupsJson();
}

std::string WebMeter::setupsJson() {
    std::vector<std::string> list;
    for (const BeltSetup& s : belts_.setups) {
        JsonObject o;
        o.add("name", s.name).raw("form", formJson(formOf(s)));
        if (const std::optional<Range> r = targetFrequencies(s))
            o.add("targetLowHz", r->low).add("targetHighHz", r->high);
        list.push_back(o.text());
    }
    std::vector<std::string> refused;
    for (const std::string& name : belts_.refused) refused.push_back(jsonString(name));
    return JsonObject()
        .raw("setups", jsonArray(list))
        .add("selected", model_.setup() ? model_.setup()->name : std::string())
        .raw("refused", jsonArray(refused))
        .add("text", setupsText())
        .text();
}

std::string WebMeter::setupsText() {
    ProfileDocument d;
    (void)store_.read(d);
    return d.text();
}

std::string WebMeter::start() {
    running_ = true;
    clips_.clear();
    previousClip_.clear();
    vote_.emplace(settings_.smoothing);
    model_.runStarted();
    return status();
}

std::string WebMeter::stop() {
    running_ = false;
    model_.repeat().stopped();
    model_.runStopped();
    return status();
}

std::string WebMeter::rearm() {
    if (!model_.repeat().pending()) return status();
    model_.rearmed();
    if (model_.repeat().enabled()) {
        running_ = true;
        previousClip_.clear();
    }
    return status();
}

std::string WebMeter::learnNoise() {
    // Disarmed while it listens, so the background itself cannot fire the trigger.
    noise_ = NoiseState{};
    settings_.noiseLine = 0;
    autoNoise_.start();
    model_.setLearningNoise(true);
    return status();
}

std::string WebMeter::placeNoiseLine(int32_t y) {
    autoNoise_.cancel();
    model_.setLearningNoise(false);
    settings_.noiseLine = std::clamp<int32_t>(y, 1, int32_t(kWebSpectrumHeight));
    armNoiseLine(noise_, settings_.noiseLine);
    return status();
}

std::string WebMeter::clearNoiseLine() {
    autoNoise_.cancel();
    model_.setLearningNoise(false);
    noise_ = NoiseState{};
    settings_.noiseLine = 0;
    return status();
}

std::string WebMeter::status() const {
    const MeterActivity a = model_.state();
    std::string line = text(statusKey(a));
    if (const std::optional<PluckRefusal> why = model_.notice())
        line = replaced(text(kNotAPluckKey), "%1", text(refusalKey(*why)));
    return JsonObject()
        .add("activity", activityName(a))
        .add("status", line)
        .add("noiseArmed", noise_.ModeBruit)
        .add("noiseLine", noise_.NiveauBruit)
        .add("settings", webSettingsText(settings_))
        .add("tone", a != MeterActivity::Calibrating ? std::string()
                     : !model_.toneHeard()           ? std::string("\xE2\x80\x94")  // em dash
                     : *model_.toneHeard()           ? hertzText(**model_.toneHeard())
                                                     : text(kNoToneHeardKey))
        .add("toneHint", a != MeterActivity::Calibrating
                             ? std::string()
                             : fillIn(language_.value(kWebSection, std::to_string(kWhileToneKey))
                                          .value_or(kMissingText),
                                      {std::to_string(settings_.toneHz)}))
        .text();
}

std::optional<double> WebMeter::toneHeard(std::span<const uint8_t> clip) {
    if (!tone_ || toneFor_ != settings_.toneHz) {
        tone_.emplace(calibrationPitchOptions(settings_.toneHz));
        toneFor_ = settings_.toneHz;
    }
    const std::optional<PitchEstimate> e = tone_->estimate(clip, pasFrequence());
    return e ? std::optional<double>(e->hz) : std::nullopt;
}

std::string WebMeter::calibrate() {
    const bool on = model_.state() != MeterActivity::Calibrating;
    model_.setCalibrating(on);
    if (on) {
        (void)start();
    } else {
        (void)stop();
    }
    return status();
}

std::string WebMeter::autoCalibrate() {
    const std::optional<std::optional<double>>& heard = model_.toneHeard();
    std::string problem, done;
    if (!heard || !*heard) {
        problem = text(kNoClearToneKey);
    } else if (!isCalibrationTone(**heard, pasFrequence(), settings_.toneHz)) {
        problem = fillIn(text(kNotTheToneKey), {tenths(nominalToneHz(**heard, pasFrequence())),
                                                std::to_string(settings_.toneHz)});
    } else {
        // Every frequency read scales with the rate assumed: the card's true rate is the
        // one at which the tone reads its own frequency.
        WebSettings s = settings_;
        // A tenth of a sample per second is finer than any clock drifts between runs.
        const double rate = std::round(s.cardRate * s.toneHz / **heard * 10) / 10;
        s.cardRate = std::clamp(rate, kLowestCardRate, kHighestCardRate);
        (void)configure(webSettingsText(s));
        done = fillIn(text(kScaleSetKey), {std::to_string(settings_.toneHz)});
    }
    return JsonObject().add("problem", problem).add("done", done).raw("meter", status()).text();
}

std::vector<uint8_t> WebMeter::tone(int16_t hz) {
    const ToneFile file = calibrationToneBytes(hz);
    return std::vector<uint8_t>(file.begin() + kToneHeaderSize, file.end());
}

std::optional<PitchEstimate> WebMeter::precise(std::span<const uint8_t> clip) {
    // The lowest belts need the run's last clips: one clip holds too few periods.
    clips_.add(clip);
    if (std::optional<PitchEstimate> e = estimator_.estimate(clip, pasFrequence())) return e;
    if (clips_.count() > 1) return estimator_.estimate(clips_.samples(), pasFrequence());
    return std::nullopt;
}

std::string WebMeter::readingJson(const MeterReading& r) const {
    JsonObject o;
    o.add(
        "time",
        double(std::chrono::duration_cast<std::chrono::milliseconds>(r.line.time.time_since_epoch())
                   .count()));
    o.add("setup", r.line.setup);
    o.add("clearPitch", r.clearPitch);
    o.add("hz", r.line.hz).add("inharmonicity", r.inharmonicity);
    o.add("hzText", r.clearPitch && r.line.status != ReadingStatus::Refused
                        ? hertzText(r.line.hz)
                        : std::string("\xE2\x80\x94"));  // an em dash
    o.add("tensionText", r.line.tension ? tensionText(*r.line.tension, r.unit) : std::string());
    o.add("range", r.line.range == RangeStatus::Inside    ? "inside"
                   : r.line.range == RangeStatus::Outside ? "outside"
                                                          : "none");
    o.add("status", r.line.status == ReadingStatus::Refused     ? "refused"
                    : r.line.status == ReadingStatus::Confirmed ? "confirmed"
                                                                : "accepted");
    o.add("why", r.line.why);
    o.add("triggered", r.triggered);
    const bool confirmed = r.agreement == Agreement::Confirmed;
    o.add("confirmed", confirmed);
    o.add("agreement", !r.triggered || r.line.status == ReadingStatus::Refused ? std::string()
                       : confirmed
                           ? text(kConfirmedKey)
                           : agreeingText(text(kAgreeingKey), r.agreeing, kConfirmingReadings));
    o.add("csv", readingCsvLine(r.line));
    return o.text();
}

std::string WebMeter::cycle(std::span<const uint8_t> clip, Clock::time_point now) {
    // The clip goes the desktop's way: saved as the recorder's WAVE file, read back by
    // fixed offsets, transformed and drawn.
    const std::vector<uint8_t> file = pcmWaveFile(clip, kSampleRate);
    const Recording rec = readRecordingBytes(file);
    NullSurface surface(kWebSpectrumWidth, kWebSpectrumHeight);
    int32_t energiePrecedente = 0;
    const CycleOutcome out =
        processCycle(rec, surface, nullptr, arrays_, plot_, *vote_, energiePrecedente);

    JsonObject o;
    const int32_t last = std::clamp<int32_t>(plot_.NbFrequencesAffichees, 0, kBarRows - 1);
    std::vector<int32_t> tops, colours;
    for (int32_t f = 3; f <= last; ++f) {
        tops.push_back(plot_.TableBarres[size_t(f)].BarreY);
        colours.push_back(plot_.TableBarres[size_t(f)].BarreCouleur);
    }
    o.add("width", kWebSpectrumWidth).add("height", kWebSpectrumHeight);
    o.add("pen", int32_t(surface.drawWidth()));
    o.raw("tops", jsonArray(tops)).raw("colours", jsonArray(colours));
    o.add("peakBin", plot_.IndicePic).add("peakTop", out.plot.SommetPic);
    o.add("readout", out.readout);

    if (autoNoise_.listening()) {
        if (const std::optional<int32_t> line = autoNoise_.addCycle(
                plot_.TableBarres, plot_.NbFrequencesAffichees, int32_t(kWebSpectrumHeight),
                double(clip.size()) / kSampleRate)) {
            armNoiseLine(noise_, *line);
            settings_.noiseLine = *line;
            model_.setLearningNoise(false);
        }
    }

    if (model_.state() == MeterActivity::Calibrating) {
        // The tone is read, not a belt: nothing triggers and nothing is logged.
        model_.toneRead(toneHeard(clip));
        o.add("triggered", false).add("step", "none").add("rearmMs", 0).add("cue", "");
        o.raw("logged", "null").raw("shown", "null").raw("meter", status());
        return o.text();
    }
    const bool fired = running_ && noiseTriggerFires(noise_, out.plot.SommetPic);
    std::string step = "none";
    int32_t rearmMs = 0;
    std::string logged = "null";
    std::string cueKind;
    if (!fired) {
        // Repeat shows only the readings of plucks: the clips between are background.
        if (!model_.repeat().enabled()) {
            const std::optional<PitchEstimate> e = precise(clip);
            model_.clipRead(e ? std::optional<double>(e->hz) : std::nullopt,
                            e ? e->inharmonicity : 0, now);
        }
        previousClip_.assign(clip.begin(), clip.end());
    } else if (!model_.repeat().enabled()) {
        // The original trigger: the run stops on the clip, and its reading is taken.
        running_ = false;
        model_.runStopped();
        step = "original";
        if (const std::optional<PitchEstimate> e = precise(clip)) {
            logged = readingJson(model_.taken(e->hz, e->inharmonicity, now));
        } else {
            model_.clipRead(std::nullopt, 0, now);
        }
    } else {
        running_ = false;
        model_.triggerFired();
        RepeatMode& repeat = model_.repeat();
        const PluckVerdict verdict = pluck_.classify(clip, pasFrequence(), model_.searchRange(),
                                                     repeat.continuing(), previousClip_);
        const RepeatDecision d = repeat.triggered(verdict, false);
        model_.runStopped();
        step = stepName(d.step);
        rearmMs = d.rearmAfterMs;
        if (d.step == RepeatStep::Accept) {
            const MeterReading& r = model_.pluckTaken(verdict.hz, verdict.inharmonicity, now);
            logged = readingJson(r);
            cueKind = r.agreement == Agreement::Confirmed ? "confirmed" : "accepted";
        } else if (d.step == RepeatStep::Refuse) {
            const MeterReading r = model_.refused(
                d.why, replaced(text(kNotAPluckKey), "%1", text(refusalKey(d.why))), now);
            if (d.log) logged = readingJson(r);
        } else {
            model_.noticeSeen();
        }
        previousClip_.clear();
    }
    o.add("triggered", fired).add("step", step).add("rearmMs", rearmMs).add("cue", cueKind);
    o.raw("logged", logged);
    o.raw("shown", model_.shown() ? readingJson(*model_.shown()) : "null");
    o.raw("meter", status());
    return o.text();
}

std::string WebMeter::csvHeader() const { return readingsCsvHeader(); }

std::string WebMeter::importReadings(std::string_view csv) const {
    const std::optional<ParsedReadings> parsed = parseReadingsCsv(csv);
    if (!parsed) return "null";
    std::vector<std::string> list;
    for (const Reading& line : parsed->readings) {
        MeterReading r;
        r.line = line;
        list.push_back(readingJson(r));
    }
    return jsonArray(list);
}

std::vector<uint8_t> WebMeter::cue(bool confirmation) {
    return cueSamples(confirmation, kSampleRate);
}

}  // namespace vellora
