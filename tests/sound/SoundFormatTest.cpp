// Which extension names which sound format, and which contents each accepts.
#include <gtest/gtest.h>

#include <string>

#include "sound/SoundFormat.h"

namespace {

struct ExtCase {
    const char* path;
    const char* description;  // null: refused
};

TEST(SoundFormat, ExtensionPicksTheFormat)
{
    const ExtCase cases[] = {
        {"/a/b.wav", "a WAVE sound file"},
        {"B.WAV", "a WAVE sound file"},
        {"x.Wave", "a WAVE sound file"},
        {"song.mp3", "an MPEG audio (MP3) file"},
        {"tune.mid", "a MIDI sequence file"},
        {"tune.MIDI", "a MIDI sequence file"},
        {"bell.au", "a Sun/NeXT audio file"},
        {"bell.snd", "a Sun/NeXT audio file"},
        {"dir with.dots/ring.snd", "a Sun/NeXT audio file"},
        {"x.ogg", nullptr},
        {"picture.png", nullptr},
        {"noextension", nullptr},
        {"dir.wav/noextension", nullptr},
        {"/home/u/.wav", nullptr},
        {"trailingdot.", nullptr},
        {"", nullptr},
    };
    for (const ExtCase& c : cases) {
        const SoundFormat* f = SoundFormatForFile(c.path);
        if (!c.description) {
            EXPECT_EQ(f, nullptr) << c.path;
        } else {
            ASSERT_NE(f, nullptr) << c.path;
            EXPECT_EQ(f->description, c.description) << c.path;
        }
    }
}

TEST(SoundFormat, ContentMustMatchTheExtension)
{
    const SoundFormat& wav = *SoundFormatForFile("a.wav");
    const SoundFormat& mp3 = *SoundFormatForFile("a.mp3");
    const SoundFormat& mid = *SoundFormatForFile("a.mid");
    EXPECT_TRUE(SoundFormatAccepts(wav, "audio/x-wav", 0));
    EXPECT_FALSE(SoundFormatAccepts(wav, "image/png", 0));
    EXPECT_TRUE(SoundFormatAccepts(mp3, "audio/mpeg", 1));
    EXPECT_TRUE(SoundFormatAccepts(mp3, "application/x-id3", 0));
    EXPECT_FALSE(SoundFormatAccepts(mp3, "audio/mpeg", 4));  // AAC
    EXPECT_FALSE(SoundFormatAccepts(mp3, "audio/x-wav", 0));
    EXPECT_TRUE(SoundFormatAccepts(mid, "audio/midi", 0));
}

}  // namespace
