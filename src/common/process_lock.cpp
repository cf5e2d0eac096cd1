// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/process_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace vellora {

bool ProcessLock::take() {
    if (fd_ >= 0) return true;
    const int fd =
        ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        fd_ = fd;
        return true;
    }
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return !busy;
}

void ProcessLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // drops the lock
    fd_ = -1;
}

}  // namespace vellora
