// SPDX-License-Identifier: GPL-3.0-or-later
// Files a careless or hostile user may put where the program reads: a FIFO (opening it
// waits for a writer for good), a link to /dev/zero (never ends), a folder, and a 2 GB
// sparse file (takes no disk). And a ceiling on this process's memory, so that a
// reader that swallows one of them fails the test instead of the machine.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vellora::testing {

enum class Hostile { Fifo, DevZero, Folder, Sparse2GB };

inline const char* hostileName(Hostile h) {
    static const char* const names[] = {"FIFO", "link to /dev/zero", "folder", "2 GB sparse file"};
    return names[int(h)];
}

inline const std::vector<Hostile>& everyHostileFile() {
    static const std::vector<Hostile> all{Hostile::Fifo, Hostile::DevZero, Hostile::Folder,
                                          Hostile::Sparse2GB};
    return all;
}

// Replaces whatever is at `path` with the hostile file; false when it cannot be made.
inline bool makeHostileFile(const std::filesystem::path& path, Hostile h) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    switch (h) {
        case Hostile::Fifo:
            return ::mkfifo(path.c_str(), 0644) == 0;
        case Hostile::DevZero:
            return ::symlink("/dev/zero", path.c_str()) == 0;
        case Hostile::Folder:
            return std::filesystem::create_directory(path, ec);
        case Hostile::Sparse2GB: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0) return false;
            const bool ok = ::ftruncate(fd, off_t(2) << 30) == 0;
            ::close(fd);
            return ok;
        }
    }
    return false;
}

// While alive, this process may take at most `extraMb` more megabytes of address space
// than it has now. Not under AddressSanitizer, which reserves terabytes up front.
#ifndef __has_feature
#define __has_feature(x) 0
#endif
class MemoryCeiling {
  public:
    explicit MemoryCeiling(std::size_t extraMb) {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
        (void)extraMb;
#else
        set(extraMb);
#endif
    }
    ~MemoryCeiling() {
        if (set_) ::setrlimit(RLIMIT_AS, &old_);
    }
    MemoryCeiling(const MemoryCeiling&) = delete;
    MemoryCeiling& operator=(const MemoryCeiling&) = delete;

  private:
    void set(std::size_t extraMb) {
        std::ifstream status("/proc/self/statm");
        std::size_t pages = 0;
        if (!(status >> pages) || ::getrlimit(RLIMIT_AS, &old_) != 0) return;
        rlimit limit = old_;
        limit.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(extraMb) << 20);
        set_ = ::setrlimit(RLIMIT_AS, &limit) == 0;
    }

    rlimit old_{};
    bool set_ = false;
};

}  // namespace vellora::testing
