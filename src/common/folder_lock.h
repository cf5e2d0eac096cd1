// SPDX-License-Identifier: GPL-3.0-or-later
// One writer at a time for the files of a folder, across processes: two instances of
// the program on one settings file each read the file, change their part and rename a
// new file over it; without a lock the second rename drops the first one's change.
// The lock is an advisory flock on the folder itself, so no lock file is left behind,
// and it goes with the process however that ends. Window-free.
#pragma once

#include <chrono>
#include <filesystem>

#include "common/status.h"

namespace vellora {

class FolderLock {
  public:
    // Waits at most this long for another process's write (a write takes milliseconds,
    // a second or so with a busy disk's flushes; a stopped process holding the lock must
    // not hang this one for good).
    static constexpr std::chrono::milliseconds kLongestWait{10000};

    // Locks the folder holding `file` (after its symbolic links: the folder that is
    // really written). status() says whether it could.
    explicit FolderLock(const std::filesystem::path& file,
                        std::chrono::milliseconds wait = kLongestWait);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Fails with NotPermitted when another process held the lock for the whole wait.
    // A folder that cannot be opened or locked at all (no read permission, a file
    // system without locks) is no failure: the write goes on as it did before locks,
    // and fails on its own when the folder cannot be written either.
    const Status& status() const { return status_; }

  private:
    int fd_ = -1;
    Status status_;
};

}  // namespace vellora
