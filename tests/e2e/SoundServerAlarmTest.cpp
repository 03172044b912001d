// The alarm through the desktop's own sound output: no ZUM_AUDIO_SINK, so
// the program picks its default output, which plays into a real sound
// server started for the test, whose null sink's monitor is recorded.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "Layout.h"
#include "Poll.h"
#include "TimeText.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;
using WallClock = std::chrono::system_clock;

namespace {

// A private PulseAudio server with one null sink, the default, reached
// through a socket in the test's own directory. Everything it starts ends
// with it.
class SoundServer {
public:
    static constexpr const char* kSink = "zumtest";
    static constexpr int kRate = 22050;

    explicit SoundServer(const std::filesystem::path& dir) : home_(dir / "home"), runtime_(dir / "runtime")
    {
        for (const auto& d : {home_, runtime_}) {
            std::filesystem::create_directories(d);
            ::chmod(d.c_str(), 0700);
        }
        const EnvOverrides own{{"HOME", home_.string()}, {"XDG_RUNTIME_DIR", runtime_.string()}};
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                                     "--disallow-exit", "-L", std::string("module-null-sink sink_name=") + kSink, "-L",
                                     "module-native-protocol-unix auth-anonymous=1"},
            own, (dir / "pulseaudio.log").string());
        // Ready once it answers with its null sink as the default.
        if (!waitUntil(
                20s,
                [&] {
                    return runCommand({"pactl", "info"}, clientEnvironment())
                               .out.find(std::string("Default Sink: ") + kSink) != std::string::npos;
                },
                100ms))
            throw std::runtime_error("the sound server did not start with its null sink as the default");
    }

    // What a client needs to reach this server and no other.
    EnvOverrides clientEnvironment() const
    {
        return {{"PULSE_SERVER", "unix:" + (runtime_ / "pulse" / "native").string()}};
    }

private:
    std::filesystem::path home_, runtime_;
    std::unique_ptr<ChildProcess> server_;
};

// Everything the server's sink plays, recorded as it plays: mono 16-bit
// samples in a raw file, which grows in real time, silence included.
class MonitorRecording {
public:
    MonitorRecording(const SoundServer& server, std::filesystem::path path) : path_(std::move(path))
    {
        recorder_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"parec", "-d", std::string(SoundServer::kSink) + ".monitor", "--raw",
                                     "--format=s16le", "--rate=" + std::to_string(SoundServer::kRate), "--channels=1",
                                     "--latency-msec=20", path_.string()},
            server.clientEnvironment(), "");
        if (!waitUntil(20s, [&] { return samples() > SoundServer::kRate / 10; }))
            throw std::runtime_error("the recording of the sound server's output did not start");
    }

    size_t samples() const
    {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(path_, ec);
        return ec ? 0 : bytes / 2;
    }
    // The first loud sample (over a fifth of full scale) in [from, to), if any.
    std::optional<size_t> firstLoud(size_t from, size_t to = SIZE_MAX) const
    {
        const auto s = read(from, to);
        for (size_t i = 0; i < s.size(); ++i)
            if (std::abs(int(s[i])) > kLoud)
                return from + i;
        return std::nullopt;
    }
    bool quiet(size_t from, size_t to) const { return !firstLoud(from, to); }

private:
    // Samples [from, to), as far as the file goes.
    std::vector<int16_t> read(size_t from, size_t to) const
    {
        const size_t end = std::min(to, samples());
        if (end <= from)
            return {};
        std::vector<int16_t> s(end - from);
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from * 2));
        in.read(reinterpret_cast<char*>(s.data()), static_cast<std::streamsize>(s.size() * 2));
        s.resize(static_cast<size_t>(in.gcount() / 2));
        return s;
    }

    static constexpr int kLoud = 32768 / 5;
    std::filesystem::path path_;
    std::unique_ptr<ChildProcess> recorder_;
};

double secondsBetween(WallClock::time_point from, WallClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

class SoundServerAlarm : public ZumFixture {};

// An alarm from the alarm file rings at its second into the server's
// default sink, and "Stop" silences it. Prints when it rang and how fast it
// fell silent.
TEST_F(SoundServerAlarm, RingsThroughTheDefaultOutput)
{
    SoundServer server(scratch() / "pulse");
    MonitorRecording recording(server, scratch() / "monitor.raw");
    const auto tone = makeTone(8);
    const std::time_t alarm = std::time(nullptr) + 12;
    writeAlarmFile(*timeText("C", alarm), tone.string());
    start({.audioSink = std::nullopt, .environment = server.clientEnvironment()});
    const auto alarmTime = WallClock::from_time_t(alarm);
    ASSERT_LT(WallClock::now(), alarmTime - 1s) << "the program took too long to start";
    auto until = [](WallClock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t - WallClock::now());
    };

    // Quiet up to shortly before the alarm's second, then ringing within it.
    const size_t startedAt = recording.samples();
    ASSERT_FALSE(waitUntil(
        until(alarmTime - 300ms), [&] { return !recording.quiet(startedAt, SIZE_MAX); }, 100ms))
        << "sound before the alarm time";
    const size_t quietUpTo = recording.samples();
    std::optional<size_t> onset;
    ASSERT_TRUE(waitUntil(
        until(alarmTime + 1800ms), [&] { return (onset = recording.firstLoud(quietUpTo)).has_value(); }, 10ms))
        << "no sound in the server's output within the alarm second";
    const auto rangSeenAt = WallClock::now();
    // Still ringing half a second on: a sound, not a click.
    const size_t later = *onset + SoundServer::kRate / 2;
    ASSERT_TRUE(waitUntil(3s, [&] { return recording.samples() > later + SoundServer::kRate / 10; }));
    ASSERT_FALSE(recording.quiet(later, later + SoundServer::kRate / 10)) << "the sound did not go on";

    // "Stop": the sound ends soon after the click and does not come back.
    // The recording is read as it arrives; the sound has ended once all
    // that arrived since the last look (20 ms or more, several periods of
    // the tone) is quiet.
    size_t lookedTo = recording.samples();
    const auto stopAt = WallClock::now();
    press(layout::kStopButton);
    ASSERT_TRUE(waitUntil(
        3s,
        [&] {
            const size_t now = recording.samples();
            if (now < lookedTo + SoundServer::kRate / 50)
                return false;
            const bool silent = recording.quiet(lookedTo, now);
            lookedTo = now;
            return silent;
        },
        10ms))
        << "\"Stop\" did not silence the sound";
    const auto silenceSeenAt = WallClock::now();
    ASSERT_TRUE(waitUntil(3s, [&] { return recording.samples() > lookedTo + SoundServer::kRate; }));
    EXPECT_TRUE(recording.quiet(lookedTo, lookedTo + SoundServer::kRate)) << "the sound came back after \"Stop\"";

    // As the test saw them in the recording: at most 10 ms late, plus the
    // recorder's latency (and, for the silence, the 20 ms it takes to tell).
    std::printf("rang %.3f s after the alarm's second; silent %.3f s after the click on \"Stop\"\n",
                secondsBetween(alarmTime, rangSeenAt), secondsBetween(stopAt, silenceSeenAt));
    EXPECT_EQ(closeByButton(), 0);
}

}  // namespace
