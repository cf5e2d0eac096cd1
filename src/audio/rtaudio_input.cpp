// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/rtaudio_input.h"

#include <QEventLoop>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <thread>

#include "audio/audio_backend.h"
#include "audio/audio_resampler.h"
#include "audio/recorder_result.h"

namespace vellora {

// The stream callback's only way to this object: cut when the stream is closed, so a
// stream still running on its own thread while it is stopped reaches nothing.
struct RtAudioInput::Link {
    std::mutex mutex;
    RtAudioInput* owner = nullptr;
};

namespace {

// Streams being stopped on their own threads; the program waits a little for them at
// the end, so that a normal exit still closes its streams with the server.
struct PendingCloses {
    std::mutex mutex;
    std::condition_variable done;
    int count = 0;
};

PendingCloses& pendingCloses() {
    static auto* pending = new PendingCloses;  // never destroyed: threads may outlive main
    return *pending;
}

constexpr std::chrono::milliseconds kExitWaitForCloses{1000};

}  // namespace

RtAudioInput::RtAudioInput() : RtAudioInput(Options{}) {}

RtAudioInput::RtAudioInput(Options options) : options_(std::move(options)) {
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, [this] { closeStream(); });
}

RtAudioInput::~RtAudioInput() {
    closeStream();
    PendingCloses& pending = pendingCloses();
    std::unique_lock lock(pending.mutex);
    pending.done.wait_for(lock, kExitWaitForCloses, [&] { return pending.count == 0; });
}

bool RtAudioInput::streamOpen() const {
    try {
        return audio_ && !watch_.failed() && audio_->isStreamOpen() && audio_->isStreamRunning();
    } catch (const RtAudioError&) {
        return false;
    }
}

int RtAudioInput::onAudio(void*, void* input, unsigned frames, double, unsigned, void* link) {
    auto* to = static_cast<Link*>(link);
    std::lock_guard cut(to->mutex);
    RtAudioInput* me = to->owner;
    if (!me) return 0;  // closed: its stopping thread ends it
    if (me->watch_.blockIsLive(frames))
        me->capture(static_cast<const float*>(input), frames);
    else if (me->watch_.failed())
        return me->stopOnFailure();
    return 0;
}

// The recording waiting for samples ends now, short; the stream is aborted so that
// its thread stops spinning, and the next recording opens a new one.
int RtAudioInput::stopOnFailure() {
    std::lock_guard lock(mutex_);
    collecting_ = false;
    if (waiter_) QMetaObject::invokeMethod(waiter_, &QEventLoop::quit, Qt::QueuedConnection);
    return 2;  // abort
}

void RtAudioInput::capture(const float* input, unsigned frames) {
    if (!input) return;
    if (firstBlock_) {
        firstBlock_ = false;
        return;
    }
    delivered_ = true;
    std::span<const float> block(input, frames);
    if (format_.channels > 1) {
        mono_.resize(frames);
        for (unsigned i = 0; i < frames; ++i) {
            float sum = 0;
            for (unsigned c = 0; c < format_.channels; ++c) sum += input[i * format_.channels + c];
            mono_[i] = sum / float(format_.channels);
        }
        block = mono_;
    }
    // The converter runs on every block, collected or not, so its history stays whole.
    if (resampler_) {
        converted_.clear();
        resampler_->process(block, converted_);
        block = converted_;
    }
    std::lock_guard lock(mutex_);
    ring_.append(block);
    if (collecting_ && ring_.written() >= wanted_) {
        collecting_ = false;
        if (waiter_) QMetaObject::invokeMethod(waiter_, &QEventLoop::quit, Qt::QueuedConnection);
    }
}

bool RtAudioInput::tryOpen(unsigned device, CaptureFormat f) {
    if (f.channels == 0 || f.rate == 0) return false;
    if (!audio_) audio_ = openAudioLibrary();  // the last one went with its stream
    if (!audio_) return false;
    format_ = f;
    watch_.restart(f.rate);
    {
        std::lock_guard lock(mutex_);
        ring_.restart();
    }
    firstBlock_ = true;
    delivered_ = false;
    resampler_.reset();
    if (f.rate != kCaptureRate) {
        resampler_ = std::make_unique<AudioResampler>(f.rate, kCaptureRate);
        if (!resampler_->ok()) return false;
    }
    unsigned frames = std::max(1u, options_.framesPerBuffer * f.rate / kCaptureRate);
    mono_.reserve(frames * 2);
    converted_.reserve(frames * 2 + 64);
    RtAudio::StreamParameters params;
    params.deviceId = device;
    params.nChannels = f.channels;
    RtAudio::StreamOptions streamOptions;
    streamOptions.streamName = "Vellora";
    link_ = std::make_shared<Link>();
    link_->owner = this;
    try {
        audio_->openStream(nullptr, &params, RTAUDIO_FLOAT32, f.rate, &frames, &onAudio,
                           link_.get(), &streamOptions, &noteAudioError);
        if (!audio_->isStreamOpen()) return false;
        audio_->startStream();
        if (audio_->isStreamRunning()) return true;
    } catch (const RtAudioError&) {
    }
    closeStream();
    return false;
}

int32_t RtAudioInput::open() {
    idleTimer_.stop();
    if (streamOpen()) return kRecorderOk;
    closeStream();
    if (!audio_) audio_ = openAudioLibrary();
    if (!audio_) return kNoInputDevice;
    unsigned device = 0;
    RtAudio::DeviceInfo info;
    try {
        if (audio_->getDeviceCount() == 0) return kNoInputDevice;
        device = audio_->getDefaultInputDevice();
        info = audio_->getDeviceInfo(device);
    } catch (const RtAudioError&) {
        return kNoInputDevice;
    }
    if (info.probed && info.inputChannels == 0) return kNoInputDevice;

    std::vector<CaptureFormat> formats;
    if (options_.tryNativeFormatFirst) formats.push_back({kCaptureRate, 1});
    formats.insert(formats.end(), options_.fallbacks.begin(), options_.fallbacks.end());
    if (info.preferredSampleRate && info.inputChannels)
        formats.push_back({info.preferredSampleRate, std::min(info.inputChannels, 2u)});
    bool converterMissing = false;
    for (const CaptureFormat& f : formats) {
        if (tryOpen(device, f)) return kRecorderOk;
        if (f.rate != kCaptureRate && resampler_ && !resampler_->ok()) converterMissing = true;
    }
    resampler_.reset();
    return converterMissing ? kFormatRefused : kNoInputDevice;
}

int32_t RtAudioInput::record(size_t count, std::chrono::milliseconds bound,
                             std::vector<uint8_t>& out) {
    out.clear();
    const int32_t opened = open();
    if (opened != kRecorderOk) return opened;
    if (!delivered_) bound += options_.startupAllowance;
    QEventLoop loop;
    uint64_t start = 0;
    bool wait = false;
    {
        std::lock_guard lock(mutex_);
        start = ring_.nextStart(count);
        wanted_ = start + count;
        collecting_ = wait = ring_.written() < wanted_;
        waiter_ = collecting_ ? &loop : nullptr;
    }
    if (wait) {
        QTimer timeout;
        timeout.setSingleShot(true);
        timeout.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(bound);
        // User input stays queued until the cycle's own yield.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    bool complete = false;
    {
        std::lock_guard lock(mutex_);
        waiter_ = nullptr;
        collecting_ = false;
        complete = ring_.take(start, count, out);
    }
    // A stream that stalled is likely broken (a server gone): open afresh next time.
    if (!complete) closeStream();
    return complete ? kRecorderOk : kNoAudioInTime;
}

void RtAudioInput::release() { startIdleTime(); }

void RtAudioInput::startIdleTime() {
    if (holds_ > 0 || !streamOpen()) return;
    if (options_.idleClose.count() <= 0)
        closeStream();
    else
        idleTimer_.start(options_.idleClose);
}

int32_t RtAudioInput::openAhead() {
    const int32_t opened = open();
    startIdleTime();
    return opened;
}

void RtAudioInput::hold(bool on) {
    holds_ = std::max(0, holds_ + (on ? 1 : -1));
    if (holds_ > 0)
        idleTimer_.stop();
    else
        startIdleTime();
}

void RtAudioInput::closeStream() {
    idleTimer_.stop();
    if (link_) {
        // Waits at most for one block being handed over, never for the device.
        std::lock_guard cut(link_->mutex);
        link_->owner = nullptr;
    }
    if (!audio_) return;
    bool open = false;
    try {
        open = audio_->isStreamOpen();
    } catch (const RtAudioError&) {
    }
    if (!open) return;
    // The stream, its library object and its link go to a thread that stops them; the
    // next recording opens a new one.
    PendingCloses& pending = pendingCloses();
    {
        std::lock_guard lock(pending.mutex);
        ++pending.count;
    }
    std::thread([audio = std::move(audio_), link = std::move(link_), &pending]() mutable {
        closeAudioStream(*audio);
        audio.reset();
        link.reset();
        std::lock_guard lock(pending.mutex);
        --pending.count;
        pending.done.notify_all();
    }).detach();
}

}  // namespace vellora
