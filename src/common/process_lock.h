// SPDX-License-Identifier: GPL-3.0-or-later
// One process at a time for a long task in a shared folder (two instances of the program
// recording into one folder would each read the other's clip): an advisory flock on a
// lock file, taken without waiting and held until released, or until the process ends
// however it ends. Window-free.
#pragma once

#include <filesystem>

namespace vellora {

class ProcessLock {
  public:
    explicit ProcessLock(std::filesystem::path lockFile) : file_(std::move(lockFile)) {}
    ~ProcessLock() { release(); }
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // True when this object holds the lock now (taken now or before); false while
    // another holds it. A lock file that cannot be made or locked at all (a folder that
    // cannot be written, a file system without locks) guards nothing and refuses
    // nothing: true, and the task fails, or not, on its own.
    bool take();
    void release();
    bool held() const { return fd_ >= 0; }

  private:
    std::filesystem::path file_;
    int fd_ = -1;
};

}  // namespace vellora
