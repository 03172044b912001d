#pragma once

// What the tests of the real playback service share: an event loop for the
// completion reports, a scratch directory, and the sound output recorded
// into a WAVE file there.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "sound/MediaDevice.h"
#include "sound/MediaPlayer.h"
#include "tests/support/Raised.h"

namespace gsttest {

using Clock = std::chrono::steady_clock;

// Runs the event loop until the predicate holds or the time is up.
bool RunUntil(const std::function<bool()>& done, int timeoutMs);
void Pump(int ms);
double SecondsSince(Clock::time_point t);

}  // namespace gsttest

class GstPlayback : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // The service itself, linked in, so that LivePipelines counts its pipelines.
    static std::unique_ptr<MediaDevice> Service();
    // Real-time output (sync=true) into a mono 22050 Hz WAVE file.
    static void RecordTo(const std::string& path);
    // A 440 Hz tone of the given length in the scratch directory.
    std::string WavTone(const std::string& name, double seconds);
    // Opens and plays to the end; returns the seconds that playback took.
    double PlayToEnd(TMediaPlayer& p, const std::string& path);

protected:
    std::string dir, out;
};
