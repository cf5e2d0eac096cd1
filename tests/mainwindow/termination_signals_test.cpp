// SPDX-License-Identifier: GPL-3.0-or-later
// A logout or a kill ends the program as its close button does: the signal reaches the
// event loop, once, and the program saves its settings on the way out.
#include "mainwindow/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

void (*handlerOf(int signal))(int) {
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(TerminationSignals, EachSignalReachesTheEventLoopOnceAndTheNextEndsAtOnce) {
    ensureGuiApplication();
    ::signal(SIGINT, SIG_IGN);  // as under nohup: left ignored
    {
        int calls = 0;
        const TerminationSignals watch([&calls] { ++calls; });
        EXPECT_EQ(handlerOf(SIGINT), SIG_IGN);
        ::raise(SIGTERM);
        EXPECT_EQ(calls, 0) << "nothing is done inside the handler";
        EXPECT_TRUE(processEventsUntil([&] { return calls > 0; }));
        ::kill(::getpid(), SIGHUP);
        EXPECT_TRUE(processEventsUntil([&] { return calls > 1; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 2);
        // A second SIGTERM would now end the process as the system does.
        EXPECT_EQ(handlerOf(SIGTERM), SIG_DFL);
    }
    EXPECT_EQ(handlerOf(SIGHUP), SIG_DFL);
    EXPECT_EQ(handlerOf(SIGINT), SIG_IGN);
    ::signal(SIGINT, SIG_DFL);
}

// True once process `pid` catches SIGTERM: its handler is in place.
bool catchesSigterm(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("SigCgt:"))
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

// The program itself, portable in a folder of its own, ended by SIGTERM: it exits
// normally and its settings file holds the window's placement, as after a close.
TEST(TerminationSignals, TheProgramKilledSavesItsSettingsAsAClose) {
    testing::TempFolder program;
    for (const fs::path& from :
         {fs::path(VELLORA_PROGRAM), fs::path(VELLORA_PROGRAM).parent_path() / "English.lng"})
        fs::copy_file(from, program / from.filename());
    testing::writeBytes(program / "Vellora.ini", "[SETTINGS]\r\nLangue=English\r\n");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("PULSE_SERVER", "unix:/nonexistent", 1);
        ::setenv("XDG_CONFIG_HOME", program.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", program.path().c_str(), 1);
        const std::string exe = (program / "vellora").string();
        ::execl(exe.c_str(), exe.c_str(), nullptr);
        ::_exit(127);
    }
    QElapsedTimer t;
    t.start();
    while (!catchesSigterm(pid) && t.elapsed() < 20000) ::usleep(20000);
    EXPECT_TRUE(catchesSigterm(pid)) << "no handler within the bound";
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0 && t.elapsed() < 40000) ::usleep(20000);
    if (::waitpid(pid, &status, WNOHANG) == 0) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string saved = testing::readBytes(program / "Vellora.ini");
    EXPECT_NE(saved.find("[POSITIONS]"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Width="), std::string::npos) << saved;
    EXPECT_NE(saved.find("Langue=English"), std::string::npos) << saved;
}

}  // namespace
}  // namespace vellora
