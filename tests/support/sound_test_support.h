// SPDX-License-Identifier: GPL-3.0-or-later
// For the sound tests: the fake sound card, and a saved clip's strongest bin as the
// meter's core computes it.
#pragma once

#include <string>

namespace vellora {

// The private server of scripts/with-fake-soundcard answers and its "mic" is the
// default input, so what is played is what is recorded.
bool fakeSoundCardPresent();

struct Peak {
    int bin = 0;  // 3 .. 2048, the range the meter shows
    float magnitude = 0;
};

// Nothing found (bin 0) when the file is missing.
Peak strongestBin(const std::string& recording);

}  // namespace vellora
