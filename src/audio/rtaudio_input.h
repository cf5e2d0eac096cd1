// SPDX-License-Identifier: GPL-3.0-or-later
// The capture backend on RtAudio: one input stream from the default input, kept open
// across recordings and for a minute after the last one (longer while held), so that
// a new run's first clip starts at once. Samples arrive on RtAudio's thread and go
// into a ring all the time the stream runs, so a recording asked for soon after the
// last one continues it without a gap (see SampleRing). record() waits in a local
// event loop that leaves user input queued, so a QCoreApplication must exist.
//
// Closing a stream never waits on the window's thread: RtAudio's stop waits for the
// stream's lock, which its own thread holds while blocked in a read from a source that
// has gone quiet (a suspended or stalled device), for as long as it stays so. A closed
// stream is cut off from this object at once and stopped on a thread of its own.
#pragma once

#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/audio_input.h"
#include "audio/sample_ring.h"
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
        // Keeps the stream from one run to the next, when the user plucks again soon
        // (reopening may take seconds on some sound servers), but not for good while the
        // meter sits idle.
        std::chrono::milliseconds idleClose{60000};
        // Tried in order after 22050 Hz mono; the device's own format comes last. Any
        // other is converted to 22050 Hz mono.
        std::vector<CaptureFormat> fallbacks{{48000, 1}, {44100, 1}, {48000, 2}, {44100, 2}};
        bool tryNativeFormatFirst = true;  // false forces the conversion path (tests)
        unsigned framesPerBuffer = 128;    // at 22050 Hz; about 6 ms
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

    // Opens the stream ahead of the first recording; it closes after the idle time
    // unless a recording or a hold comes first. 0 or an open() code.
    int32_t openAhead();
    // While held (holds nest), an open stream stays open however long it is idle; the
    // idle time starts again when the last hold ends.
    void hold(bool on);

    bool streamOpen() const;
    CaptureFormat format() const { return format_; }  // of the open stream

  private:
    // Far more than a clip and the cycle's work after it, so that a recording is still
    // whole when the user interface takes it late.
    static constexpr size_t kRingSamples = size_t(kCaptureRate) * 8;

    struct Link;  // what a stream's callback reaches this object through

    static int onAudio(void* output, void* input, unsigned frames, double time, unsigned status,
                       void* self);
    void capture(const float* input, unsigned frames);
    int stopOnFailure();
    bool tryOpen(unsigned device, CaptureFormat f);
    void closeStream();
    void startIdleTime();

    Options options_;
    std::unique_ptr<RtAudio> audio_;
    std::shared_ptr<Link> link_;
    CaptureFormat format_;
    QTimer idleTimer_;
    int holds_ = 0;

    // Touched only by the audio thread while the stream runs.
    bool firstBlock_ = true;  // RtAudio's first callback precedes the first read: no audio
    std::unique_ptr<AudioResampler> resampler_;
    std::vector<float> mono_, converted_;

    StreamWatch watch_;                   // a dead stream ends the recording at once
    std::atomic<bool> delivered_{false};  // audio has arrived since the stream opened
    std::mutex mutex_;                    // guards what follows
    SampleRing ring_{kRingSamples};       // every sample since the stream opened
    uint64_t wanted_ = 0;                 // the ring's count that ends the wait
    bool collecting_ = false;
    QEventLoop* waiter_ = nullptr;
};

}  // namespace vellora
