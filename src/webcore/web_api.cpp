// SPDX-License-Identifier: GPL-3.0-or-later
// The WebAssembly module's entry points: one meter per page, text in and JSON out. The
// returned text stays valid until the next call.
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "wave/recorder_wave.h"
#include "webcore/web_meter.h"

namespace {
vellora::WebMeter& meter() {
    static vellora::WebMeter m;
    return m;
}
std::string answer;
std::vector<uint8_t> cue;
std::vector<uint8_t> clip;

std::string call(std::string_view command, const std::string& a, const std::string& b) {
    vellora::WebMeter& m = meter();
    if (command == "configure") {
        (void)m.configure(a);
        return m.status();
    }
    if (command == "language") {
        m.setLanguage(a);
        return m.status();
    }
    if (command == "texts") return m.texts(a);
    if (command == "loadSetups") return m.loadSetups(a);
    if (command == "keepSetup") return m.keepSetup(a, b);
    if (command == "deleteSetup") return m.deleteSetup(a);
    if (command == "selectSetup") return m.selectSetup(a);
    if (command == "importSetups") return m.importSetups(a);
    if (command == "start") return m.start();
    if (command == "stop") return m.stop();
    if (command == "rearm") return m.rearm();
    if (command == "learnNoise") return m.learnNoise();
    if (command == "placeNoiseLine") return m.placeNoiseLine(std::atoi(a.c_str()));
    if (command == "clearNoiseLine") return m.clearNoiseLine();
    if (command == "csvHeader") return m.csvHeader();
    if (command == "importReadings") return m.importReadings(a);
    if (command == "status") return m.status();
    if (command == "calibrate") return m.calibrate();
    if (command == "autoCalibrate") return m.autoCalibrate();
    return "null";
}
}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* vellora_call(const char* command, const char* a, const char* b) {
    answer = call(command, a ? a : "", b ? b : "");
    return answer.c_str();
}

// One clip of the microphone at 22050 per second, -1 .. 1: the recorder's 8 bits first.
EMSCRIPTEN_KEEPALIVE const char* vellora_cycle(const float* sound, int samples) {
    clip.resize(size_t(samples));
    for (size_t i = 0; i < clip.size(); ++i) clip[i] = vellora::clipSample(sound[i]);
    answer = meter().cycle(clip);
    return answer.c_str();
}

// The cue's samples; their count in *samples.
EMSCRIPTEN_KEEPALIVE const uint8_t* vellora_cue(int confirmation, int* samples) {
    cue = vellora::WebMeter::cue(confirmation != 0);
    *samples = int(cue.size());
    return cue.data();
}

// One second of the calibration tone, looping cleanly; its count in *samples.
EMSCRIPTEN_KEEPALIVE const uint8_t* vellora_tone(int hz, int* samples) {
    cue = vellora::WebMeter::tone(int16_t(hz));
    *samples = int(cue.size());
    return cue.data();
}
}
