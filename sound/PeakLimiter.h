#pragma once

#include <cstddef>

// Keeps the peaks of an interleaved float sound stream at or below a
// ceiling: where the stream would go above it, the whole frame is turned
// down (every channel alike, so that the sound stays where it was between
// the speakers) rather than clipped. The turning down follows a louder peak
// at once and lets go gradually, over the release time, once the peaks fall
// back. Sound that stays below the ceiling passes unchanged.
class PeakLimiter {
public:
    // ceiling: the largest magnitude let through (1.0 is full scale).
    PeakLimiter(float ceiling, double releaseSeconds) : FCeiling(ceiling), FReleaseSeconds(releaseSeconds) {}

    // The stream's layout; sound is passed unchanged until it is known.
    void SetFormat(int channels, int rate);
    // Limits `count` interleaved samples in place, whole frames of them (a
    // part frame at the end is left as it is).
    void Process(float* samples, std::size_t count);
    // Forgets earlier peaks (the stream starts over, as after a seek).
    void Reset() { FEnvelope = 0; }

private:
    float FCeiling;
    double FReleaseSeconds;
    int FChannels = 0;
    float FDecay = 0;     // the envelope's fall per frame
    float FEnvelope = 0;  // the recent peak, falling off over the release time
};
