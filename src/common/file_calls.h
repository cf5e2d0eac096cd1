// SPDX-License-Identifier: GPL-3.0-or-later
// The system calls that change files, made through one table: the atomic writer, the
// readings file and the descriptor's write loop use nothing else to write, flush, rename,
// truncate, close or remove, nor the file readers to examine an open file. The program
// never changes the table; tests replace it to fail any one call or to stop the program
// between two, and so prove that each step of a durable write is taken and checked.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace vellora {

struct FileCalls {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*ftruncate)(int fd, off_t size);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*fstat)(int fd, struct stat* st);
};

// The calls in use: the system's own unless a test replaced them.
const FileCalls& fileCalls();

// Puts `calls` in use and gives back those it replaced (for tests only).
FileCalls replaceFileCalls(const FileCalls& calls);

}  // namespace vellora
