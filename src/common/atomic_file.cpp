// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

#include "common/descriptor.h"
#include "common/file_calls.h"
#include "common/regular_file.h"

namespace vellora {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTemporaryMark = ".tmp-";
constexpr const char* kJournalSuffix = ".vellora-rewrite";
// Linux gives up after 40 links in a path; a longer chain is a loop.
constexpr int kMostLinks = 40;
// A journal is a copy of a file the program wrote; anything larger was not.
constexpr std::size_t kLargestJournal = std::size_t(256) << 20;

std::string errorText(int e) { return std::strerror(e ? e : EIO); }

std::span<const uint8_t> bytesOf(std::string_view text) {
    return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The folder's entry is on the disk too only once the folder itself is flushed. Once a
// rename is done readers see the new file whatever this says, so a failure here is not
// reported as a failed write.
void syncFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)fileCalls().fsync(fd);
    (void)fileCalls().close(fd);
}

// True when the open file `fd` holds exactly `bytes`.
bool holds(int fd, std::span<const uint8_t> bytes) {
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0 || std::uint64_t(st.st_size) != bytes.size()) return false;
    uint8_t block[4096];
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::pread(fd, block, std::min(sizeof block, bytes.size() - at), off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || std::memcmp(block, bytes.data() + at, std::size_t(n)) != 0) return false;
        at += std::size_t(n);
    }
    return true;
}

fs::path temporaryNameBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    fs::path tmp = target;
    tmp += std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
    return tmp;
}

fs::path journalOf(const fs::path& target) {
    fs::path journal = target;
    journal += kJournalSuffix;
    return journal;
}

// Writes `bytes` to a new temporary file beside `target`, flushed to the disk. When
// `like` is given the file gets its mode and owner; `ownerKept` says whether it could.
bool writeTemporary(const fs::path& tmp, std::span<const uint8_t> bytes, const struct stat* like,
                    bool* ownerKept, Flush flush, std::string& why) {
    // A new file is made as any new file (0666 less the umask); an old one's mode is
    // copied below, once the content is in.
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        why = errorText(errno);
        return false;
    }
    Descriptor file(fd);
    bool ok = writeAll(fd, bytes);
    if (ok && like) {
        struct stat made {};
        *ownerKept = fileCalls().fstat(fd, &made) == 0 &&
                     ((made.st_uid == like->st_uid && made.st_gid == like->st_gid) ||
                      ::fchown(fd, like->st_uid, like->st_gid) == 0);
        // After fchown, which clears the set-id bits.
        ok = ::fchmod(fd, like->st_mode & 07777) == 0;
    }
    ok = ok && (flush == Flush::Skip || fileCalls().fsync(fd) == 0);
    const int e = errno;
    const bool closed = file.close();
    if (!ok || !closed) {
        why = errorText(ok ? errno : e);
        (void)fileCalls().unlink(tmp.c_str());
        return false;
    }
    return true;
}

// Overwrites the regular file `target` in place with `bytes`, flushed to the disk (unless
// skipped), and reads it back: true only when the file then holds exactly `bytes`.
bool rewriteInPlace(const fs::path& target, std::span<const uint8_t> bytes, Flush flush,
                    std::string& why) {
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    // Read back through the same descriptor; a file this user may write but not read is
    // trusted to its flush.
    int fd = ::open(target.c_str(), O_RDWR | kFlags);
    const bool readable = fd >= 0;
    if (!readable && errno == EACCES) fd = ::open(target.c_str(), O_WRONLY | kFlags);
    if (fd < 0) {
        why = errorText(errno);
        return false;
    }
    Descriptor file(fd);
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0) {
        why = errorText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    const bool ok = writeAll(fd, bytes) && fileCalls().ftruncate(fd, off_t(bytes.size())) == 0 &&
                    (flush == Flush::Skip || fileCalls().fsync(fd) == 0);
    const int e = errno;
    if (!ok) {
        why = errorText(e);
        return false;
    }
    if (readable && !holds(fd, bytes)) {
        why = "the file did not read back as written";
        return false;
    }
    if (!file.close()) {
        why = errorText(errno);
        return false;
    }
    return true;
}

// True when this user may write the existing file `st` describes at `path`. Root may
// write anything, but a file without a single write bit was protected on purpose.
bool mayWrite(const fs::path& path, const struct stat& st) {
    if ((st.st_mode & 0222) == 0) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool processIsRunning(long pid) {
    if (pid <= 0 || pid == long(::getpid())) return pid == long(::getpid());
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// The process number of a file name "<prefix><pid>-<n>", or -1 when the name is not
// one of ours.
long processFileOwner(const std::string& entry, const std::string& prefix) {
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) return -1;
    const char* first = entry.data() + prefix.size();
    const char* last = entry.data() + entry.size();
    long pid = -1;
    auto [afterPid, e1] = std::from_chars(first, last, pid);
    if (e1 != std::errc() || afterPid == last || *afterPid != '-') return -1;
    unsigned long n = 0;
    auto [end, e2] = std::from_chars(afterPid + 1, last, n);
    if (e2 != std::errc() || end != last) return -1;
    return pid;
}

}  // namespace

fs::path resolveLinks(const fs::path& target) {
    fs::path at = target;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec))) return at;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at;
}

Status writeFileAtomically(const fs::path& link, std::span<const uint8_t> bytes, Flush flush) {
    auto fail = [&](const std::string& why, Failure failure = Failure::WriteFailed) {
        return Status(failure, link.string() + ": " + why);
    };
    const fs::path target = resolveLinks(link);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return fail(errorText(errno));
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return fail("not a regular file; it was left as it is", Failure::NotRegularFile);
        if (!mayWrite(target, st))
            return fail("the file is write-protected; it was left as it is", Failure::NotPermitted);
    }

    const fs::path tmp = temporaryNameBeside(target);
    bool ownerKept = true;
    std::string why;
    if (!writeTemporary(tmp, bytes, exists ? &st : nullptr, &ownerKept, flush, why))
        return fail(why);

    if (exists && (st.st_nlink > 1 || !ownerKept)) {
        // The old content, to put back should the rewrite fail half-way.
        const RegularFileBytes before = readRegularFile(target, kLargestJournal);
        // The complete content is on the disk under the journal's name before the
        // file itself is touched.
        const fs::path journal = journalOf(target);
        if (fileCalls().rename(tmp.c_str(), journal.c_str()) != 0) {
            why = errorText(errno);
            (void)fileCalls().unlink(tmp.c_str());
            return fail(why);
        }
        if (flush == Flush::ToDisk) syncFolder(target.parent_path());
        std::string undoWhy;
        // The journal goes only once the file reads back as the new content, or as the
        // old one again; otherwise the next start finishes the rewrite from it.
        if (rewriteInPlace(target, bytes, flush, why) ||
            (before.read() && !before.truncated() &&
             rewriteInPlace(target, bytesOf(before.bytes), flush, undoWhy))) {
            (void)fileCalls().unlink(journal.c_str());
            if (flush == Flush::ToDisk) syncFolder(target.parent_path());
            return why.empty() ? Status() : fail(why);
        }
        return fail(why + "; the new content is kept in " + journal.string() +
                    " and will be written at the next start");
    }

    if (fileCalls().rename(tmp.c_str(), target.c_str()) != 0) {
        why = errorText(errno);
        (void)fileCalls().unlink(tmp.c_str());
        return fail(why);
    }
    if (flush == Flush::ToDisk) syncFolder(target.parent_path());
    return {};
}

Status writeFileAtomically(const fs::path& target, std::string_view text) {
    return writeFileAtomically(target, bytesOf(text));
}

Status checkWritable(const fs::path& link) {
    const fs::path target = resolveLinks(link);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Status(Failure::NotRegularFile, link.string() + ": not a regular file");
        if (!mayWrite(target, st))
            return Status(Failure::NotPermitted, link.string() + ": the file is write-protected");
    } else if (errno != ENOENT) {
        return errnoStatus(link, errno, Failure::WriteFailed);
    }
    // Every write makes its temporary file beside the target first.
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return errnoStatus(folder, errno, Failure::WriteFailed);
    return {};
}

int removeStaleTemporaryFiles(const fs::path& link) {
    const fs::path target = resolveLinks(link);
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string name = target.filename().string();

    // An interrupted in-place rewrite: the journal holds the whole new content. It is
    // removed only once the file holds that content; while the file cannot be restored
    // (missing, not regular, a full disk) the journal stays, the one whole copy.
    const fs::path journal = journalOf(target);
    const RegularFileBytes pending = readRegularFile(journal, kLargestJournal);
    if (pending.read() && !pending.truncated()) {
        std::string why;
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            rewriteInPlace(target, bytesOf(pending.bytes), Flush::ToDisk, why))
            (void)fileCalls().unlink(journal.c_str());
    }

    return removeStaleProcessFiles(folder, name + kTemporaryMark);
}

int removeStaleProcessFiles(const fs::path& folder, const std::string& prefix) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        const long pid = processFileOwner(entry, prefix);
        if (pid < 0 || processIsRunning(pid)) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError)) continue;
        if (fileCalls().unlink(it->path().c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace vellora
