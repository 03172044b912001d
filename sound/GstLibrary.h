#pragma once

#include <string>

// The same declaration as GStreamer's, so that callers need not include it.
typedef struct _GstElement GstElement;

// GStreamer's process-wide state, which every playback device shares. The
// library is initialised at its first use, not at start-up: a clock that
// plays nothing never pays for its plug-in registry.
namespace GstLibrary {

// Initialises GStreamer once per process, from whichever thread comes
// first; later calls wait for that one. On failure returns false with
// the library's reason in *error, and so does every later call.
bool Initialise(std::string* error);

// Makes ready what openings need (the library and its plug-in registry,
// the plug-ins and element classes of the pipeline, the common parsers
// and decoders, the sink, the type finders), so that the first file
// opened, typically an alarm at its second, is not the one that waits
// for them. Only builds elements: no file or device is opened.
void LoadPlaybackPlugins();

// A new floating sink: the bin ZUM_AUDIO_SINK describes, or else the
// desktop's default output. Null with the reason in *error when the
// description is not usable; null with *error empty when no default
// output is installed.
GstElement* MakeAudioSink(std::string* error);

// GStreamer's own text for a resource that is not there, as its own file
// reader gives it.
std::string NotFoundText();

}  // namespace GstLibrary
