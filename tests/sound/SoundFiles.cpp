#include "SoundFiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace soundfiles {
namespace {

void Le16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Le32(std::vector<uint8_t>& b, uint32_t v)
{
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}
void Be16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void Be32(std::vector<uint8_t>& b, uint32_t v)
{
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}
void Tag(std::vector<uint8_t>& b, const char* t)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(t[i]));
}

uint32_t ReadLe32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t ReadLe16(const std::vector<uint8_t>& b, size_t at)
{
    return uint16_t(b[at] | b[at + 1] << 8);
}

}  // namespace

std::vector<int16_t> Tone(double seconds, int rate, double hz, double amplitude)
{
    std::vector<int16_t> s(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(std::lround(32767 * amplitude * std::sin(2 * M_PI * hz * double(i) / rate)));
    return s;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate)
{
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> b;
    Tag(b, "RIFF");
    Le32(b, 36 + dataBytes);
    Tag(b, "WAVE");
    Tag(b, "fmt ");
    Le32(b, 16);
    Le16(b, 1);  // PCM
    Le16(b, 1);  // mono
    Le32(b, uint32_t(rate));
    Le32(b, uint32_t(rate) * 2);
    Le16(b, 2);
    Le16(b, 16);
    Tag(b, "data");
    Le32(b, dataBytes);
    for (int16_t s : samples)
        Le16(b, uint16_t(s));
    return WriteBytes(path, b);
}

bool WriteAu(const std::string& path, const std::vector<int16_t>& samples, int rate)
{
    std::vector<uint8_t> b;
    Tag(b, ".snd");
    Be32(b, 24);  // header size
    Be32(b, uint32_t(samples.size() * 2));
    Be32(b, 3);  // 16-bit linear PCM
    Be32(b, uint32_t(rate));
    Be32(b, 1);  // mono
    for (int16_t s : samples)
        Be16(b, uint16_t(s));
    return WriteBytes(path, b);
}

bool WriteMidi(const std::string& path, const std::vector<MidiNote>& notes, int program)
{
    const uint32_t division = 96;  // ticks per quarter note; at 120 bpm 192 ticks a second
    auto ticks = [](double seconds) { return uint32_t(std::lround(seconds * 192)); };
    // (tick, status, key, velocity), note offs before note ons at one tick.
    std::vector<std::array<uint32_t, 4>> events;
    for (const MidiNote& n : notes) {
        events.push_back({ticks(n.start + n.seconds), 0x80, uint32_t(n.key), 0});
        events.push_back({ticks(n.start), 0x90, uint32_t(n.key), uint32_t(n.velocity)});
    }
    std::sort(events.begin(), events.end(),
              [](const auto& a, const auto& b) { return a[0] != b[0] ? a[0] < b[0] : a[1] < b[1]; });
    std::vector<uint8_t> track = {
        0x00, 0xFF, 0x51,
        0x03, 0x07, 0xA1,
        0x20,  // tempo 500000 us per quarter
        0x00, 0xC0, uint8_t(program),
    };
    uint32_t now = 0;
    for (const auto& [tick, status, key, velocity] : events) {
        const uint32_t delta = tick - now;
        now = tick;
        // Variable-length delta time: 7 bits a byte, most significant first.
        for (int shift = 21; shift > 0; shift -= 7)
            if (delta >> shift)
                track.push_back(uint8_t(((delta >> shift) & 0x7F) | 0x80));
        track.push_back(uint8_t(delta & 0x7F));
        track.insert(track.end(), {uint8_t(status), uint8_t(key), uint8_t(velocity)});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});  // end of track
    std::vector<uint8_t> b;
    Tag(b, "MThd");
    Be32(b, 6);
    Be16(b, 0);  // format 0
    Be16(b, 1);  // one track
    Be16(b, division);
    Tag(b, "MTrk");
    Be32(b, uint32_t(track.size()));
    b.insert(b.end(), track.begin(), track.end());
    return WriteBytes(path, b);
}

bool WriteMidi(const std::string& path, double noteSeconds)
{
    return WriteMidi(path, {{0, noteSeconds}});
}

int Recording::Peak() const
{
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

std::optional<Recording> ReadWav(const std::string& path)
{
    const std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return std::nullopt;
    Recording r;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::string id(b.begin() + long(at), b.begin() + long(at) + 4);
        const uint32_t size = ReadLe32(b, at + 4);
        const size_t body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > b.size())
                return std::nullopt;
            if (ReadLe16(b, body) != 1 || ReadLe16(b, body + 14) != 16)
                return std::nullopt;
            r.channels = ReadLe16(b, body + 2);
            r.rate = int(ReadLe32(b, body + 4));
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            const size_t avail = std::min<size_t>(size, b.size() - body) / 2;
            r.samples.resize(avail);
            for (size_t i = 0; i < avail; ++i)
                r.samples[i] = int16_t(ReadLe16(b, body + 2 * i));
            return r;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

std::vector<uint8_t> TinyPng()
{
    return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
            0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00,
            0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01,
            0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
}

}  // namespace soundfiles
