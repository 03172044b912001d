// One clock per user and state directory: a later start shows the running
// clock's window and ends, over the session bus or, without one, over a
// socket in the runtime directory.

#include <csignal>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "TrayHost.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

class OneClock : public ZumFixture, public ::testing::WithParamInterface<bool> {
protected:
    XDisplay::Options displayOptions() const override { return {.sessionBus = GetParam()}; }
    std::filesystem::path stateDir() const { return alarmFile().parent_path(); }
    // Sockets the clocks left in the runtime directory.
    int socketsLeft() const
    {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(display_->dir().path() / "runtime"))
            count += entry.is_socket() ? 1 : 0;
        return count;
    }
    // Starts the program again while a clock runs, on the same state
    // directory spelled another way; its exit code.
    std::optional<int> startAgain()
    {
        ZumProgram later(*display_, stateDir() / ".", {.expectsToEnd = true});
        return later.exitCode(20s);
    }
};

// As at logon: the clock starts hidden in the tray, then a start by hand
// brings its window out and ends.
TEST_P(OneClock, ALaterStartShowsTheRunningClockAndEnds)
{
    std::ofstream(stateDir() / "Zum.dat") << "null";
    XEmbedTray tray(*display_);
    start({.startsHidden = true});
    EXPECT_EQ(startAgain(), std::optional<int>(0)) << "the later start did not end by itself";
    EXPECT_TRUE(zum().findMainWindow(10s)) << "the running clock did not show its window";
    EXPECT_FALSE(zum().exitCode(0ms)) << "the running clock ended";
    EXPECT_EQ(socketsLeft(), GetParam() ? 0 : 1) << "the bus, where there is one, carries the request";
}

TEST_P(OneClock, AKilledClockBlocksNoStart)
{
    start();
    ::kill(zum().pid(), SIGKILL);
    ASSERT_EQ(zum().exitCode(10s), std::optional<int>(-1));
    if (!GetParam()) {
        ASSERT_EQ(socketsLeft(), 1) << "the killed clock left no socket behind";
    }
    start();  // throws when no window shows
    EXPECT_EQ(startAgain(), std::optional<int>(0)) << "the new clock did not take the place of the killed one";
    EXPECT_FALSE(zum().exitCode(0ms));
}

TEST_P(OneClock, AnotherStateDirectoryIsAnotherClock)
{
    start();
    TempDir otherState;
    ZumProgram other(*display_, otherState.path(), {});  // throws when no window shows
    EXPECT_NE(other.window(), zum().window());
    EXPECT_FALSE(zum().exitCode(0ms));
    EXPECT_FALSE(other.exitCode(0ms));
}

INSTANTIATE_TEST_SUITE_P(Channels, OneClock, ::testing::Values(true, false), [](const auto& info) {
    return info.param ? std::string("SessionBus") : std::string("NoBus");
});

}  // namespace
