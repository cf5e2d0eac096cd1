// SPDX-License-Identifier: GPL-3.0-or-later
// The newest samples of a running input stream, numbered from the stream's start, so
// that each recording can begin exactly where the one before it ended: the cycle's
// work then overlaps the recording of the next clip instead of delaying it. Not
// thread-safe by itself: the input guards it with its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vellora {

class SampleRing {
  public:
    // Holds the newest `capacity` samples (at least 1).
    explicit SampleRing(size_t capacity);

    // A new stream: nothing held, numbering from 0, no recording taken yet.
    void restart();

    // Appends a block of samples from -1 to 1, kept as unsigned 8-bit values.
    void append(std::span<const float> block);

    // Samples appended since the restart; the next one to arrive has this number.
    uint64_t written() const { return written_; }

    // Where a recording of `count` samples asked for now begins: right after the last
    // one taken, when no more than `count` samples have arrived since (the run goes on
    // and nothing is lost between its clips), otherwise at the next sample to arrive
    // (a first recording, or one after a pause, hears only what follows the request).
    uint64_t nextStart(size_t count) const;

    // Copies samples `from` .. `from + count - 1` into `out` and remembers their end as
    // the last recording taken. False, with `out` empty and nothing remembered, when
    // not all of them are held: not arrived yet, or already overwritten.
    bool take(uint64_t from, size_t count, std::vector<uint8_t>& out);

  private:
    std::vector<uint8_t> data_;
    uint64_t written_ = 0;
    std::optional<uint64_t> takenEnd_;
};

}  // namespace vellora
