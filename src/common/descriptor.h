// SPDX-License-Identifier: GPL-3.0-or-later
// An open file descriptor that is closed on every way out of a function, and the one
// loop that writes a whole buffer through one.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace vellora {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when the close reported a failed write.
    bool close();

  private:
    int fd_;
};

// Writes all of `bytes`, again after interruptions; false with errno set otherwise (a
// write that takes nothing is a full disk).
bool writeAll(int fd, std::span<const uint8_t> bytes);
inline bool writeAll(int fd, std::string_view bytes) {
    return writeAll(fd, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace vellora
