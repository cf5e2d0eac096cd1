// SPDX-License-Identifier: GPL-3.0-or-later
// The meter as the web page runs it: a clip in, the cycle's spectrum and the reading
// record out, with the set-ups, the settings and the language as text. The page only
// captures, draws and stores; everything measured or decided is done here, by the same
// classes the desktop program uses. Answers are JSON (json_text.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "belt/belt_store.h"
#include "ini/profile_document.h"
#include "measure/auto_noise_line.h"
#include "measure/meter_state.h"
#include "measure/noise_reference.h"
#include "measure/spectrum_arrays.h"
#include "measure/spectrum_plot.h"
#include "meter/meter_model.h"
#include "pitch/pitch_clips.h"
#include "pitch/pitch_estimator.h"
#include "pitch/pluck_classifier.h"

namespace vellora {

// The page's spectrum in the surface's logical units: 1024 across, as on the desktop,
// and a fixed height the page scales to its canvas.
inline constexpr float kWebSpectrumWidth = 1024;
inline constexpr float kWebSpectrumHeight = 400;

// Section and keys of the page's settings text.
inline constexpr char kWebSection[] = "WEB";
inline constexpr char kCardRateKey[] = "CardRate";  // samples per second, as calibrated
inline constexpr char kGainKey[] = "Amplification";
inline constexpr char kBinsKey[] = "NbFrequencesAffichees";
inline constexpr char kSmoothingKey[] = "Smoothing";
inline constexpr char kRepeatKey[] = "Repetition";
inline constexpr char kNoiseLineKey[] = "NiveauBruit";  // 0: none fixed
inline constexpr char kToneKey[] = "FrequenceCal";      // the calibration tone, hertz

struct WebSettings {
    double cardRate = kSampleRate;
    int16_t amplification = 266;  // the desktop's default gain slider
    int16_t bins = kDefaultBinsShown;
    int smoothing = 1;
    bool repeat = false;
    int32_t noiseLine = 0;
    int16_t toneHz = kDefaultFrequenceCal;
};

// The settings a text gives: each key in range, or its default.
WebSettings webSettingsOf(std::string_view text);
std::string webSettingsText(const WebSettings& s);

class WebMeter {
  public:
    using Clock = std::chrono::system_clock;

    WebMeter();

    // Settings as text ([WEB] keys above); returns them as applied, as text to keep.
    std::string configure(std::string_view settingsText);
    const WebSettings& settings() const { return settings_; }

    // A language file's text (English.lng, Français.lng); texts() gives one section as
    // a JSON object of key -> text for the page's own captions.
    void setLanguage(std::string_view lngText);
    std::string texts(std::string_view section) const;

    // The set-ups as the desktop's settings file keeps them ([BELT] and [BELT name]
    // sections). Each call answers with setupsJson().
    std::string loadSetups(std::string_view iniText);
    // `formText`: "field=value" lines of section [FORM] (see web_meter.cpp); the
    // set-up replaces `previous` (empty: a new one). Refused: {"hints": [...]}.
    std::string keepSetup(std::string_view formText, const std::string& previous);
    std::string deleteSetup(const std::string& name);
    std::string selectSetup(const std::string& name);
    // Adds or replaces the set-ups of another settings file, by name.
    std::string importSetups(std::string_view iniText);
    std::string setupsJson();
    std::string setupsText();

    // The run: started by the user, stopped by the user or by a trigger without Repeat.
    std::string start();
    std::string stop();
    // A paused Repeat run listens again after the hold the cycle asked for.
    std::string rearm();
    // The noise line: learnt from a second of background, placed by a tap (y in the
    // spectrum's units), or cleared.
    std::string learnNoise();
    std::string placeNoiseLine(int32_t y);
    std::string clearNoiseLine();

    // One 400 ms clip of unsigned 8-bit samples at the card's rate.
    std::string cycle(std::span<const uint8_t> clip, Clock::time_point now = Clock::now());

    // The readings CSV: header() the first lines of a file, importReadings() the readings
    // of one as the page keeps them (JSON array), each with its own CSV line.
    std::string csvHeader() const;
    std::string importReadings(std::string_view csv) const;

    // A sound cue (one beep, or two for a confirmation), unsigned 8-bit at 22050/s.
    static std::vector<uint8_t> cue(bool confirmation);

    // Calibration: the page plays the tone through the loudspeaker while the meter reads
    // it (status() shows what is heard). calibrate() starts or stops it; autoCalibrate()
    // sets the card rate that makes the tone heard read its own frequency, or says why not.
    std::string calibrate();
    std::string autoCalibrate();
    // One second of the desktop's calibration tone, unsigned 8-bit at 22050/s; it loops
    // without a click.
    static std::vector<uint8_t> tone(int16_t hz);

    std::string status() const;

  private:
    std::string text(int form1Key) const;
    std::string readingJson(const MeterReading& r) const;
    std::string answer(const BeltChange& change);
    std::optional<PitchEstimate> precise(std::span<const uint8_t> clip);
    std::optional<double> toneHeard(std::span<const uint8_t> clip);
    void chooseStoredSetup();
    float pasFrequence() const { return float(settings_.cardRate / kTransformSize); }

    WebSettings settings_;
    ProfileDocument language_;
    MemoryBeltStore store_;  // the set-ups' sections
    LoadedBelts belts_;
    MeterModel model_;
    PlotState plot_;
    NoiseState noise_;
    AutoNoiseLine autoNoise_;
    SpectrumArrays arrays_;
    std::optional<PeakVote> vote_;
    PitchEstimator estimator_;
    std::optional<PitchEstimator> tone_;  // for the tone of toneFor_ hertz
    int16_t toneFor_ = 0;
    PluckClassifier pluck_;
    RecentClips clips_;
    std::vector<uint8_t> previousClip_;  // the last clip that did not fire the trigger
    bool running_ = false;
};

}  // namespace vellora
