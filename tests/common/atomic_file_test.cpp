// SPDX-License-Identifier: GPL-3.0-or-later
// Real files in a scratch folder. Cases where root would override a permission run as
// the unprivileged user "nobody" (skipped when not root).
#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "common/regular_file.h"
#include "support/file_faults.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;
using testing::Fault;
using testing::FileCall;
using testing::FileFaults;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

struct stat statOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st;
}

int entriesIn(const fs::path& folder) {
    return int(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}));
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileAsItWasAndSaysWhy) {
    // Read-only for everyone, root included; writable for its owner (root) only; writable,
    // but in a folder that may not be written.
    const std::pair<mode_t, bool> cases[] = {{0444, false}, {0644, true}, {0666, true}};
    for (const auto& [mode, asNobody] : cases) {
        SCOPED_TRACE(mode);
        TempFolder dir;
        const fs::path file = dir / "Vellora.ini";
        writeBytes(file, "keep me");
        ::chmod(file.c_str(), mode);
        if (asNobody && ::geteuid() != 0) continue;
        std::optional<testing::ActAsUnprivilegedUser> user;
        if (asNobody) user.emplace();
        const Status written = writeFileAtomically(file, std::string_view("lost"));
        user.reset();
        EXPECT_FALSE(written);
        EXPECT_NE(written.message().find("Vellora.ini"), std::string::npos) << written.message();
        EXPECT_EQ(readBytes(file), "keep me");
        EXPECT_EQ(statOf(file).st_mode & 07777, mode);
        EXPECT_EQ(entriesIn(dir.path()), 1) << "no temporary file stays behind";
    }
    // Nor is what is not a regular file replaced (or opened: a FIFO would hang).
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    fs::create_symlink("loop", dir / "loop");
    for (const char* name : {"fifo", ".", "loop"})
        EXPECT_FALSE(writeFileAtomically(dir / name, std::string_view("x"))) << name;
}

// A plain file is replaced by a rename (a new inode: readers never see half of it),
// keeping its mode and owner. Links stay: a chain of symbolic links is written through,
// and a file with another hard link rewritten in place, its old tail cut off.
TEST(AtomicFile, AWrittenFileKeepsItsModeOwnerAndLinks) {
    TempFolder dir;
    const fs::path file = dir / "Vellora.ini";
    writeBytes(file, "old");
    ::chmod(file.c_str(), 0640);
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    ASSERT_EQ(::chown(file.c_str(), owner, owner), 0);
    const ino_t before = statOf(file).st_ino;
    ASSERT_TRUE(writeFileAtomically(file, std::string_view("new content")));
    EXPECT_EQ(readBytes(file), "new content");
    EXPECT_EQ(statOf(file).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(file).st_uid, owner);
    EXPECT_NE(statOf(file).st_ino, before);
    fs::create_hard_link(file, dir / "other-name.ini");
    fs::create_symlink("Vellora.ini", dir / "relative.ini");
    fs::create_symlink(dir / "relative.ini", dir / "link.ini");
    ASSERT_TRUE(writeFileAtomically(dir / "link.ini", std::string_view("short")));
    EXPECT_EQ(readBytes(dir / "other-name.ini"), "short");
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini") && fs::is_symlink(dir / "relative.ini"));
    EXPECT_EQ(entriesIn(dir.path()), 4) << "no temporary file or journal stays behind";
}

// At start: the temporary files of ended processes go, and an in-place rewrite a kill
// interrupted is finished from its journal.
TEST(AtomicFile, WhatAKilledWriteLeftIsCleanedUpAtStart) {
    TempFolder dir;
    const fs::path file = dir / "Vellora.ini";
    writeBytes(file, "[S]\nk=new va");  // killed halfway through the rewrite
    fs::create_hard_link(file, dir / "other-name.ini");
    writeBytes(dir / "Vellora.ini.vellora-rewrite", "[S]\nk=new value\n");
    const std::string dead = testing::endedProcessId(), alive = std::to_string(::getpid());
    const std::pair<std::string, bool> cases[] = {
        {"Vellora.ini.tmp-" + dead + "-17", true},
        {"Vellora.ini.tmp-" + alive + "-3", false},  // a write in progress
        {"Readings.csv.tmp-" + dead + "-0", false},  // another file's
    };
    for (const auto& [name, removed] : cases) writeBytes(dir / name, "half");
    EXPECT_EQ(removeStaleTemporaryFiles(file), 1);
    for (const auto& [name, removed] : cases) EXPECT_EQ(fs::exists(dir / name), !removed) << name;
    EXPECT_EQ(readBytes(dir / "other-name.ini"), "[S]\nk=new value\n");
    EXPECT_FALSE(fs::exists(dir / "Vellora.ini.vellora-rewrite"));
}

// The three ways a write goes: a new file, a file replaced by a rename, a file with a
// second name rewritten in place through the journal.
enum class Shape { New, Replaced, InPlace };
const std::string kOld = "[S]\nk=old value, longer than the new\n", kNew = "[S]\nk=new\n";

fs::path prepared(const TempFolder& dir, Shape shape) {
    const fs::path file = dir / "Vellora.ini";
    if (shape != Shape::New) writeBytes(file, kOld);
    if (shape == Shape::InPlace) fs::create_hard_link(file, dir / "other-name.ini");
    return file;
}

// What a reader finds: the old content whole (nothing for a new file) or the new one.
bool oldOrNew(const fs::path& file, Shape shape, const std::string& expected = {}) {
    const std::string now = fs::exists(file) ? readBytes(file) : "(none)";
    const std::string old = shape == Shape::New ? "(none)" : kOld;
    return expected.empty() ? now == old || now == kNew : now == expected;
}

// Every call the writer makes is flushed, checked and safe to be cut off at: a failure of
// any one leaves the old file whole with a message naming it, and a crash before any one
// leaves, after the next start's clean-up, the old file or the new one, nothing else.
TEST(AtomicFile, EveryStepIsFlushedCheckedAndSafeToCrashAt) {
    for (const Shape shape : {Shape::New, Shape::Replaced, Shape::InPlace}) {
        SCOPED_TRACE(int(shape));
        std::vector<testing::RecordedCall> steps;
        {
            TempFolder dir;
            const fs::path file = prepared(dir, shape);
            FileFaults recorded;
            ASSERT_TRUE(writeFileAtomically(file, std::string_view(kNew)));
            EXPECT_TRUE(FileFaults::everyWriteFlushed());
            steps = FileFaults::calls();
            EXPECT_EQ(readBytes(file), kNew);
        }
        {
            TempFolder dir;
            const fs::path file = prepared(dir, shape);
            FileFaults shortWrites(0, Fault::ShortWrites);
            ASSERT_TRUE(writeFileAtomically(file, std::string_view(kNew)));
            EXPECT_EQ(readBytes(file), kNew);
        }
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(i);
            TempFolder dir;
            const fs::path file = prepared(dir, shape);
            const int entries = entriesIn(dir.path());
            Status written;
            {
                FileFaults failing(i, Fault::Fail);
                written = writeFileAtomically(file, std::string_view(kNew));
            }
            // Past the rename nothing can be undone: a folder's flush or the journal's
            // removal failing leaves the new file, and says nothing.
            const bool harmless = steps[i].folder || steps[i].call == FileCall::Unlink;
            EXPECT_EQ(written.ok(), harmless) << written.message();
            EXPECT_TRUE(oldOrNew(file, shape,
                                 harmless              ? kNew
                                 : shape == Shape::New ? "(none)"
                                                       : kOld));
            if (!harmless) {
                EXPECT_NE(written.message().find("Vellora.ini"), std::string::npos);
                EXPECT_EQ(entriesIn(dir.path()), entries);
            }
        }
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE("crash before " + std::to_string(i));
            TempFolder dir;
            const fs::path file = prepared(dir, shape);
            const pid_t child = ::fork();
            if (child == 0) {
                FileFaults crashing(i, Fault::Crash);
                (void)writeFileAtomically(file, std::string_view(kNew));
                ::_exit(0);
            }
            int how = 0;
            ::waitpid(child, &how, 0);
            EXPECT_EQ(WEXITSTATUS(how), testing::kCrashExit);
            removeStaleTemporaryFiles(file);
            EXPECT_TRUE(oldOrNew(file, shape));
            EXPECT_EQ(entriesIn(dir.path()), shape == Shape::New       ? int(fs::exists(file))
                                             : shape == Shape::InPlace ? 2
                                                                       : 1);
        }
    }
}

// A file that cannot be examined (its disk gone from under it) is told by that cause,
// not taken for a file of another kind, and keeps its content.
TEST(AtomicFile, AFileThatCannotBeExaminedIsToldByItsCause) {
    const std::string cause = std::strerror(EIO);
    TempFolder dir;
    const fs::path file = prepared(dir, Shape::InPlace);
    {
        FileFaults unseen(FileCall::Fstat, EIO);
        EXPECT_EQ(readRegularFile(file, 100).status.message(), cause);
        const Status written = writeFileAtomically(file, std::string_view(kNew));
        EXPECT_TRUE(written.message().starts_with(file.string() + ": " + cause))
            << written.message();
    }
    EXPECT_EQ(readBytes(file), kOld);
}

// A disk that fills up half-way through an in-place rewrite: the file is torn and cannot
// be put back, so the journal, the one whole copy, stays; a start that still cannot write
// keeps it too, and the first that can finishes the rewrite.
TEST(AtomicFile, AJournalStaysUntilTheFileIsRestoredFromIt) {
    TempFolder dir;
    const fs::path file = prepared(dir, Shape::InPlace);
    const fs::path journal = dir / "Vellora.ini.vellora-rewrite";
    std::size_t firstRewrite = 0;
    {
        TempFolder probe;
        FileFaults recorded;
        ASSERT_TRUE(writeFileAtomically(prepared(probe, Shape::InPlace), std::string_view(kNew)));
        const auto& calls = FileFaults::calls();
        while (calls.at(firstRewrite).call != FileCall::Rename) ++firstRewrite;
        while (calls.at(firstRewrite).call != FileCall::Write) ++firstRewrite;
    }
    Status written;
    {
        FileFaults full(firstRewrite, Fault::FailFrom, ENOSPC);
        written = writeFileAtomically(file, std::string_view(kNew));
    }
    EXPECT_FALSE(written);
    EXPECT_NE(written.message().find(journal.string()), std::string::npos) << written.message();
    EXPECT_EQ(readBytes(journal), kNew);
    {
        FileFaults stillFull(0, Fault::FailFrom, ENOSPC);
        removeStaleTemporaryFiles(file);
    }
    EXPECT_EQ(readBytes(journal), kNew);
    removeStaleTemporaryFiles(file);
    EXPECT_EQ(readBytes(dir / "other-name.ini"), kNew);
    EXPECT_FALSE(fs::exists(journal));
    // Nor is a journal dropped when the file it belongs to is no longer a file.
    writeBytes(journal, kNew);
    fs::remove(file);
    fs::create_directory(file);
    removeStaleTemporaryFiles(file);
    EXPECT_TRUE(fs::exists(journal));
}

}  // namespace
}  // namespace vellora
