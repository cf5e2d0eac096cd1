// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as "test.wav": the reader and the cycle's processing must neither crash
// nor read out of bounds, and a file of N < 1 must never count as a recording.
#include <cstdlib>

#include "measure/cycle_processing.h"
#include "measure/null_surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vellora;
    const Recording rec = readRecordingBytes({data, size});
    if (rec.present != (size >= 44)) std::abort();
    if (rec.present && rec.tampon.size() != size_t(std::min<int32_t>(rec.n, kSampleLimit)))
        std::abort();

    NullSurface im(1024, 594);
    NullSurface gauge(153, 89);
    SpectrumArrays arrays;
    PlotState st;
    st.Amplification = 492;
    st.NbFrequencesAffichees = 2048;
    PeakVote vote(size % 255 + 1);
    int32_t previous = 0;
    processCycle(rec, im, &gauge, arrays, st, vote, previous);
    return 0;
}
