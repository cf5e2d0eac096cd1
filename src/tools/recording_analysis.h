// One cycle's reading of a saved recording, as the meter would show it: reader,
// transform, peak search and a vote of depth 1. Used by vellora-analyze.
#pragma once

#include <cstdint>
#include <string>

#include "measure/spectrum_plot.h"

namespace vellora {

struct AnalysisOptions {
    float pasFrequence = kDefaultPasFrequence;  // hertz per bin
    int16_t bins = 1024;                        // last bin searched, 3 .. 2048
};

struct AnalysisResult {
    bool ok = false;
    std::string error;    // why the file could not be read, when !ok
    int32_t bin = 0;      // the strongest bin
    std::string readout;  // "444Hz"
};

AnalysisResult analyseRecordingFile(const std::string& path, const AnalysisOptions& options);

}  // namespace vellora
