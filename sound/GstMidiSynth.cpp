#include "sound/GstMidiSynth.h"

#include <gst/gst.h>
#include <sys/stat.h>

#include "sound/PeakLimiter.h"

namespace {

// Where the synthesiser's General MIDI sound font is looked for.
const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// The synthesiser's master gain (its default is 0.2): a melody of single
// notes at full velocity peaks at some -5 dBFS.
constexpr double kGain = 2.0;
// -3 dBFS: room for the resampler's overshoot on the way to the output.
constexpr float kCeiling = 0.708f;
constexpr double kReleaseSeconds = 0.2;
const char* const kNativeFloat = G_BYTE_ORDER == G_LITTLE_ENDIAN ? "F32LE" : "F32BE";

// Streaming thread: limits each buffer the synthesiser puts out, and learns
// the layout from the caps that precede them. Anything but interleaved
// 32-bit float is left alone.
GstPadProbeReturn LimitSynthOutput(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* limiter = static_cast<PeakLimiter*>(data);
    if (info->type & (GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH)) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
            limiter->Reset();
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            const GstStructure* s = caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
            int channels = 0, rate = 0;
            const bool usable = s && g_strcmp0(gst_structure_get_string(s, "format"), kNativeFloat) == 0 &&
                                g_strcmp0(gst_structure_get_string(s, "layout"), "non-interleaved") != 0 &&
                                gst_structure_get_int(s, "channels", &channels) &&
                                gst_structure_get_int(s, "rate", &rate);
            limiter->SetFormat(usable ? channels : 0, usable ? rate : 0);
        }
        return GST_PAD_PROBE_OK;
    }
    if (!(info->type & GST_PAD_PROBE_TYPE_BUFFER))
        return GST_PAD_PROBE_OK;
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
        limiter->Process(reinterpret_cast<float*>(map.data), map.size / sizeof(float));
        gst_buffer_unmap(buffer, &map);
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

void SetUpMidiSynth(GstElement* synth)
{
    struct stat st {};
    if (stat(kSoundFont, &st) == 0)
        g_object_set(synth, "soundfont", kSoundFont, nullptr);
    g_object_set(synth, "synth-gain", kGain, nullptr);
    GstPad* src = gst_element_get_static_pad(synth, "src");
    if (!src)
        return;
    // The probe owns the limiter: it goes with the pad.
    gst_pad_add_probe(src,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      LimitSynthOutput, new PeakLimiter(kCeiling, kReleaseSeconds),
                      [](gpointer limiter) { delete static_cast<PeakLimiter*>(limiter); });
    gst_object_unref(src);
}
