// SPDX-License-Identifier: GPL-3.0-or-later
// The page's meter driven as the page drives it: texts in, clips in, JSON out; and the
// JSON it writes.
#include "webcore/web_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "support/pitch_synth.h"
#include "webcore/json_text.h"

namespace vellora {
namespace {

std::string languageFile(const char* name) {
    std::ifstream in(std::string(VELLORA_SOURCE_LANG_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The text of a string member of a flat JSON answer (no escapes in the values used).
std::string member(const std::string& json, const std::string& key) {
    const std::string mark = "\"" + key + "\":";
    const size_t at = json.find(mark);
    if (at == std::string::npos) return "<none>";
    size_t from = at + mark.size();
    if (json[from] != '"') return json.substr(from, json.find_first_of(",}", from) - from);
    return json.substr(from + 1, json.find('"', from + 1) - from - 1);
}

// Two quiet clips, then a plucked belt: the trigger fires on it.
std::vector<std::vector<uint8_t>> plucked(double hz, uint32_t seed) {
    synth::Random random(seed);
    synth::StiffPluck p;
    p.firstModeHz = hz;
    p.onsetSeconds = 0.02;
    p.samples = synth::kClipSamples * synth::clipsFor(hz);
    const std::vector<uint8_t> sound = synth::render(p, random);
    std::vector<std::vector<uint8_t>> clips(2, synth::noise(random, 0.5));
    for (size_t at = 0; at < sound.size(); at += synth::kClipSamples)
        clips.emplace_back(sound.begin() + long(at),
                           sound.begin() + long(at + synth::kClipSamples));
    return clips;
}

class WebMeterTest : public testing::Test {
  protected:
    void SetUp() override {
        meter.setLanguage(languageFile("English.lng"));
        (void)meter.configure("[WEB]\nRepetition=1\nNiveauBruit=330\n");
        (void)meter.start();
    }
    // The answer of the clip that fired the trigger, "" when none did.
    std::string untilTriggered(const std::vector<std::vector<uint8_t>>& clips) {
        for (const auto& c : clips) {
            const std::string a = meter.cycle(c);
            if (member(a, "triggered") == "true") return a;
        }
        return "";
    }
    WebMeter meter;
};

// A pluck is taken with its cue and, on a set-up, its tension by the factor: 4 m L^2 f^2
// with m = 0.1 kg/m and L = 0.5 m, 1000 N at 100 Hz. (How plucks over the range read is
// the shared clips' test below.)
TEST_F(WebMeterTest, PlucksAreTakenWithTheirFirstModeAndTension) {
    std::string a = untilTriggered(plucked(98, 7));
    ASSERT_EQ(member(a, "step"), "accept") << member(a, "why");
    EXPECT_EQ(member(a, "cue"), "accepted");
    EXPECT_EQ(member(a, "tensionText"), "");
    (void)meter.rearm();
    const std::string setups = meter.keepSetup(
        "[FORM]\nname=Cam\nmass=100\nspan=500\nfactor=1\ntarget=tension\ntargetLow=900\n"
        "targetHigh=1100\n",
        "");
    EXPECT_EQ(member(setups, "selected"), "Cam");
    a = untilTriggered(plucked(100, 3));
    EXPECT_NEAR(std::stod(member(a, "tensionText")), 1000, 10);
    EXPECT_EQ(member(a, "range"), "inside");
    EXPECT_EQ(member(a, "agreement"), "1 of 3");  // a new set-up starts a new agreement
}

TEST_F(WebMeterTest, ThreeAgreeingPlucksConfirm) {
    std::string a;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        a = untilTriggered(plucked(120, seed));
        (void)meter.rearm();
    }
    EXPECT_EQ(member(a, "status"), "confirmed");
    EXPECT_EQ(member(a, "cue"), "confirmed");
    EXPECT_NE(member(a, "csv").find(",confirmed,"), std::string::npos);
}

// Noise and a knock fire the trigger but are refused, with why in the page's language.
TEST_F(WebMeterTest, NoiseAndKnocksAreRefusedInTheLanguageChosen) {
    meter.setLanguage(
        languageFile("Fran\xC3\xA7"
                     "ais.lng"));
    synth::Random random(5);
    std::vector<uint8_t> knock = synth::noise(random, 0.5);
    for (size_t i = 3000; i < 3020; ++i) knock[i] = 250;
    for (const auto& loud : {synth::noise(random, 60), knock}) {
        const std::string a = untilTriggered({synth::noise(random, 0.5), loud});
        EXPECT_EQ(member(a, "step"), "refuse") << a;
        EXPECT_EQ(member(a, "logged").substr(0, 1), "{");
        EXPECT_EQ(member(meter.status(), "status").rfind("Pas un pincement", 0), 0u)
            << meter.status();
        (void)meter.rearm();
    }
}

// Without Repeat the trigger stops the run, as on the desktop; the line learnt from a
// second of background lies above it.
TEST_F(WebMeterTest, TheLearntLineTriggersAndStopsARunWithoutRepeat) {
    (void)meter.configure("[WEB]\nRepetition=0\n");
    (void)meter.learnNoise();
    synth::Random random(9);
    for (int i = 0; i < 3; ++i) (void)meter.cycle(synth::noise(random, 1));
    EXPECT_EQ(member(meter.status(), "noiseArmed"), "true");
    EXPECT_EQ(member(meter.cycle(synth::noise(random, 1)), "triggered"), "false");
    const std::string a = untilTriggered(plucked(150, 2));
    EXPECT_EQ(member(a, "step"), "original");
    EXPECT_EQ(member(member(a, "meter") + "}", "activity"), "stopped");
}

// Set-ups as text: hints in the language, the desktop's sections, import by name.
TEST_F(WebMeterTest, SetupsKeepTheDesktopsSectionsAndRefuseBadEntries) {
    const std::string refused = meter.keepSetup("[FORM]\nname=A\nmass=abc\nspan=0\n", "");
    EXPECT_NE(refused.find("{\"field\":\"mass\",\"text\":\"Not a number.\"}"), std::string::npos);
    EXPECT_NE(refused.find("\"field\":\"span\""), std::string::npos);
    (void)meter.keepSetup("[FORM]\nname=A\nmass=100\nspan=500\nfactor=0.9\n", "");
    const std::string text = meter.setupsText();
    EXPECT_NE(text.find("[BELT A]"), std::string::npos);
    WebMeter other;
    const std::string loaded = other.loadSetups(text);
    EXPECT_EQ(member(loaded, "selected"), "A");
    EXPECT_NE(loaded.find("\"factor\":\"0.9\""), std::string::npos);
    const std::string imported =
        other.importSetups("[BELT]\nCount=1\nName1=B\n[BELT B]\nMass=50\nSpan=300\n");
    EXPECT_NE(imported.find("\"name\":\"B\""), std::string::npos);
    EXPECT_EQ(member(imported, "selected"), "A");
}

// The shared list: the same clips give the same readings file lines (less their local
// time) in the native build and in the page's WebAssembly, byte for byte.
TEST_F(WebMeterTest, TheSharedClipsGiveTheListedLinesInEveryBuild) {
    (void)meter.keepSetup("[FORM]\nname=S\nmass=100\nspan=500\nfactor=0.95\n", "");
    std::ifstream list(std::string(VELLORA_SHARED_RECORDS));
    std::string line;
    int checked = 0;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t bar = line.find(" | ");
        std::istringstream clip(line.substr(0, bar));
        double hz = 0;
        uint32_t seed = 0;
        clip >> hz >> seed;
        std::string csv = member(untilTriggered(plucked(hz, seed)), "csv");
        csv = csv.substr(csv.find(',') + 1);
        csv = csv.substr(0, csv.find("\\r"));
        EXPECT_EQ(csv, line.substr(bar + 3)) << hz << " Hz, seed " << seed;
        (void)meter.rearm();
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

// What a card records of a tone of `hz` when its clock really runs at `trueRate`.
std::vector<uint8_t> toneAsRecorded(double hz, double trueRate) {
    std::vector<uint8_t> clip(synth::kClipSamples);
    for (size_t k = 0; k < clip.size(); ++k)
        clip[k] = uint8_t(std::lround(128 + 100 * std::sin(2 * M_PI * hz * double(k) / trueRate)));
    return clip;
}

// A card 2 % fast hears 440 Hz as 440 / 1.02 = 431.4 Hz; Auto-calibrate takes its true
// rate, 22050 x 1.02 = 22491, from the tone, after which the tone reads 440.0 Hz. A
// sound 5 % off is no calibration tone and changes nothing.
TEST_F(WebMeterTest, AutoCalibrateTakesTheCardsTrueRateFromTheTone) {
    (void)meter.configure("[WEB]\nFrequenceCal=440\n");
    EXPECT_EQ(member(meter.calibrate(), "activity"), "calibrating");
    EXPECT_EQ(member(meter.autoCalibrate(), "problem").rfind("No clear tone", 0), 0u);
    const std::string heard = meter.cycle(toneAsRecorded(440, 22491));
    EXPECT_EQ(member(heard, "tone"), "431.4 Hz");
    EXPECT_EQ(member(heard, "logged"), "null");
    EXPECT_NE(member(meter.autoCalibrate(), "done"), "");
    EXPECT_NEAR(meter.settings().cardRate, 22491, 2);
    EXPECT_EQ(member(meter.cycle(toneAsRecorded(440, 22491)), "tone"), "440.0 Hz");

    (void)meter.cycle(toneAsRecorded(462, 22050));
    EXPECT_NE(member(meter.autoCalibrate(), "problem").find("462.0 Hz, is more than 3 %"),
              std::string::npos);
    EXPECT_NEAR(meter.settings().cardRate, 22491, 2);
    EXPECT_EQ(member(meter.calibrate(), "activity"), "stopped");
    // The desktop's tone file without its 46-byte header: 127 sin(2 pi 440 / 22050) + 128.
    const std::vector<uint8_t> tone = WebMeter::tone(440);
    EXPECT_EQ(tone.size(), 22050u);
    EXPECT_EQ(tone[0], 144);
}

TEST(WebSettings, OutOfRangeValuesTakeTheirDefaults) {
    const WebSettings s =
        webSettingsOf("[WEB]\nCardRate=22100.5\nAmplification=900\nSmoothing=x\n");
    EXPECT_EQ(s.cardRate, 22100.5);
    EXPECT_EQ(s.amplification, WebSettings{}.amplification);
    EXPECT_EQ(s.smoothing, 1);
    EXPECT_EQ(webSettingsOf(webSettingsText(s)).cardRate, 22100.5);
}

TEST(JsonText, StringsEscapedAndNumbersReadBackWithAPoint) {
    EXPECT_EQ(jsonString("a\"b\\c\nd\te\x01 \xC3\xA7"), "\"a\\\"b\\\\c\\nd\\te\\u0001 \xC3\xA7\"");
    EXPECT_EQ(jsonNumber(0.1), "0.1");
    EXPECT_EQ(jsonNumber(98.25), "98.25");
    EXPECT_EQ(jsonNumber(1e21), "1e+21");
    EXPECT_EQ(jsonNumber(-3), "-3");
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(JsonObject().add("a", 1).add("b", "x").add("c", true).raw("d", "[1]").text(),
              "{\"a\":1,\"b\":\"x\",\"c\":true,\"d\":[1]}");
}

}  // namespace
}  // namespace vellora
