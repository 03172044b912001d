#include "GstPlaybackFixture.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>

#include "SoundFiles.h"
#include "sound/GstMediaDevice.h"

namespace fs = std::filesystem;

namespace gsttest {
namespace {

// Completion reports arrive through the application's event loop, so the
// tests need an application object.
void EnsureApp()
{
    static int argc = 1;
    static char name[] = "sound_gst_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

}  // namespace

bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void Pump(int ms)
{
    RunUntil([] { return false; }, ms);
}

double SecondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

}  // namespace gsttest

using namespace gsttest;

void GstPlayback::SetUp()
{
    EnsureApp();
    char tmpl[] = "/tmp/zum-sound-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    out = dir + "/out.wav";
    RecordTo(out);
}

void GstPlayback::TearDown()
{
    EXPECT_EQ(GstMediaDevice::LivePipelines(), 0) << "every player is gone, so must be its pipeline";
    unsetenv("ZUM_AUDIO_SINK");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

std::unique_ptr<MediaDevice> GstPlayback::Service()
{
    return std::make_unique<GstMediaDevice>();
}

void GstPlayback::RecordTo(const std::string& path)
{
    const std::string sink =
        "audioconvert ! audio/x-raw,format=S16LE,channels=1,rate=22050 ! wavenc ! filesink sync=true location=" + path;
    setenv("ZUM_AUDIO_SINK", sink.c_str(), 1);
}

std::string GstPlayback::WavTone(const std::string& name, double seconds)
{
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(soundfiles::WriteWav(path, soundfiles::Tone(seconds, 22050, 440), 22050));
    return path;
}

double GstPlayback::PlayToEnd(TMediaPlayer& p, const std::string& path)
{
    p.SetFileName(path);
    p.Open();
    const auto start = Clock::now();
    p.Play();
    EXPECT_LT(SecondsSince(start), 0.1) << "Play must not wait for the sound";
    EXPECT_TRUE(RunUntil([&] { return p.LastNotify() != 0; }, 5000)) << path;
    EXPECT_EQ(p.LastNotify(), int(TMPNotifyValues::nvSuccessful)) << path;
    return SecondsSince(start);
}
