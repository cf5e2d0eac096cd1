// SPDX-License-Identifier: GPL-3.0-or-later
// One holder at a time across processes; a holder that dies, however, lets go.
#include "common/process_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

TEST(ProcessLock, OneHolderAtATimeAndADeadOneLetsGo) {
    testing::TempFolder folder;
    const std::filesystem::path file = folder / ".lock";
    ProcessLock mine(file), other(file);  // two instances, as two processes would be
    EXPECT_TRUE(mine.take());
    EXPECT_TRUE(mine.take()) << "held already";
    EXPECT_FALSE(other.take());
    mine.release();
    EXPECT_TRUE(other.take());
    other.release();

    // Another process holds it, then is killed without a word.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ProcessLock theirs(file);
        const char byte = theirs.take() ? 1 : 0;
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 1);
    EXPECT_FALSE(mine.take());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(mine.take());

    // Nowhere to make the lock file: nothing is refused.
    EXPECT_TRUE(ProcessLock(folder / "missing" / ".lock").take());
}

}  // namespace
}  // namespace vellora
