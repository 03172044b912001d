// The real player: files of every offered type decoded by GStreamer into a
// recording sink, odd paths, restart, stop, destruction while playing, and
// files that cannot be played.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "GstPlaybackFixture.h"
#include "SoundFiles.h"
#include "sound/GstMediaDevice.h"
#include "sound/MediaPlayer.h"

namespace fs = std::filesystem;
using namespace gsttest;
using namespace soundfiles;

namespace {

struct TypeCase {
    const char* name;
    std::function<bool(const std::string&)> make;
    double minSeconds, maxSeconds;
    int minPeak;
};

TEST_F(GstPlayback, EveryOfferedTypeReallyPlays)
{
    const TypeCase cases[] = {
        {"tone.wav", [](const std::string& p) { return WriteWav(p, Tone(0.3, 22050, 440), 22050); }, 0.27, 0.36, 8000},
        {"tone.au", [](const std::string& p) { return WriteAu(p, Tone(0.3, 8000, 440), 8000); }, 0.27, 0.36, 8000},
        {"tone.snd", [](const std::string& p) { return WriteAu(p, Tone(0.3, 11025, 440), 11025); }, 0.27, 0.36, 8000},
        {"tone.mp3",
         [](const std::string& p) { return WriteBytes(p, ReadBytes(std::string(ZUM_SOUND_TEST_DATA) + "/tone.mp3")); },
         0.36, 0.50, 8000},
        {"tagged.mp3",
         [](const std::string& p) {
             // An ID3v2.3 tag with a title frame ("Alarm") before the frames.
             std::vector<uint8_t> b = {'I', 'D', '3', 3, 0, 0, 0, 0,   0,   17,  'T', 'I', 'T', '2',
                                       0,   0,   0,   6, 0, 0, 0, 'A', 'l', 'a', 'r', 'm', 0};
             const auto mp3 = ReadBytes(std::string(ZUM_SOUND_TEST_DATA) + "/tone.mp3");
             b.insert(b.end(), mp3.begin(), mp3.end());
             return WriteBytes(p, b);
         },
         0.36, 0.50, 8000},
        // Cut off mid-stream: what is there plays.
        {"cut.mp3",
         [](const std::string& p) {
             auto b = ReadBytes(std::string(ZUM_SOUND_TEST_DATA) + "/tone.mp3");
             b.resize(b.size() / 2);
             return WriteBytes(p, b);
         },
         0.12, 0.30, 8000},
        // The synthesiser adds the note's release after its end.
        {"note.mid", [](const std::string& p) { return WriteMidi(p, 0.25); }, 0.2, 2.5, 400},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        ASSERT_TRUE(c.make(path));
        fs::remove(out);
        {
            TMediaPlayer p(Service());
            const double took = PlayToEnd(p, path);
            EXPECT_GT(took, c.minSeconds * 0.9) << "played in real time";
            EXPECT_TRUE(p.IsOpen()) << "the device stays open after the end";
            EXPECT_NO_THROW(p.Stop());
            EXPECT_EQ(p.Error(), 0u);
        }
        const auto rec = ReadWav(out);
        ASSERT_TRUE(rec.has_value());
        EXPECT_GE(rec->Seconds(), c.minSeconds);
        EXPECT_LE(rec->Seconds(), c.maxSeconds);
        EXPECT_GE(rec->Peak(), c.minPeak) << "the recording must not be silent";
    }
}

TEST_F(GstPlayback, OddPathsPlayLikeAnyOther)
{
    const char* names[] = {"with space.wav", "hash#1.wav",       "per%20cent.wav",
                           "what?.wav",      "Grüße ñ 日本.wav", "quote'\"and\\back.wav"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        fs::create_directories(dir + "/sub dir#%?");
        const std::string path = WavTone(std::string("sub dir#%?/") + name, 0.15);
        fs::remove(out);
        {
            TMediaPlayer p(Service());
            PlayToEnd(p, path);
        }
        const auto rec = ReadWav(out);
        ASSERT_TRUE(rec.has_value());
        EXPECT_NEAR(rec->Seconds(), 0.15, 0.03);
        EXPECT_GT(rec->Peak(), 8000);
    }
}

TEST_F(GstPlayback, OpenWhilePlayingRestartsFromTheStart)
{
    const std::string path = WavTone("long.wav", 0.8);
    TMediaPlayer p(Service());
    p.SetFileName(path);
    p.Open();
    p.Play();
    Pump(300);
    EXPECT_EQ(p.LastNotify(), 0);
    const uint16_t first = p.DeviceID();
    p.Open();
    EXPECT_NE(p.DeviceID(), first);
    const auto restart = Clock::now();
    p.Play();
    ASSERT_TRUE(RunUntil([&] { return p.LastNotify() != 0; }, 5000));
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvSuccessful));
    EXPECT_GT(SecondsSince(restart), 0.7) << "the whole sound played again";
    p.Close();
    const auto rec = ReadWav(out);
    ASSERT_TRUE(rec.has_value());
    EXPECT_NEAR(rec->Seconds(), 0.8, 0.05);
}

// A report's receiver may close the device or open another file from
// within the delivery: what is left of the old pipeline's reports is
// dropped, and the delivery touches neither pipeline again.
TEST_F(GstPlayback, AReceiverMayCloseOrReopenTheDevice)
{
    const std::string tone = WavTone("tone.wav", 0.1);
    for (const bool reopen : {false, true}) {
        SCOPED_TRACE(reopen ? "reopen" : "close");
        GstMediaDevice device;
        std::vector<int> reports;
        device.SetNotify([&](int reason) {
            reports.push_back(reason);
            uint16_t id = 0;
            if (reopen)
                EXPECT_EQ(device.OpenFile(tone, &id), 0u);
            else
                device.Close();
        });
        uint16_t id = 0;
        ASSERT_EQ(device.OpenFile(tone, &id), 0u);
        ASSERT_EQ(device.Play(), 0u);
        EXPECT_TRUE(RunUntil(
            [&] {
                device.DeliverReports();
                return !reports.empty();
            },
            5000));
        device.DeliverReports();
        EXPECT_EQ(reports, std::vector<int>{int(TMPNotifyValues::nvSuccessful)});
        EXPECT_EQ(device.ReportDescriptor() >= 0, reopen) << "open only when the receiver opened it";
    }
}

TEST_F(GstPlayback, StopPausesAndPlayGoesOn)
{
    const std::string path = WavTone("long.wav", 0.8);
    TMediaPlayer p(Service());
    p.SetFileName(path);
    p.Open();
    p.Play();
    Pump(250);
    p.Stop();
    EXPECT_EQ(p.Error(), 0u);
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvAborted));
    // Long past the sound's end: a stopped device does not finish.
    Pump(700);
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvAborted));
    const auto resume = Clock::now();
    p.Play();
    ASSERT_TRUE(RunUntil([&] { return p.LastNotify() != 0; }, 5000));
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvSuccessful));
    EXPECT_LT(SecondsSince(resume), 0.7) << "resumed where it stopped";
    p.Close();
    const auto rec = ReadWav(out);
    ASSERT_TRUE(rec.has_value());
    EXPECT_NEAR(rec->Seconds(), 0.8, 0.05);
}

TEST_F(GstPlayback, PlayAtTheEndPlaysAgain)
{
    setenv("ZUM_AUDIO_SINK", "fakesink sync=true", 1);
    TMediaPlayer p(Service());
    PlayToEnd(p, WavTone("short.wav", 0.25));
    const auto again = Clock::now();
    p.Play();
    ASSERT_TRUE(RunUntil([&] { return p.LastNotify() != 0; }, 5000));
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvSuccessful));
    EXPECT_GT(SecondsSince(again), 0.2) << "rewound and played the whole sound";
}

TEST_F(GstPlayback, DestroyingThePlayerSilencesIt)
{
    const std::string path = WavTone("long.wav", 1.0);
    {
        TMediaPlayer p(Service());
        p.SetFileName(path);
        p.Open();
        p.Play();
        Pump(250);
    }
    const auto size = fs::file_size(out);
    Pump(400);  // a report or more output after destruction would show here
    EXPECT_EQ(fs::file_size(out), size);
    EXPECT_GT(size, 44u + 2 * 22050 / 10) << "it was playing";
    EXPECT_LT(size, 44u + 2 * 22050 * 3 / 4) << "and stopped well before the end";
}

// The process's threads, by id.
std::set<std::string> Threads()
{
    std::set<std::string> ids;
    for (const auto& entry : fs::directory_iterator("/proc/self/task"))
        ids.insert(entry.path().filename().string());
    return ids;
}

// A caller that lets its own wake-ups come late (the idle clock's thread)
// does not hand that to the threads playback runs on, and has its own back.
// Run alone (as ctest runs each test), every playback thread is new here;
// in a run of the whole suite some may be left from earlier tests.
TEST_F(GstPlayback, PlaybackThreadsKeepTheDefaultTimerSlack)
{
    constexpr long kCallersNs = 40'000'000;
    const long before = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    ASSERT_EQ(prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(kCallersNs), 0, 0, 0), 0);
    const std::string self = std::to_string(gettid());
    {
        TMediaPlayer p(Service());
        p.SetFileName(WavTone("slack.wav", 0.6));
        p.Open();
        p.Play();
        EXPECT_EQ(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), kCallersNs) << "the caller's own slack is given back";
        int others = 0;
        for (const std::string& id : Threads()) {
            std::ifstream file("/proc/" + id + "/timerslack_ns");
            long ns = 0;
            if (id == self || !(file >> ns))
                continue;  // the caller, or a thread that ended meanwhile
            ++others;
            std::ifstream comm("/proc/" + id + "/comm");
            std::string name;
            std::getline(comm, name);
            EXPECT_EQ(ns, 50'000) << "thread " << id << " (" << name << ")";
        }
        EXPECT_GT(others, 0) << "no playback thread to look at";
        EXPECT_TRUE(RunUntil([&] { return p.LastNotify() != 0; }, 5000));
        EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvSuccessful));
    }
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(before), 0, 0, 0);
}

struct BadInput {
    const char* name;
    std::function<std::string(GstPlayback&, const std::string& dir)> make;  // returns the path
    const char* message;                                                    // part of the expected text
};

TEST_F(GstPlayback, FilesThatCannotPlayAreRefused)
{
    const std::string mp3 = std::string(ZUM_SOUND_TEST_DATA) + "/tone.mp3";
    const BadInput cases[] = {
        {"empty name", [](auto&, const std::string&) { return std::string(); }, "No sound file name"},
        {"missing file", [](auto&, const std::string& d) { return d + "/nothere.wav"; }, "not found"},
        {"unknown extension", [](auto& t, const std::string&) { return t.WavTone("tone.ogg", 0.1); },
         "No sound device plays files of this type"},
        {"no extension", [](auto& t, const std::string&) { return t.WavTone("tone", 0.1); }, "No sound device"},
        {"picture",
         [](auto&, const std::string& d) {
             WriteBytes(d + "/p.png", TinyPng());
             return d + "/p.png";
         },
         "No sound device"},
        {"picture named mp3",
         [](auto&, const std::string& d) {
             WriteBytes(d + "/p.mp3", TinyPng());
             return d + "/p.mp3";
         },
         "not an MPEG audio (MP3) file (it holds image/png)"},
        {"picture named wav",
         [](auto&, const std::string& d) {
             WriteBytes(d + "/p.wav", TinyPng());
             return d + "/p.wav";
         },
         "not a WAVE sound file"},
        {"wav named mp3", [](auto& t, const std::string&) { return t.WavTone("w.mp3", 0.1); }, "not an MPEG audio"},
        {"text",
         [](auto&, const std::string& d) {
             WriteBytes(d + "/t.wav", std::vector<uint8_t>(200, 'x'));
             return d + "/t.wav";
         },
         "text file"},
        {"empty file",
         [](auto&, const std::string& d) {
             WriteBytes(d + "/e.au", {});
             return d + "/e.au";
         },
         "data"},
        {"truncated mp3",
         [mp3](auto&, const std::string& d) {
             auto b = ReadBytes(mp3);
             b.resize(60);
             WriteBytes(d + "/cut.mp3", b);
             return d + "/cut.mp3";
         },
         "Could not determine type"},
        {"directory",
         [](auto&, const std::string& d) {
             fs::create_directory(d + "/d.wav");
             return d + "/d.wav";
         },
         "directory"},
    };
    TMediaPlayer p(Service());
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.name);
        p.SetFileName(c.make(*this, dir));
        const auto start = Clock::now();
        const std::string text = Raised<EMCIDeviceError>([&] { p.Open(); });
        EXPECT_LT(SecondsSince(start), 6.0);
        EXPECT_NE(text, "(nothing raised)");
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_NE(p.Error(), 0u);
        EXPECT_FALSE(p.IsOpen());
        EXPECT_EQ(Raised<EMCIDeviceError>([&] { p.Play(); }), "No MCI device open");
        EXPECT_EQ(GstMediaDevice::LivePipelines(), 0) << "a refused file leaves no pipeline behind";
    }
    // The same player goes on to play a good file.
    PlayToEnd(p, WavTone("good.wav", 0.1));
}

// A WAVE file without samples is a medium of length 0: it opens, and every
// play ends at once with success.
TEST_F(GstPlayback, EmptyMediumPlaysAndEnds)
{
    setenv("ZUM_AUDIO_SINK", "fakesink sync=true", 1);
    const std::string path = dir + "/none.wav";
    ASSERT_TRUE(WriteWav(path, {}, 22050));
    TMediaPlayer p(Service());
    EXPECT_LT(PlayToEnd(p, path), 1.0);
    p.Play();  // at its end from the start: rewound, and ends again
    ASSERT_TRUE(RunUntil([&] { return p.LastNotify() != 0; }, 2000));
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvSuccessful));
}

// An output that never gets ready (each buffer held for 0.8 s) must not hold
// Open longer than its bound.
TEST_F(GstPlayback, OpenGivesUpAfterItsBound)
{
    setenv("ZUM_AUDIO_SINK", "identity sleep-time=800000 ! fakesink", 1);
    TMediaPlayer p(std::make_unique<GstMediaDevice>(300));
    Raised<EMCIDeviceError>([&] { p.Open(); });  // an empty name: only starts GStreamer, which is slow the first time
    p.SetFileName(WavTone("a.wav", 0.5));
    const auto start = Clock::now();
    const std::string text = Raised<EMCIDeviceError>([&] { p.Open(); });
    EXPECT_NE(text.find("did not get ready to play in time"), std::string::npos) << text;
    EXPECT_LT(SecondsSince(start), 1.5) << "the bound plus the held buffer at most";
    EXPECT_FALSE(p.IsOpen());
}

TEST_F(GstPlayback, UnusableOutputIsRefusedWithItsReason)
{
    setenv("ZUM_AUDIO_SINK", "nosuchelement-zum", 1);
    TMediaPlayer p(Service());
    p.SetFileName(WavTone("a.wav", 0.1));
    const std::string text = Raised<EMCIDeviceError>([&] { p.Open(); });
    EXPECT_NE(text.find("ZUM_AUDIO_SINK"), std::string::npos) << text;
    EXPECT_FALSE(p.IsOpen());
}

// The program's own path to the service: a player made without a device
// gets the GStreamer one, which plays a real file and reports its end, and
// reports a failure to open a file as the service does.
TEST_F(GstPlayback, TheDefaultServicePlays)
{
    TMediaPlayer p;
    p.Prepare();
    fs::remove(out);
    EXPECT_GT(PlayToEnd(p, WavTone("tone.wav", 0.3)), 0.27);
    p.Close();
    const auto rec = ReadWav(out);
    ASSERT_TRUE(rec.has_value());
    EXPECT_GE(rec->Seconds(), 0.27);
    EXPECT_GE(rec->Peak(), 8000) << "the recording must not be silent";

    p.SetFileName(dir + "/nothere.wav");
    const std::string text = Raised<EMCIDeviceError>([&] { p.Open(); });
    EXPECT_NE(text.find("not found"), std::string::npos) << text;
}

}  // namespace
