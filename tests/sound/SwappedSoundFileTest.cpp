// A sound file's name that another user swaps, while the player opens it,
// for a pipe or for a link to one: every open ends soon, either playing a
// regular file or refusing it, and never waits for a writer to the pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "GstPlaybackFixture.h"
#include "SoundFiles.h"
#include "sound/GstMediaDevice.h"
#include "sound/MediaPlayer.h"

using namespace gsttest;
using namespace std::chrono_literals;

namespace {

// Gives a reader stuck opening a pipe its writer, so that a test that finds
// an open waiting fails instead of hanging: whatever each name is now, a
// pipe's reader is let go, and nothing else is changed.
void ReleasePipeReaders(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        const int fd = open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            close(fd);
    }
}

TEST_F(GstPlayback, ANameSwappedForAPipeNeverHoldsTheOpen)
{
    setenv("ZUM_AUDIO_SINK", "fakesink", 1);
    const std::string path = WavTone("alarm.wav", 0.05);
    // The link leads to a pipe of its own, which keeps its name.
    const std::string pipe = dir + "/pipe", link = dir + "/link", linkedPipe = dir + "/linked-pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(linkedPipe.c_str(), 0600), 0);
    ASSERT_EQ(symlink(linkedPipe.c_str(), link.c_str()), 0);

    // The other user: the sound's name trades places with the pipe and with
    // the link in turn, so that it is now the sound file, now the pipe, now
    // the link to it.
    std::atomic<bool> stop{false};
    std::atomic<long> swaps{0};
    std::thread swapper([&] {
        for (long i = 0; !stop; ++i) {
            if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, (i % 2 ? link : pipe).c_str(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });
    // Watches for an open that waits longer than an open's own bound: it is
    // let go and the test fails.
    constexpr auto kHeld = std::chrono::milliseconds(GstMediaDevice::kOpenTimeoutMs) + 3s;
    std::atomic<bool> opening{false}, done{false}, held{false};
    std::atomic<Clock::rep> openStarted{0};
    std::thread watchdog([&] {
        while (!done) {
            std::this_thread::sleep_for(50ms);
            if (opening && Clock::now().time_since_epoch().count() - openStarted > Clock::duration(kHeld).count()) {
                held = true;
                stop = true;
                ReleasePipeReaders({path, pipe, linkedPipe});
            }
        }
    });

    TMediaPlayer p(Service());
    Raised<EMCIDeviceError>([&] { p.Open(); });  // an empty name: only starts GStreamer, which is slow the first time
    int played = 0, refused = 0;
    const auto deadline = Clock::now() + 20s;
    // At least 40 opens, and until the name has been met both as the sound
    // file and as something else (the swapper may be kept waiting for the
    // processor a while).
    while ((played + refused < 40 || played == 0 || refused == 0) && Clock::now() < deadline && !held) {
        p.SetFileName(path);
        openStarted = Clock::now().time_since_epoch().count();
        opening = true;
        const std::string text = Raised<EMCIDeviceError>([&] { p.Open(); });
        opening = false;
        if (text == "(nothing raised)") {
            ++played;
        } else {
            ++refused;
            EXPECT_NE(text.find("Not a sound file"), std::string::npos) << text;
        }
    }
    stop = true;
    done = true;
    swapper.join();
    watchdog.join();
    p.Close();

    EXPECT_FALSE(held) << "an open waited on the pipe (after " << played + refused << " opens)";
    EXPECT_GT(swaps, 0);
    // Both outcomes show that the race was run.
    EXPECT_GT(played, 0);
    EXPECT_GT(refused, 0);
}

// A link that leads to a sound file plays that file; one that leads to a
// pipe is refused without waiting for a writer.
TEST_F(GstPlayback, LinksAreFollowedToRegularFilesOnly)
{
    const std::string tone = WavTone("tone.wav", 0.2);
    const std::string toTone = dir + "/to-tone.wav", pipe = dir + "/pipe.wav", toPipe = dir + "/to-pipe.wav";
    ASSERT_EQ(symlink(tone.c_str(), toTone.c_str()), 0);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(symlink(pipe.c_str(), toPipe.c_str()), 0);
    TMediaPlayer p(Service());
    PlayToEnd(p, toTone);
    for (const std::string& name : {pipe, toPipe}) {
        SCOPED_TRACE(name);
        p.SetFileName(name);
        const auto start = Clock::now();
        const std::string text = Raised<EMCIDeviceError>([&] { p.Open(); });
        EXPECT_LT(SecondsSince(start), 1.0);
        EXPECT_NE(text.find("Not a sound file but a directory, device or pipe"), std::string::npos) << text;
        EXPECT_FALSE(p.IsOpen());
    }
    p.Close();
    const auto rec = soundfiles::ReadWav(out);
    ASSERT_TRUE(rec.has_value());
    EXPECT_NEAR(rec->Seconds(), 0.2, 0.03);
    EXPECT_GT(rec->Peak(), 8000);
}

}  // namespace
