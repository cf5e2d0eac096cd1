// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/readings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "common/descriptor.h"
#include "common/file_calls.h"
#include "common/regular_file.h"

namespace vellora {

Status ReadingsFile::read(ParsedReadings& into) const {
    into = {};
    int fd = -1;
    if (Status opened = openRegularFile(path_, O_RDONLY, fd); !opened)
        return opened.failure() == Failure::NotFound ? Status() : opened;  // none yet
    const Descriptor file(fd);
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0) return errnoStatus(path_, errno, Failure::ReadFailed);
    if (std::size_t(st.st_size) > kMaxReadingsFileBytes) {
        return Status(Failure::TooLarge, path_.string() + ": larger than " +
                                             std::to_string(kMaxReadingsFileBytes >> 20) + " MiB");
    }
    std::string text(std::size_t(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::pread(fd, text.data() + got, text.size() - got, off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoStatus(path_, errno, Failure::ReadFailed);
        if (n == 0) break;
        got += std::size_t(n);
    }
    text.resize(got);
    if (text.empty()) return {};
    auto parsed = parseReadingsCsv(text);
    if (!parsed) {
        // A header cut short by a kill is no stranger's file: nothing complete to read.
        if (text.find('\n') == std::string::npos) return {};
        return Status(Failure::BadContent, path_.string() + ": not a readings file");
    }
    into = std::move(*parsed);
    return {};
}

Status ReadingsFile::append(const Reading& reading) {
    int fd = -1;
    if (Status opened = openRegularFile(path_, O_RDWR | O_APPEND | O_CREAT, fd); !opened)
        return opened;
    Descriptor file(fd);
    auto failed = [&](Failure otherwise) { return errnoStatus(path_, errno, otherwise); };
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0) return failed(Failure::ReadFailed);
    // Root may write anything; a file without a single write bit was protected on
    // purpose, as the settings file is.
    if ((st.st_mode & 0222) == 0)
        return Status(Failure::NotPermitted, path_.string() + ": the file is write-protected");

    const std::string ourHeader = readingsCsvHeader();
    std::string out;
    char head[4096];
    const ssize_t n = st.st_size == 0 ? 0 : ::pread(fd, head, sizeof head, 0);
    if (n < 0) return failed(Failure::ReadFailed);
    const std::string_view text(head, std::size_t(n));
    // Our own header cut short (the first append interrupted by a crash): nothing complete
    // is there, so the file starts again rather than refusing every reading from now on.
    if (std::size_t(st.st_size) == text.size() && std::string_view(ourHeader).starts_with(text) &&
        text.size() < ourHeader.size()) {
        if (fileCalls().ftruncate(fd, 0) != 0) return failed(Failure::WriteFailed);
        out = ourHeader + readingCsvLine(reading);
    } else {
        const std::size_t nl = text.find('\n');
        const auto columns = nl == std::string_view::npos
                                 ? std::nullopt
                                 : ReadingsCsvColumns::ofHeader(text.substr(0, nl));
        if (!columns) return Status(Failure::BadContent, path_.string() + ": not a readings file");
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') out = kCsvLineEnd;
        out += columns->line(reading);
    }
    if (!writeAll(fd, out) || fileCalls().fsync(fd) != 0 || !file.close())
        return failed(Failure::WriteFailed);
    return {};
}

Status ReadingsFile::clear() {
    int fd = -1;
    if (Status opened = openRegularFile(path_, O_WRONLY, fd); !opened)
        return opened.failure() == Failure::NotFound ? Status() : opened;  // nothing to empty
    const Descriptor file(fd);
    if (fileCalls().ftruncate(fd, 0) != 0 || fileCalls().fsync(fd) != 0)
        return errnoStatus(path_, errno, Failure::WriteFailed);
    return {};
}

}  // namespace vellora
