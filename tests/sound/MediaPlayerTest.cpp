// The player's command logic over a scripted device, and the delivery of
// its reports through the event loop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <string>

#include "tests/fakes/FakeMediaDevice.h"
#include "sound/MediaPlayer.h"
#include "tests/support/Raised.h"

namespace {

struct Rig {
    std::shared_ptr<FakeMediaDevice::Script> script = std::make_shared<FakeMediaDevice::Script>();
    std::unique_ptr<TMediaPlayer> player;
    Rig() : player(std::make_unique<TMediaPlayer>(std::make_unique<FakeMediaDevice>(script))) {}
    void OpenOk(const std::string& name = "a.wav")
    {
        player->SetFileName(name);
        player->Open();
        script->calls.clear();
    }
};

TEST(MediaPlayer, OpenKeepsTheDeviceAndItsId)
{
    Rig r;
    r.script->nextDeviceId = 7;
    r.player->SetFileName("/x/y.wav");
    r.player->Open();
    EXPECT_TRUE(r.player->IsOpen());
    EXPECT_EQ(r.player->DeviceID(), 7);
    EXPECT_EQ(r.player->Error(), 0u);
    EXPECT_EQ(r.script->Log(), "OpenFile(/x/y.wav)");
}

TEST(MediaPlayer, OpenClosesThePreviousDeviceFirst)
{
    Rig r;
    r.OpenOk("a.wav");
    r.player->SetFileName("b.mid");
    r.player->Open();
    EXPECT_EQ(r.script->Log(), "Close OpenFile(b.mid)");
    EXPECT_EQ(r.player->DeviceID(), 2);
}

struct RefusedOpen {
    const char* name;
    uint32_t code;
    const char* serviceText;
    const char* message;
};

class MediaPlayerRefusedOpen : public ::testing::TestWithParam<RefusedOpen> {};

TEST_P(MediaPlayerRefusedOpen, RaisesTheServiceTextAndStaysClosed)
{
    const RefusedOpen& c = GetParam();
    Rig r;
    r.OpenOk();
    r.script->nextOpenResult = c.code;
    r.script->nextOpenErrorText = c.serviceText;
    EXPECT_EQ(Raised<EMCIDeviceError>([&] { r.player->Open(); }), c.message);
    EXPECT_EQ(r.player->Error(), c.code);
    EXPECT_FALSE(r.player->IsOpen());
    EXPECT_EQ(r.player->DeviceID(), 0);
    // Nothing is open, so the callers' Play and Stop are refused too.
    EXPECT_EQ(Raised<EMCIDeviceError>([&] { r.player->Play(); }), "No MCI device open");
    EXPECT_EQ(Raised<EMCIDeviceError>([&] { r.player->Stop(); }), "No MCI device open");
    EXPECT_EQ(r.script->Log(), "Close OpenFile(a.wav)");
}

INSTANTIATE_TEST_SUITE_P(Codes, MediaPlayerRefusedOpen,
                         ::testing::Values(RefusedOpen{"with_text", 275, "Resource not found.", "Resource not found."},
                                           RefusedOpen{"without_text", 9999, "", "Unknown error code"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MediaPlayer, PlayAndStopNeedAnOpenDevice)
{
    Rig r;
    EXPECT_EQ(Raised<EMCIDeviceError>([&] { r.player->Play(); }), "No MCI device open");
    EXPECT_EQ(Raised<EMCIDeviceError>([&] { r.player->Stop(); }), "No MCI device open");
    EXPECT_TRUE(r.script->calls.empty());
}

struct RewindCase {
    const char* name;
    int64_t position, length;
    const char* log;
};

class MediaPlayerRewind : public ::testing::TestWithParam<RewindCase> {};

TEST_P(MediaPlayerRewind, RewindsOnlyAtTheEnd)
{
    const RewindCase& c = GetParam();
    Rig r;
    r.OpenOk();
    r.script->position = c.position;
    r.script->length = c.length;
    r.player->Play();
    EXPECT_EQ(r.script->Log(), c.log);
}

INSTANTIATE_TEST_SUITE_P(Positions, MediaPlayerRewind,
                         ::testing::Values(RewindCase{"at_start", 0, 1000, "Play"},
                                           RewindCase{"midway", 400, 1000, "Play"},
                                           RewindCase{"at_end", 1000, 1000, "SeekToStart Play"},
                                           RewindCase{"empty_medium", 0, 0, "SeekToStart Play"},
                                           RewindCase{"unknown_length", -1, -1, "Play"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MediaPlayer, RefusedPlayAndStopKeepTheCodeAndRaiseNothing)
{
    Rig r;
    r.OpenOk();
    r.script->playResult = 300;
    EXPECT_NO_THROW(r.player->Play());
    EXPECT_EQ(r.player->Error(), 300u);
    r.script->stopResult = 301;
    EXPECT_NO_THROW(r.player->Stop());
    EXPECT_EQ(r.player->Error(), 301u);
    EXPECT_TRUE(r.player->IsOpen());
}

TEST(MediaPlayer, RefusedCloseKeepsTheDeviceRecordedOpen)
{
    Rig r;
    r.OpenOk();
    r.script->closeResult = 263;
    r.player->Close();
    EXPECT_EQ(r.player->Error(), 263u);
    EXPECT_TRUE(r.player->IsOpen());
    EXPECT_EQ(r.player->DeviceID(), 1);
    // Once the device lets go, the player is closed; a second Close does nothing.
    r.script->closeResult = 0;
    r.player->Close();
    EXPECT_FALSE(r.player->IsOpen());
    EXPECT_EQ(r.player->DeviceID(), 0);
    r.player->Close();
    EXPECT_EQ(r.script->Log(), "Close Close");
}

TEST(MediaPlayer, CompletionReportIsRecordedAndClearedByPlay)
{
    Rig r;
    r.OpenOk();
    r.player->Play();
    EXPECT_EQ(r.player->LastNotify(), 0);
    r.script->Fire(static_cast<int>(TMPNotifyValues::nvSuccessful));
    EXPECT_EQ(r.player->LastNotify(), 1);
    r.player->Play();
    EXPECT_EQ(r.player->LastNotify(), 0);
    r.script->Fire(static_cast<int>(TMPNotifyValues::nvFailure));
    EXPECT_EQ(r.player->LastNotify(), 8);
}

TEST(MediaPlayer, DestructionClosesAnOpenDevice)
{
    Rig r;
    r.OpenOk();
    r.player.reset();
    EXPECT_EQ(r.script->Log(), "Close");
    EXPECT_TRUE(r.script->deviceDestroyed);
    EXPECT_FALSE(r.script->notify);  // no report can reach a destroyed player
}

TEST(MediaPlayer, DestructionOfAClosedPlayerSendsNothing)
{
    Rig r;
    r.player.reset();
    EXPECT_TRUE(r.script->calls.empty());
}

}  // namespace

namespace {

// Runs the event loop until the predicate holds, for at most two seconds.
bool LoopUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

}  // namespace

TEST(MediaPlayer, ReportsComeThroughTheEventLoopOnlyWhileOpen)
{
    static int argc = 1;
    static char name[] = "sound_player_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    Rig r;
    r.script->reportDescriptor = fds[0];
    r.OpenOk();
    r.player->Play();
    const unsigned char ended = static_cast<unsigned char>(TMPNotifyValues::nvSuccessful);
    ASSERT_EQ(::write(fds[1], &ended, 1), 1);
    EXPECT_TRUE(LoopUntil([&] { return r.player->LastNotify() == 1; }));

    // Closed, the player no longer watches: a report that waits stays
    // where it is, while the loop has seen the descriptor readable.
    r.player->Close();
    const int deliveries = r.script->deliveries;
    const unsigned char failed = static_cast<unsigned char>(TMPNotifyValues::nvFailure);
    ASSERT_EQ(::write(fds[1], &failed, 1), 1);
    QSocketNotifier witness(fds[0], QSocketNotifier::Read);
    bool seen = false;
    QObject::connect(&witness, &QSocketNotifier::activated, [&] {
        seen = true;
        witness.setEnabled(false);
    });
    EXPECT_TRUE(LoopUntil([&] { return seen; }));
    EXPECT_EQ(r.script->deliveries, deliveries);
    EXPECT_EQ(r.player->LastNotify(), 1);

    // Opened again, it is delivered.
    r.OpenOk();
    EXPECT_TRUE(LoopUntil([&] { return r.player->LastNotify() == 8; }));
    r.player.reset();
    ::close(fds[0]);
    ::close(fds[1]);
}
