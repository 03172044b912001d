#pragma once

#include <string>
#include <string_view>
#include <vector>

// The sound formats the player accepts, chosen by the file name's extension
// (compared without regard to case), as a media control service picks its
// device from the extension:
//   .wav .wave   RIFF WAVE             audio/x-wav
//   .mp3         MPEG-1/2 audio        audio/mpeg (mpegversion 1), or an ID3 tag before it
//   .mid .midi   Standard MIDI File    audio/midi, played by the FluidSynth synthesiser
//   .au .snd     Sun/NeXT audio        audio/x-au
// Any other extension, or none, has no device.
struct SoundFormat {
    std::string_view description;              // for messages, e.g. "a WAVE sound file"
    std::vector<std::string_view> mediaTypes;  // content types that the format accepts
};

// The format for a path, or null when its extension names none. Only the last
// path component's extension counts ("dir.wav/file" has none).
const SoundFormat* SoundFormatForFile(std::string_view path);

// Whether a detected content type (caps name and, for MPEG audio, its
// mpegversion; 0 when absent) belongs to the format.
bool SoundFormatAccepts(const SoundFormat& format, std::string_view mediaType, int mpegVersion);
