// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wave_audio_recorder.h"

#include <filesystem>
#include <system_error>

#include "audio/recorder_result.h"
#include "common/atomic_file.h"
#include "wave/recorder_wave.h"

namespace vellora {

int32_t WaveAudioRecorder::send(std::string_view command) {
    const std::optional<RecorderCommand> c = parseRecorderCommand(command);
    return c ? run(*c) : kUnrecognisedCommand;
}

bool WaveAudioRecorder::isOpen(const std::string& alias) const {
    return device_ && sameAlias(device_->alias, alias);
}

int32_t WaveAudioRecorder::run(const RecorderCommand& c) {
    using Verb = RecorderCommand::Verb;
    switch (c.verb) {
        case Verb::CloseAll:
            if (device_) input_.release();
            device_.reset();
            return kRecorderOk;
        case Verb::Open: {
            if (device_) return kDeviceInUse;
            const int32_t opened = input_.open();
            if (opened != kRecorderOk) return opened;
            device_ = Device{c.alias, {}, kNoAudioInTime};
            return kRecorderOk;
        }
        case Verb::Save:
            return save(c);
        default:
            break;
    }
    if (!isOpen(c.alias)) return kUnknownDevice;
    switch (c.verb) {
        case Verb::Close:
            input_.release();
            device_.reset();
            return kRecorderOk;
        case Verb::SeekStart:
            device_->samples.clear();
            device_->noRecording = kNoAudioInTime;
            return kRecorderOk;
        case Verb::SetRate:
            return c.value == kCaptureRate ? kRecorderOk : kFormatRefused;
        case Verb::SetBits:
            return c.value == 8 ? kRecorderOk : kFormatRefused;
        case Verb::SetChannels:
            return c.value == 1 ? kRecorderOk : kFormatRefused;
        case Verb::Record: {
            // The old recording is gone whatever happens: a failure must not leave it
            // to be saved as if it were new.
            device_->samples.clear();
            const size_t count = size_t(c.value) * kCaptureRate / 1000;
            const auto bound = std::chrono::milliseconds(c.value) + kRecordGrace;
            const int32_t recorded = input_.record(count, bound, device_->samples);
            input_.release();
            if (recorded != kRecorderOk || device_->samples.size() != count) {
                device_->samples.clear();
                device_->noRecording = recorded != kRecorderOk ? recorded : kNoAudioInTime;
                return device_->noRecording;
            }
            device_->noRecording = kRecorderOk;
            return kRecorderOk;
        }
        default:
            return kUnrecognisedCommand;
    }
}

int32_t WaveAudioRecorder::save(const RecorderCommand& c) {
    // A reader must never take an older file for this recording: on any failure the
    // target is removed.
    auto fail = [&](int32_t code) {
        std::error_code ignored;
        std::filesystem::remove(c.file, ignored);
        return code;
    };
    if (!isOpen(c.alias)) return fail(kUnknownDevice);
    if (device_->noRecording != kRecorderOk) return fail(device_->noRecording);
    const std::vector<uint8_t> bytes = pcmWaveFile(device_->samples, kCaptureRate);
    // A target the writer refused (write-protected, not a regular file) is not ours to
    // remove; the cycle reads nothing after a failed save anyway. The file is a scratch
    // copy of a clip the cycle reads at once: whole and renamed into place, but not
    // waited onto the disk, which would hold up the next clip.
    if (!writeFileAtomically(c.file, bytes, Flush::Skip)) return kFileNotWritten;
    return kRecorderOk;
}

}  // namespace vellora
