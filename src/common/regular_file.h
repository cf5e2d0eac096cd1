// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file that may be anything the user (or someone else) put under the name:
// only a regular file is read, never a FIFO, a device or a folder (opening a FIFO for
// reading would wait for a writer for good), and never more than the caller can use,
// so no file can hang the program or exhaust its memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/status.h"

namespace vellora {

struct RegularFileBytes {
    // NotFound (no such file, or a folder on the way is missing), NotRegularFile (a FIFO,
    // device, socket or folder: not opened for reading), NotPermitted or ReadFailed. The
    // message is the cause alone: callers name the file their own way.
    Status status;
    std::string bytes;       // the first min(size, limit) bytes
    std::uint64_t size = 0;  // the file's whole length

    bool read() const { return status.ok(); }
    bool truncated() const { return size > bytes.size(); }
};

// Reads at most `limit` bytes from the start of `path` (symbolic links followed).
RegularFileBytes readRegularFile(const std::filesystem::path& path, std::size_t limit);

// A descriptor open for reading on `path` when it is a regular file, else -1 with
// errno set (EINVAL for a file that is not regular). The caller closes it. The file
// is opened without waiting, then checked, so a FIFO never blocks the call.
int openRegularFileForReading(const std::filesystem::path& path);

// The same for any open `flags` (O_CREAT makes a missing file with mode 0666 less the
// umask): `fd` is the descriptor, which the caller closes, or -1 with the failure. A file
// that is not there fails as NotFound, one that is no regular file as NotRegularFile.
Status openRegularFile(const std::filesystem::path& path, int flags, int& fd);

// The failure errno `e` stands for on `path`: `otherwise` unless the file is missing, may
// not be used or is a folder, FIFO or device (ENXIO: a FIFO without a reader, a device
// without a driver). The message names the file and the cause.
Status errnoStatus(const std::filesystem::path& path, int e, Failure otherwise);

}  // namespace vellora
