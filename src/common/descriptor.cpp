// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/descriptor.h"

#include <cerrno>

#include "common/file_calls.h"

namespace vellora {

bool writeAll(int fd, std::span<const uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = fileCalls().write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool Descriptor::close() {
    const int fd = fd_;
    fd_ = -1;
    return fileCalls().close(fd) == 0;
}

}  // namespace vellora
