// The whole-file writer on real files in a scratch folder: what the target is before
// the write (its mode, owner, links, kind) must be what it is after, and a target that
// may not be written is left alone. Cases where root would override a permission run
// as the unprivileged user "nobody".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <future>

#include "common/atomic_file.h"
#include "common/regular_file.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;
using testing::ActAsUnprivilegedUser;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

constexpr uid_t kNobody = 65534;

struct stat statOf(const fs::path& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st;
}

int entriesIn(const fs::path& folder) {
    return int(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}));
}

// A process number that is certainly not running: a child that has already ended.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(AtomicFile, AReplacedFileKeepsItsModeAndOwner) {
    const struct {
        mode_t mode;
        uid_t owner;  // needs root to set up; skipped otherwise
    } cases[] = {{0644, 0}, {0600, 0}, {0640, 0}, {0664, kNobody}, {0600, kNobody}};
    for (const auto& c : cases) {
        TempFolder dir;
        const fs::path file = dir / "Vellora.ini";
        writeBytes(file, "old");
        ::chmod(file.c_str(), c.mode);
        if (c.owner != ::geteuid() && ::chown(file.c_str(), c.owner, c.owner) != 0) continue;
        const ino_t before = statOf(file).st_ino;
        const Status written = writeFileAtomically(file, std::string_view("new content"));
        ASSERT_TRUE(written) << written.message();
        EXPECT_EQ(readBytes(file), "new content");
        const struct stat st = statOf(file);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << std::oct << c.mode;
        EXPECT_EQ(st.st_uid, c.owner);
        EXPECT_EQ(st.st_gid, gid_t(c.owner));
        EXPECT_NE(st.st_ino, before) << "replaced by a rename, so readers never see half";
        EXPECT_EQ(entriesIn(dir.path()), 1) << "no temporary file stays behind";
    }
}

TEST(AtomicFile, ANewFileGetsTheUsualModeOfNewFiles) {
    TempFolder dir;
    const mode_t old = ::umask(022);
    ASSERT_TRUE(writeFileAtomically(dir / "Readings.csv", std::string_view("a,b\r\n")));
    ::umask(old);
    EXPECT_EQ(statOf(dir / "Readings.csv").st_mode & 07777, 0644u);
}

TEST(AtomicFile, AFileThatMayNotBeWrittenIsNeverReplaced) {
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0777);  // the folder itself is writable for everyone
    const fs::path file = dir / "Vellora.ini";
    const struct {
        const char* what;
        mode_t mode;
        bool asNobody;
    } cases[] = {
        {"read-only for everyone, even root", 0444, false},
        {"no write bit at all", 0400, false},
        {"writable for its owner (root) only", 0644, true},
        {"read-only for its owner", 0444, true},
    };
    for (const auto& c : cases) {
        writeBytes(file, "keep me");
        ::chmod(file.c_str(), c.mode);
        std::string error;
        bool written;
        {
            std::optional<ActAsUnprivilegedUser> user;
            if (c.asNobody) {
                if (::geteuid() != 0) continue;  // cannot become another user here
                user.emplace();
            }
            const Status status = writeFileAtomically(file, std::string_view("lost"));
            written = status.ok();
            error = status.message();
        }
        EXPECT_FALSE(written) << c.what;
        EXPECT_NE(error.find("Vellora.ini"), std::string::npos) << error;
        EXPECT_EQ(readBytes(file), "keep me") << c.what;
        EXPECT_EQ(statOf(file).st_mode & 07777, c.mode) << c.what;
        EXPECT_EQ(entriesIn(dir.path()), 1) << c.what;
        ::chmod(file.c_str(), 0644);
    }
}

TEST(AtomicFile, SymbolicLinksAreWrittenThroughAndStayLinks) {
    TempFolder dir;
    fs::create_directory(dir / "real");
    ::chmod((dir / "real").c_str(), 0755);
    writeBytes(dir / "real" / "settings.ini", "old");
    ::chmod((dir / "real" / "settings.ini").c_str(), 0600);
    fs::create_symlink("real/settings.ini", dir / "relative.ini");
    fs::create_symlink(dir / "relative.ini", dir / "Vellora.ini");  // a chain of two
    fs::create_symlink("missing.ini", dir / "dangling.ini");

    ASSERT_TRUE(writeFileAtomically(dir / "Vellora.ini", std::string_view("through two")));
    EXPECT_EQ(readBytes(dir / "real" / "settings.ini"), "through two");
    EXPECT_TRUE(fs::is_symlink(dir / "Vellora.ini"));
    EXPECT_TRUE(fs::is_symlink(dir / "relative.ini"));
    EXPECT_EQ(statOf(dir / "real" / "settings.ini").st_mode & 07777, 0600u);
    EXPECT_EQ(entriesIn(dir / "real"), 1);

    ASSERT_TRUE(writeFileAtomically(dir / "dangling.ini", std::string_view("created")));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(readBytes(dir / "missing.ini"), "created");

    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    EXPECT_FALSE(writeFileAtomically(dir / "loop1", std::string_view("x")));
}

TEST(AtomicFile, HardLinksAllSeeTheNewContent) {
    TempFolder dir;
    writeBytes(dir / "Vellora.ini", "old");
    fs::create_hard_link(dir / "Vellora.ini", dir / "backup-name.ini");
    const ino_t inode = statOf(dir / "Vellora.ini").st_ino;
    ASSERT_TRUE(writeFileAtomically(dir / "Vellora.ini", std::string_view("new, longer content")));
    EXPECT_EQ(readBytes(dir / "backup-name.ini"), "new, longer content");
    EXPECT_EQ(statOf(dir / "Vellora.ini").st_ino, inode);
    EXPECT_EQ(statOf(dir / "Vellora.ini").st_nlink, 2u);
    ASSERT_TRUE(writeFileAtomically(dir / "Vellora.ini", std::string_view("short")));
    EXPECT_EQ(readBytes(dir / "backup-name.ini"), "short") << "the old tail is cut off";
    EXPECT_EQ(entriesIn(dir.path()), 2) << "no journal stays behind";
}

TEST(AtomicFile, AFileOwnedBySomeoneElseKeepsItsOwnerWhenAnotherUserWritesIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up two users";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0777);
    const fs::path file = dir / "Vellora.ini";
    writeBytes(file, "root's");
    ::chmod(file.c_str(), 0666);  // shared meter: everyone may write, root owns it
    {
        ActAsUnprivilegedUser user;
        ASSERT_TRUE(writeFileAtomically(file, std::string_view("nobody's values")));
    }
    EXPECT_EQ(readBytes(file), "nobody's values");
    EXPECT_EQ(statOf(file).st_uid, 0u);
    EXPECT_EQ(statOf(file).st_mode & 07777, 0666u);
}

TEST(AtomicFile, WhatIsNotARegularFileIsNeitherReadNorReplacedAndNothingHangs) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    // Run on another thread: a regression would hang in open(), and the test must fail,
    // not wait for ever.
    auto attempt = std::async(std::launch::async, [&] {
        int refused = 0;
        for (const char* name : {"fifo", "folder"}) {
            refused += !writeFileAtomically(dir / name, std::string_view("x"));
            const RegularFileBytes r = readRegularFile(dir / name, 100);
            refused += r.status == FileReadStatus::NotRegular;
        }
        refused += readRegularFile("/dev/zero", 100).status == FileReadStatus::NotRegular;
        return refused;
    });
    ASSERT_EQ(attempt.wait_for(std::chrono::seconds(5)), std::future_status::ready)
        << "blocked opening a FIFO";
    EXPECT_EQ(attempt.get(), 5);
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
}

TEST(RegularFile, ReadsAreBoundedAndSayWhatTheFileIs) {
    TempFolder dir;
    writeBytes(dir / "ten", "0123456789");
    const struct {
        const char* name;
        std::size_t limit;
        FileReadStatus status;
        std::string bytes;
        std::uint64_t size;
    } cases[] = {
        {"ten", 100, FileReadStatus::Read, "0123456789", 10},
        {"ten", 4, FileReadStatus::Read, "0123", 10},
        {"ten", 0, FileReadStatus::Read, "", 10},
        {"none", 100, FileReadStatus::Missing, "", 0},
        {"ten/below", 100, FileReadStatus::Missing, "", 0},
    };
    for (const auto& c : cases) {
        const RegularFileBytes r = readRegularFile(dir / c.name, c.limit);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.bytes, c.bytes) << c.name;
        EXPECT_EQ(r.size, c.size) << c.name;
    }
    ::chmod((dir / "ten").c_str(), 0);
    ActAsUnprivilegedUser user;
    if (::geteuid() == 0) GTEST_SKIP() << "permissions are not enforced here";
    EXPECT_EQ(readRegularFile(dir / "ten", 100).status, FileReadStatus::Failed);
}

TEST(AtomicFile, StaleTemporaryFilesOfEndedProcessesAreRemovedAtStart) {
    TempFolder dir;
    const fs::path file = dir / "Vellora.ini";
    writeBytes(file, "current");
    const std::string dead = std::to_string(endedProcess());
    const std::string alive = std::to_string(::getpid());
    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {"Vellora.ini.tmp-" + dead + "-0", true},
        {"Vellora.ini.tmp-" + dead + "-17", true},
        {"Vellora.ini.tmp-" + alive + "-3", false},  // a write in progress
        {"Readings.csv.tmp-" + dead + "-0", false},  // another file's: its own start
        {"Vellora.ini.tmp-notours", false},
        {"Vellora.ini.tmp-" + dead + "-0.bak", false},
        {"Vellora.ini.bak", false},
    };
    for (const auto& c : cases) writeBytes(dir / c.name, "half");
    EXPECT_EQ(removeStaleTemporaryFiles(file), 2);
    for (const auto& c : cases) EXPECT_EQ(fs::exists(dir / c.name), !c.removed) << c.name;
    EXPECT_EQ(readBytes(file), "current");
}

TEST(AtomicFile, AnInterruptedInPlaceRewriteIsFinishedAtStart) {
    TempFolder dir;
    const fs::path file = dir / "Vellora.ini";
    writeBytes(file, "[S]\nk=new va");  // killed halfway through the rewrite
    fs::create_hard_link(file, dir / "other-name.ini");
    writeBytes(dir / "Vellora.ini.vellora-rewrite", "[S]\nk=new value\n");
    removeStaleTemporaryFiles(file);
    EXPECT_EQ(readBytes(dir / "other-name.ini"), "[S]\nk=new value\n");
    EXPECT_FALSE(fs::exists(dir / "Vellora.ini.vellora-rewrite"));
}

}  // namespace
}  // namespace vellora
