#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Writers and a reader for the small sound files the sound tests play and
// record. All byte layouts live in SoundFiles.cpp.
namespace soundfiles {

// A sine tone as 16-bit mono samples.
std::vector<int16_t> Tone(double seconds, int rate, double hz, double amplitude = 0.5);

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate);
// Sun/NeXT audio (.au, .snd): big-endian 16-bit linear PCM.
bool WriteAu(const std::string& path, const std::vector<int16_t>& samples, int rate);
// A note of a MIDI file: when it starts and how long it sounds, in seconds.
struct MidiNote {
    double start = 0;
    double seconds = 0;
    int key = 60;  // middle C
    int velocity = 127;
};
// A Standard MIDI File that plays the notes on one channel with the given
// General MIDI instrument (0: acoustic grand piano).
bool WriteMidi(const std::string& path, const std::vector<MidiNote>& notes, int program = 0);
// One middle C of the given length.
bool WriteMidi(const std::string& path, double noteSeconds);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// A 16-bit PCM WAVE file as the recording sink writes it.
struct Recording {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved
    double Seconds() const { return rate && channels ? double(samples.size()) / (rate * channels) : 0; }
    int Peak() const;
};
// Null when the file is missing or not 16-bit PCM WAVE; a data chunk whose
// size field exceeds the file is read as far as the file goes (a recording
// cut off before its header was finished).
std::optional<Recording> ReadWav(const std::string& path);

// The smallest PNG picture (1x1 pixel).
std::vector<uint8_t> TinyPng();

}  // namespace soundfiles
