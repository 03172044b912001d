#pragma once

class MediaDevice;

// The one entry point of the playback module: a new GStreamer device, owned
// by the caller. The loader finds it by this name.
#define ZUM_SOUND_MODULE_ENTRY "zum_make_gstreamer_media_device"
// Changed whenever MediaDevice changes, so that a module of another build
// is refused rather than called through a different table of functions.
#define ZUM_SOUND_MODULE_ABI 2

extern "C" {
using ZumMakeMediaDevice = MediaDevice* (*)(int abi);
}
