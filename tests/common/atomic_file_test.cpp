// SPDX-License-Identifier: GPL-3.0-or-later
// Real files in a scratch folder. Cases where root would override a permission run as
// the unprivileged user "nobody" (skipped when not root).
#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;
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
    const pid_t child = ::fork();  // a process number certainly not running
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
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

}  // namespace
}  // namespace vellora
