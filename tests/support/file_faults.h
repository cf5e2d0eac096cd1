// SPDX-License-Identifier: GPL-3.0-or-later
// The file calls of the code under test (common/file_calls.h), recorded in order; one
// chosen call can fail, every call from one on can fail (a disk that filled up), or the
// process can end right before a call (run that in a forked child: a crash). Examining an
// open file (fstat) is not recorded: only a fault on every call of its kind fails it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <set>
#include <vector>

#include "common/file_calls.h"

namespace vellora::testing {

enum class FileCall { Write, Fsync, Ftruncate, Close, Rename, Unlink, Fstat };

struct RecordedCall {
    FileCall call;
    int fd = -1;
    bool folder = false;  // an fsync or close of a folder
};

enum class Fault {
    None,
    Fail,          // the chosen call fails, nothing done; the others are made
    FailFrom,      // the chosen call and every later write, flush, truncation or close fails
                   // (a disk that filled up); the first write takes half first
    ShortWrites,   // nothing fails, but every write takes only half of what it is given
    EveryOfAKind,  // every call of one kind fails (after the first few, if asked)
    Crash,         // the process ends before the chosen call; a write takes half first
};

inline constexpr int kCrashExit = 77;

class FileFaults {
  public:
    explicit FileFaults(std::size_t step = 0, Fault fault = Fault::None, int error = EIO) {
        state() = State{{}, step, fault, error};
        before_ = replaceFileCalls({&FileFaults::write, &FileFaults::fsync, &FileFaults::ftruncate,
                                    &FileFaults::close, &FileFaults::rename, &FileFaults::unlink,
                                    &FileFaults::fstat});
    }
    // Every call of one kind after the first `after` fails: a disk that refuses every
    // flush, say.
    FileFaults(FileCall kind, int error, std::size_t after = 0)
        : FileFaults(0, Fault::EveryOfAKind, error) {
        state().kind = kind;
        state().after = after;
    }
    ~FileFaults() { replaceFileCalls(before_); }
    FileFaults(const FileFaults&) = delete;
    FileFaults& operator=(const FileFaults&) = delete;

    static const std::vector<RecordedCall>& calls() { return state().calls; }

    // Every descriptor written or truncated was flushed before any rename, before it was
    // closed and before the end: what makes a write survive a power cut.
    static bool everyWriteFlushed() {
        std::set<int> dirty;
        for (const RecordedCall& c : state().calls) {
            if (c.call == FileCall::Write || c.call == FileCall::Ftruncate) dirty.insert(c.fd);
            if (c.call == FileCall::Fsync) dirty.erase(c.fd);
            if ((c.call == FileCall::Close && dirty.count(c.fd)) ||
                (c.call == FileCall::Rename && !dirty.empty()))
                return false;
        }
        return dirty.empty();
    }

  private:
    struct State {
        std::vector<RecordedCall> calls;
        std::size_t step = 0;
        Fault fault = Fault::None;
        int error = EIO;
        FileCall kind = FileCall::Write;
        std::size_t after = 0, seen = 0;  // EveryOfAKind: calls of the kind let through
    };
    // True when this call of `kind` is one an EveryOfAKind fault fails.
    static bool failsKind(FileCall kind) {
        State& s = state();
        return s.fault == Fault::EveryOfAKind && kind == s.kind && s.seen++ >= s.after;
    }
    static State& state() {
        static State s;
        return s;
    }
    // Records the call; true when it is to fail (errno set). `torn` writes half of a
    // write's bytes before a crash or a filling disk.
    static bool injected(FileCall call, int fd = -1, const void* data = nullptr,
                         std::size_t size = 0, ssize_t* torn = nullptr) {
        State& s = state();
        const std::size_t n = s.calls.size();
        struct stat st {};
        const bool flushOrClose = call == FileCall::Fsync || call == FileCall::Close;
        s.calls.push_back({call, fd, flushOrClose && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)});
        const bool hit = s.fault == Fault::EveryOfAKind ? failsKind(call)
                         : s.fault == Fault::FailFrom
                             ? n >= s.step && call != FileCall::Rename && call != FileCall::Unlink
                             : n == s.step;
        if (s.fault == Fault::ShortWrites && torn) {
            *torn = ::write(fd, data, size > 1 ? size / 2 : size);
            return false;
        }
        if (s.fault == Fault::None || !hit) return false;
        const bool firstTear = torn && size > 1 && n == s.step;
        if (s.fault == Fault::Crash) {
            if (firstTear && ::write(fd, data, size / 2) < 0) ::_exit(kCrashExit + 1);
            ::_exit(kCrashExit);
        }
        if (s.fault == Fault::FailFrom && firstTear) {
            *torn = ::write(fd, data, size / 2);
            return false;
        }
        errno = s.error;
        return true;
    }
    static ssize_t write(int fd, const void* data, std::size_t size) {
        ssize_t torn = -2;
        if (injected(FileCall::Write, fd, data, size, &torn)) return -1;
        return torn != -2 ? torn : ::write(fd, data, size);
    }
    static int fsync(int fd) { return injected(FileCall::Fsync, fd) ? -1 : ::fsync(fd); }
    static int ftruncate(int fd, off_t size) {
        return injected(FileCall::Ftruncate, fd) ? -1 : ::ftruncate(fd, size);
    }
    static int close(int fd) {
        const bool failed = injected(FileCall::Close, fd);
        // A close that reports a failed write still frees the descriptor.
        return ::close(fd) != 0 || failed ? -1 : 0;
    }
    static int rename(const char* from, const char* to) {
        return injected(FileCall::Rename) ? -1 : ::rename(from, to);
    }
    static int unlink(const char* path) { return injected(FileCall::Unlink) ? -1 : ::unlink(path); }
    static int fstat(int fd, struct stat* st) {
        if (!failsKind(FileCall::Fstat)) return ::fstat(fd, st);
        errno = state().error;
        return -1;
    }

    FileCalls before_{};
};

}  // namespace vellora::testing
