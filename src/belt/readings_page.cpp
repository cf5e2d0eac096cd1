// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/readings_page.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <string>

#include "belt/readings_file.h"
#include "common/descriptor.h"
#include "common/file_calls.h"
#include "common/regular_file.h"

namespace vellora {

namespace {

// Read back in blocks of this size.
constexpr std::size_t kBlock = 64 * 1024;
// A header line is a few hundred bytes; a longer first line is no readings header.
constexpr std::size_t kLongestHeader = 4096;
// A page never reads more than this many bytes per line asked for (a reading's line
// takes under 150), so a file of one endless line costs no more than a normal page.
constexpr std::size_t kBytesPerLine = 4096;

bool readAt(int fd, std::uint64_t at, std::size_t n, std::string& out) {
    out.resize(n);
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, out.data() + got, n - got, off_t(at + got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += std::size_t(r);
    }
    return true;
}

Status notReadings(const std::filesystem::path& file) {
    return Status(Failure::BadContent, file.string() + ": not a readings file");
}

}  // namespace

Status readReadingsPage(const std::filesystem::path& file, std::uint64_t end, std::size_t lines,
                        ReadingsPage& into) {
    into = ReadingsPage();
    int fd = -1;
    if (Status opened = openRegularFile(file, O_RDONLY, fd); !opened)
        return opened.failure() == Failure::NotFound ? Status() : opened;  // none yet
    const Descriptor closing(fd);
    struct stat st {};
    if (fileCalls().fstat(fd, &st) != 0) return errnoStatus(file, errno, Failure::ReadFailed);
    const auto size = std::uint64_t(std::max<off_t>(st.st_size, 0));
    if (size == 0) return {};
    end = std::min(end, size);

    std::string head;
    if (!readAt(fd, 0, std::size_t(std::min<std::uint64_t>(size, kLongestHeader)), head))
        return errnoStatus(file, errno ? errno : EIO, Failure::ReadFailed);
    const std::size_t headerEnd = head.find('\n');
    // A header cut short by a kill is no stranger's file: nothing complete to read.
    if (headerEnd == std::string::npos && size < kLongestHeader) return {};
    if (headerEnd == std::string::npos) return notReadings(file);
    head.resize(headerEnd + 1);
    const std::uint64_t firstLine = headerEnd + 1;
    into.start = std::max(end, firstLine);
    if (end <= firstLine || lines == 0) {
        into.older = end > firstLine;
        return parseReadingsCsv(head) ? Status() : notReadings(file);
    }

    // Blocks back from `end` until one more line start than asked for is in, or the
    // header is reached; newest block last.
    std::deque<std::string> blocks;
    std::uint64_t from = end;
    std::size_t breaks = 0, bytes = 0;
    const std::size_t most = lines >= kMaxReadingsFileBytes / kBytesPerLine
                                 ? kMaxReadingsFileBytes
                                 : lines * kBytesPerLine + kBlock;
    while (from > firstLine && breaks <= lines && bytes < most) {
        const auto n = std::size_t(std::min<std::uint64_t>(kBlock, from - firstLine));
        from -= n;
        std::string block;
        if (!readAt(fd, from, n, block))
            return errnoStatus(file, errno ? errno : EIO, Failure::ReadFailed);
        // The byte before `end` ends the page's last line: it starts no line of the page.
        const std::size_t counted = from + n == end ? n - 1 : n;
        breaks += std::size_t(std::count(block.begin(), block.begin() + long(counted), '\n'));
        bytes += n;
        blocks.push_front(std::move(block));
    }
    std::string text;
    text.reserve(bytes);
    for (const std::string& b : blocks) text += b;

    // Whole lines only: the first one read may have started before `from`; then only
    // the last `lines` lines.
    std::size_t cut = 0;
    if (from > firstLine) cut = text.find('\n') + 1;  // found: a page ends at a break
    std::size_t kept = std::size_t(std::count(text.begin() + long(cut), text.end(), '\n'));
    if (!text.empty() && text.back() != '\n') ++kept;  // a last line cut short
    while (kept > lines) {
        cut = text.find('\n', cut) + 1;
        --kept;
    }
    into.start = from + cut;
    into.older = into.start > firstLine;
    std::optional<ParsedReadings> parsed =
        parseReadingsCsv(head.append(text, cut, std::string::npos));
    if (!parsed) return notReadings(file);
    into.readings = std::move(parsed->readings);
    into.skippedLines = parsed->skippedLines;
    return {};
}

}  // namespace vellora
