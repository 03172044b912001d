#include "sound/SoundFormat.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

const SoundFormat kWave{"a WAVE sound file", {"audio/x-wav"}};
// An ID3 tag is only a prefix; what follows it is checked when it is decoded.
const SoundFormat kMpeg{"an MPEG audio (MP3) file", {"audio/mpeg", "application/x-id3"}};
const SoundFormat kMidi{"a MIDI sequence file", {"audio/midi"}};
const SoundFormat kSun{"a Sun/NeXT audio file", {"audio/x-au"}};

const std::pair<std::string_view, const SoundFormat*> kByExtension[] = {
    {"wav", &kWave},  {"wave", &kWave}, {"mp3", &kMpeg}, {"mid", &kMidi},
    {"midi", &kMidi}, {"au", &kSun},    {"snd", &kSun}};

}  // namespace

const SoundFormat* SoundFormatForFile(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = base.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0)
        return nullptr;  // none, or a hidden file's name
    std::string ext(base.substr(dot + 1));
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto known = std::ranges::find(kByExtension, ext, &std::pair<std::string_view, const SoundFormat*>::first);
    return known == std::end(kByExtension) ? nullptr : known->second;
}

bool SoundFormatAccepts(const SoundFormat& format, std::string_view mediaType, int mpegVersion)
{
    // audio/mpeg also names AAC (versions 2 and 4), which is not MP3.
    return std::ranges::find(format.mediaTypes, mediaType) != format.mediaTypes.end() &&
           (mediaType != "audio/mpeg" || mpegVersion == 1);
}
