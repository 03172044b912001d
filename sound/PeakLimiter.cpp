#include "sound/PeakLimiter.h"

#include <algorithm>
#include <cmath>

void PeakLimiter::SetFormat(int channels, int rate)
{
    FChannels = channels > 0 && rate > 0 ? channels : 0;
    // Falls to 1/e of a peak over the release time.
    FDecay = FChannels ? static_cast<float>(std::exp(-1.0 / (FReleaseSeconds * rate))) : 0;
    Reset();
}

void PeakLimiter::Process(float* samples, std::size_t count)
{
    if (FChannels == 0)
        return;
    const auto channels = static_cast<std::size_t>(FChannels);
    const std::size_t frames = count / channels;
    for (std::size_t f = 0; f < frames; ++f) {
        float* frame = samples + f * channels;
        float peak = 0;
        for (std::size_t c = 0; c < channels; ++c)
            peak = std::max(peak, std::fabs(frame[c]));
        // Never below this frame's own peak, so no sample ends above the
        // ceiling.
        FEnvelope = std::max(peak, FEnvelope * FDecay);
        if (FEnvelope <= FCeiling)
            continue;
        const float gain = FCeiling / FEnvelope;
        for (std::size_t c = 0; c < channels; ++c)
            frame[c] *= gain;
    }
}
