// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/recording_analysis.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "common/numeric.h"
#include "measure/cycle_processing.h"
#include "measure/null_surface.h"
#include "pitch/pitch_estimator.h"
#include "pitch/pitch_samples.h"
#include "tools/audio_file_decoder.h"
#include "wave/wave_format.h"

namespace vellora {

namespace {
// The spectrum surface of a freshly started meter, 594 pixels high (the default
// window), gain 266 (the default level position 246); one unit per bin across, so the
// pen stays one unit wide. (On the window's 1024 units, 31 bins or fewer would make
// the pen wider than the bar loop's count, and the meter then shows no read-out.)
constexpr float kSurfaceHeight = 594.0f;
constexpr int16_t kDefaultAmplification = 266;
constexpr uintmax_t kShortestRecording = kWaveHeaderSize;
}  // namespace

AnalysisResult analyseRecordingFile(const std::string& path, const AnalysisOptions& options,
                                    PitchEstimator* estimator) {
    AnalysisResult result;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        result.status = Status(Failure::NotFound, "no such file");
        return result;
    }
    if (!std::filesystem::is_regular_file(status)) {
        result.status = Status(Failure::NotRegularFile, "not a regular file");
        return result;
    }
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        result.status = Status(Failure::ReadFailed, "cannot read its size: " + ec.message());
        return result;
    }
    if (size < kShortestRecording) {
        result.status =
            Status(Failure::BadContent, "only " + std::to_string(size) + " bytes, shorter than a " +
                                            std::to_string(kWaveHeaderSize) +
                                            "-byte WAVE header: no recording");
        return result;
    }
    const DecodedAudio audio = decodeAudioFile(path);
    if (!audio.status) {
        result.status = audio.status;
        return result;
    }
    // The meter's clip is read once, for the meter and for the precise fundamental.
    std::vector<uint8_t> clipFile;
    const Recording rec =
        audio.meterClip ? readRecordingFile(path, &clipFile, kRecordingReadLimit)
                        : readRecordingBytes(meterClipOf(audio, cardRate(options.pasFrequence)));
    if (!rec.present) {
        result.status =
            Status(Failure::ReadFailed,
                   audio.meterClip ? "cannot be read" : "cannot be converted to the meter's clip");
        return result;
    }

    NullSurface im(float(options.bins), kSurfaceHeight);
    SpectrumArrays arrays;
    PlotState st;
    st.Amplification = kDefaultAmplification;
    st.NbFrequencesAffichees = options.bins;
    st.PasFrequence = options.pasFrequence;
    PeakVote vote(1);
    int32_t energiePrecedente = 0;
    const CycleOutcome out = processCycle(rec, im, nullptr, arrays, st, vote, energiePrecedente);

    result.bin = toInt32Saturated(st.IndicePic);
    result.readout = out.readout;
    if (options.precise) {
        std::optional<PitchEstimator> own;
        PitchEstimator& e = estimator ? *estimator : own.emplace();
        const auto pitch = audio.meterClip
                               ? e.estimate(recordingSamples(clipFile), options.pasFrequence)
                               : e.estimateAtRate(audio.mono, audio.rate);
        if (pitch) {
            result.preciseHz = pitch->hz;
            result.preciseB = pitch->inharmonicity;
        }
    }
    return result;
}

}  // namespace vellora
