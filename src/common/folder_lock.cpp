// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "common/atomic_file.h"

namespace vellora {

namespace {

// A blocking flock, the kernel waking the waiter the moment the lock is free (polling
// would starve: a writer drops the lock for microseconds between two writes). It waits
// on a thread of its own so that the caller can give up; a lock obtained after that is
// dropped at once.
struct Waiting {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool locked = false;
};

enum class Outcome { Locked, Busy, Failed };

Outcome lockWithin(int fd, std::chrono::milliseconds wait) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Outcome::Locked;
    if (errno != EWOULDBLOCK) return Outcome::Failed;
    auto waiting = std::make_shared<Waiting>();
    // The thread's own descriptor of the same open folder: a lock it takes is the
    // caller's too, and once the caller has given up and closed its own, closing this
    // one drops the lock again.
    const int shared = ::dup(fd);
    if (shared < 0) return Outcome::Failed;
    std::thread([waiting, shared] {
        int r;
        do r = ::flock(shared, LOCK_EX);
        while (r != 0 && errno == EINTR);
        ::close(shared);
        std::lock_guard lock(waiting->mutex);
        waiting->finished = true;
        waiting->locked = r == 0;
        waiting->done.notify_all();
    }).detach();
    std::unique_lock lock(waiting->mutex);
    if (!waiting->done.wait_for(lock, wait, [&] { return waiting->finished; }))
        return Outcome::Busy;
    return waiting->locked ? Outcome::Locked : Outcome::Failed;
}

}  // namespace

FolderLock::FolderLock(const std::filesystem::path& file, std::chrono::milliseconds wait) {
    std::filesystem::path folder = resolveLinks(file).parent_path();
    if (folder.empty()) folder = ".";
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    const Outcome outcome = lockWithin(fd_, wait);
    if (outcome == Outcome::Locked) return;
    ::close(fd_);
    fd_ = -1;
    if (outcome == Outcome::Busy)
        status_ = Status(Failure::NotPermitted,
                         file.string() + ": another program kept the file busy; not written");
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace vellora
