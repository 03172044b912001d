#pragma once

// The same declaration as GStreamer's, so that callers need not include it.
typedef struct _GstElement GstElement;

// Sets up the MIDI synthesiser of a playback pipeline as it is added, before
// any sound flows: the system's General MIDI sound font, and a level at
// which a MIDI alarm wakes someone as an ordinary alarm sound does. The
// synthesiser's own default is some 20 dB quieter than a sound file; raised
// by that much, a dense passage would go past full scale, so its output is
// held under a ceiling (PeakLimiter) that plain melodies do not reach.
void SetUpMidiSynth(GstElement* synth);

// What SetUpMidiSynth uses, for the tests that measure it.
namespace midisynth {
// The synthesiser's master gain (its default is 0.2): a melody of single
// notes at full velocity peaks at some -5 dBFS.
constexpr double kGain = 2.0;
// -3 dBFS: room for the resampler's overshoot on the way to the output.
constexpr float kCeiling = 0.708f;
constexpr double kReleaseSeconds = 0.2;
}  // namespace midisynth
