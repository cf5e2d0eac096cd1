// The capture backend on RtAudio: one input stream from the default input, kept open
// across recordings and closed after a short idle time. Samples arrive on RtAudio's
// thread; record() waits in a local event loop that leaves user input queued, so a
// QCoreApplication must exist.
#pragma once

#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/audio_input.h"
#include "audio/stream_watch.h"

class RtAudio;
class QEventLoop;

namespace vellora {

class AudioResampler;

struct CaptureFormat {
    unsigned rate = kCaptureRate;
    unsigned channels = 1;
};

class RtAudioInput final : public AudioInput {
  public:
    struct Options {
        // Keeps the stream through the gap between two cycles, which is short, but not
        // while the meter sits idle.
        std::chrono::milliseconds idleClose{2000};
        // Tried in order after 22050 Hz mono; the device's own format comes last. Any
        // other is converted to 22050 Hz mono.
        std::vector<CaptureFormat> fallbacks{{48000, 1}, {44100, 1}, {48000, 2}, {44100, 2}};
        bool tryNativeFormatFirst = true;  // false forces the conversion path (tests)
        unsigned framesPerBuffer = 256;    // at 22050 Hz; about 12 ms
        // Added to the first recording's bound after the stream opens: a sound server
        // may take that long to wake an idle device (an idle PulseAudio null sink
        // sleeps up to 2 s).
        std::chrono::milliseconds startupAllowance{2500};
    };

    RtAudioInput();
    explicit RtAudioInput(Options options);
    ~RtAudioInput() override;

    int32_t open() override;
    int32_t record(size_t count, std::chrono::milliseconds bound,
                   std::vector<uint8_t>& out) override;
    void release() override;

    bool streamOpen() const;
    CaptureFormat format() const { return format_; }  // of the open stream

  private:
    static int onAudio(void* output, void* input, unsigned frames, double time, unsigned status,
                       void* self);
    void capture(const float* input, unsigned frames);
    int stopOnFailure();
    bool tryOpen(unsigned device, CaptureFormat f);
    void closeStream();

    Options options_;
    std::unique_ptr<RtAudio> audio_;
    CaptureFormat format_;
    QTimer idleTimer_;

    // Touched only by the audio thread while the stream runs.
    bool firstBlock_ = true;  // RtAudio's first callback precedes the first read: no audio
    std::unique_ptr<AudioResampler> resampler_;
    std::vector<float> mono_, converted_;

    StreamWatch watch_;                   // a dead stream ends the recording at once
    std::atomic<bool> delivered_{false};  // audio has arrived since the stream opened
    std::mutex mutex_;                    // guards what follows
    std::vector<uint8_t> samples_;
    size_t wanted_ = 0;
    bool collecting_ = false;
    QEventLoop* waiter_ = nullptr;
};

}  // namespace vellora
