// How loud a MIDI alarm plays: as loud as an ordinary alarm sound, and a
// dense passage no louder than full scale.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "GstPlaybackFixture.h"
#include "SoundFiles.h"
#include "sound/MediaPlayer.h"

using namespace soundfiles;

namespace {

double Dbfs(int peak)
{
    return 20 * std::log10(std::max(peak, 1) / 32768.0);
}

// The loudest sample of a stretch of a recording, and how many samples in it
// are at full scale (clipped).
struct Level {
    int peak = 0;
    int clipped = 0;
};
Level LevelOf(const Recording& r, double fromSeconds, double toSeconds)
{
    Level level;
    const auto at = [&](double s) {
        return std::min(r.samples.size(), static_cast<size_t>(s * r.rate) * static_cast<size_t>(r.channels));
    };
    for (size_t i = at(fromSeconds); i < at(toSeconds); ++i) {
        const int v = std::abs(int(r.samples[i]));
        level.peak = std::max(level.peak, v);
        if (v >= 32767)
            ++level.clipped;
    }
    return level;
}

// Ten voices at full velocity at once for 0.8 s, then, once that has died
// away, a melody of single notes at full velocity: each must peak between
// -9 and -1 dBFS (the melody as loud as an alarm sound file, the chord not
// clipped), for instruments quiet and loud.
TEST_F(GstPlayback, MidiRingsAsLoudAsASoundFileWithoutClipping)
{
    // The synthesiser's own layout (no mixing down), as fast as it decodes.
    setenv("ZUM_AUDIO_SINK",
           ("audioconvert ! audio/x-raw,format=S16LE ! wavenc ! filesink sync=false location=" + out).c_str(), 1);
    std::vector<MidiNote> notes;
    for (int key : {48, 52, 55, 60, 64, 67, 72, 76, 79, 84})
        notes.push_back({0, 0.8, key});
    constexpr double kMelodyStart = 2.5;
    for (int i = 0; i < 8; ++i)
        notes.push_back({kMelodyStart + 0.25 * i, 0.25, 60 + 2 * i});
    const struct {
        const char* name;
        int program;
    } instruments[] = {{"piano", 0}, {"church organ", 19}, {"trumpet", 56}};
    for (const auto& instrument : instruments) {
        SCOPED_TRACE(instrument.name);
        const std::string path = dir + "/" + std::to_string(instrument.program) + ".mid";
        ASSERT_TRUE(WriteMidi(path, notes, instrument.program));
        {
            TMediaPlayer p(Service());
            PlayToEnd(p, path);
        }
        const auto rec = ReadWav(out);
        ASSERT_TRUE(rec.has_value());
        ASSERT_GT(rec->Seconds(), kMelodyStart + 1.5);
        const Level chord = LevelOf(*rec, 0, kMelodyStart), melody = LevelOf(*rec, kMelodyStart, rec->Seconds());
        EXPECT_EQ(chord.clipped, 0);
        EXPECT_EQ(melody.clipped, 0);
        EXPECT_GE(Dbfs(chord.peak), -9) << "chord";
        EXPECT_LE(Dbfs(chord.peak), -1) << "chord";
        EXPECT_GE(Dbfs(melody.peak), -9) << "melody";
        EXPECT_LE(Dbfs(melody.peak), -1) << "melody";
        std::printf("%s: chord peaks at %.1f dBFS, melody at %.1f dBFS\n", instrument.name, Dbfs(chord.peak),
                    Dbfs(melody.peak));
    }
}

}  // namespace
