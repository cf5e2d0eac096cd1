// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/recording_analysis.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "calibration/calibration_run.h"
#include "common/numeric.h"
#include "common/regular_file.h"
#include "measure/cycle_processing.h"
#include "measure/null_surface.h"
#include "pitch/pitch_estimator.h"
#include "pitch/pitch_samples.h"
#include "settings/settings_store.h"
#include "tools/audio_file_decoder.h"
#include "wave/wave_format.h"

namespace vellora {

namespace {
// The spectrum surface of a freshly started meter, 594 pixels high (the default
// window), gain 266 (the default level position 246); one unit per bin across, so the
// pen stays one unit wide. (On the window's 1024 units, 31 bins or fewer would make
// the pen wider than the bar loop's count, and the meter then shows no read-out.)
constexpr float kSurfaceHeight = 594.0f;
constexpr int16_t kStartAmplification = 266;
constexpr uintmax_t kShortestRecording = kWaveHeaderSize;

// Why a file that exists cannot be opened for reading, in the words of the system.
Status openFailure(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    const int error = errno;
    return Status(error == EACCES || error == EPERM ? Failure::NotPermitted : Failure::ReadFailed,
                  std::strerror(error));
}
}  // namespace

AnalysisResult analyseRecordingFile(const std::string& path, const AnalysisOptions& options,
                                    PitchEstimator* estimator) {
    AnalysisResult result;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        // A folder on the way that may not be entered, say.
        result.status =
            Status(ec == std::errc::permission_denied ? Failure::NotPermitted : Failure::ReadFailed,
                   ec.message());
        return result;
    }
    if (!std::filesystem::exists(status)) {
        result.status = Status(Failure::NotFound, "no such file");
        return result;
    }
    if (!std::filesystem::is_regular_file(status)) {
        result.status = Status(Failure::NotRegularFile, "not a regular file");
        return result;
    }
    if (Status opened = openFailure(path); !opened) {
        result.status = opened;
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
    st.Amplification = kStartAmplification;
    st.NbFrequencesAffichees = options.bins;
    st.PasFrequence = options.pasFrequence;
    PeakVote vote(1);
    int32_t energiePrecedente = 0;
    const CycleOutcome out = processCycle(rec, im, nullptr, arrays, st, vote, energiePrecedente);

    result.bin = toInt32Saturated(st.IndicePic);
    // The meter's own text, less its unit: one source for the rounding.
    result.readout = out.readout;
    if (result.readout.ends_with("Hz")) result.readout.resize(result.readout.size() - 2);
    if (result.readout.empty()) result.readout = "-";
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

Status pasFrequenceFromSettings(const std::string& file, float& pasFrequence) {
    // The settings store reads a missing or unreadable file as empty: say so instead.
    if (Status read = readRegularFile(file, 1).status; !read) return read;
    const SettingsStore settings(file);
    const int16_t position =
        checkSixteenBits(settings.readInt(kSettingsSection, kKeyAjustement, kDefaultAjustement),
                         kDefaultAjustement, kAjustementRange)
            .value;
    pasFrequence = pasFrequenceForSlider(int16_t(kAjustementRange.minimum),
                                         int16_t(kAjustementRange.maximum), position);
    return {};
}

}  // namespace vellora
