// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/descriptor.h"
#include "common/file_calls.h"

namespace vellora {

namespace {

// Opened without waiting (O_NONBLOCK: a FIFO would block open() for good), then kept
// only when regular; -1 with errno set otherwise (EINVAL for a file that is not regular).
int openChecked(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return -1;
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

Failure failureOf(int e, Failure otherwise) {
    return e == ENOENT                               ? Failure::NotFound
           : e == EACCES || e == EPERM || e == EROFS ? Failure::NotPermitted
           : e == EISDIR || e == ENXIO               ? Failure::NotRegularFile
                                                     : otherwise;
}

}  // namespace

Status errnoStatus(const std::filesystem::path& path, int e, Failure otherwise) {
    return Status(failureOf(e, otherwise), path.string() + ": " + std::strerror(e));
}

Status openRegularFile(const std::filesystem::path& path, int flags, int& fd) {
    const Failure otherwise =
        flags & (O_WRONLY | O_RDWR) ? Failure::WriteFailed : Failure::ReadFailed;
    fd = openChecked(path, flags);
    if (fd >= 0) return {};
    if (errno == EINVAL)
        return Status(Failure::NotRegularFile, path.string() + ": not a regular file");
    return errnoStatus(path, errno, otherwise);
}

int openRegularFileForReading(const std::filesystem::path& path) {
    const int fd = openChecked(path, O_RDONLY);
    if (fd < 0) return -1;
    // Reads of a regular file never block; the flag is cleared for callers that hand
    // the descriptor to a library.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

RegularFileBytes readRegularFile(const std::filesystem::path& path, std::size_t limit) {
    RegularFileBytes result;
    const auto failed = [&result](int e) {
        result.status = Status(failureOf(e, Failure::ReadFailed), std::strerror(e));
        result.bytes.clear();
        return result;
    };
    const int fd = openRegularFileForReading(path);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR)
            result.status = Status(Failure::NotFound, "no such file");
        else if (e == EINVAL || e == EISDIR || e == ENXIO)
            result.status = Status(Failure::NotRegularFile, "not a regular file");
        else
            return failed(e);
        return result;
    }
    const Descriptor closer(fd);
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0) return failed(errno);
    result.size = st.st_size > 0 ? std::uint64_t(st.st_size) : 0;
    const std::size_t wanted = result.size < limit ? std::size_t(result.size) : limit;
    result.bytes.resize(wanted);
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::read(fd, result.bytes.data() + got, wanted - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(errno);
        if (n == 0) break;  // shortened while we read: what is there counts
        got += std::size_t(n);
    }
    result.bytes.resize(got);
    return result;
}

}  // namespace vellora
