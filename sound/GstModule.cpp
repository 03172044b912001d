// The playback module's entry point; everything else in the module is the
// GStreamer device itself.
#include "sound/GstModule.h"

#include <new>

#include "sound/GstMediaDevice.h"

extern "C" __attribute__((visibility("default"))) MediaDevice* zum_make_gstreamer_media_device(int abi) {
    if (abi != ZUM_SOUND_MODULE_ABI)
        return nullptr;
    return new (std::nothrow) GstMediaDevice();
}
