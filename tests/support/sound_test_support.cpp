// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/sound_test_support.h"

#include <cmath>
#include <cstdio>

#include "measure/fft.h"
#include "measure/recording_reader.h"

namespace vellora {

bool fakeSoundCardPresent() {
    std::FILE* p = popen("pactl get-default-source 2>/dev/null", "r");
    if (!p) return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, p) != nullptr;
    pclose(p);
    return read && std::string(line) == "mic\n";
}

Peak strongestBin(const std::string& recording) {
    const Recording rec = readRecordingFile(recording);
    if (!rec.present) return {};
    SpectrumArrays a;
    fillSpectrumArrays(rec, a);
    FFT(kTransformSize, a.reel.data(), a.imaginaire.data());
    Peak best;
    for (int k = 3; k <= 2048; ++k) {
        const float m = std::hypot(a.reel[k], a.imaginaire[k]);
        if (m > best.magnitude) best = {k, m};
    }
    return best;
}

}  // namespace vellora
