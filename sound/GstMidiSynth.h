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
