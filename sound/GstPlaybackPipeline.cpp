#include "sound/GstPlaybackPipeline.h"

#include <gst/gst.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <utility>

#include "sound/GstLibrary.h"
#include "sound/GstMediaDevice.h"
#include "sound/PeakLimiter.h"
#include "sound/SoundFormat.h"

namespace {

std::atomic<int> gLivePipelines{0};

// When `started`, waits (bounded) for the state change in progress; returns `started`.
bool Settle(GstElement* pipeline, bool started)
{
    GstState state;
    if (started)
        gst_element_get_state(pipeline, &state, nullptr, GST_SECOND);
    return started;
}

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

// Streaming thread: an element that decodebin plugs in. The MIDI
// synthesiser is set up before any sound flows through it: the system's
// General MIDI sound font, and a level at which a MIDI alarm wakes someone as
// an ordinary alarm sound does. The synthesiser's own default is some 20 dB
// quieter than a sound file; raised by that much, a dense passage would go
// past full scale, so its output is held under a ceiling (PeakLimiter) that
// plain melodies do not reach.
void OnElementAdded(GstBin*, GstBin*, GstElement* element, void*)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), "fluiddec") != 0)
        return;
    struct stat st {};
    if (stat(kSoundFont, &st) == 0)
        g_object_set(element, "soundfont", kSoundFont, nullptr);
    g_object_set(element, "synth-gain", kGain, nullptr);
    GstPad* src = gst_element_get_static_pad(element, "src");
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

}  // namespace

GstPlaybackPipeline::~GstPlaybackPipeline()
{
    if (!FPipeline)
        return;
    gst_element_set_state(FPipeline, GST_STATE_NULL);
    // Reports of the stopped pipeline are not delivered.
    gst_bus_set_flushing(FBus, TRUE);
    gst_object_unref(FBus);
    gst_object_unref(FPipeline);
}

int GstPlaybackPipeline::Live()
{
    return gLivePipelines.load();
}

uint32_t GstPlaybackPipeline::Open(const std::string& path, int timeoutMs, std::string* error)
{
    GstElement* sink = GstLibrary::MakeAudioSink(error);
    if (!sink && !error->empty())
        return GstMediaDevice::kBadSink;
    GstElement* src = gst_element_factory_make("fdsrc", nullptr);
    GstElement* decode = gst_element_factory_make("decodebin", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* pipeline = gst_pipeline_new("zum-sound");
    if (pipeline) {
        ++gLivePipelines;
        g_object_weak_ref(
            G_OBJECT(pipeline), [](gpointer, GObject*) { --gLivePipelines; }, nullptr);
    }
    if (!sink || !src || !decode || !convert || !resample || !pipeline) {
        // Elements not yet in a bin are floating: sink them to release them.
        for (GstElement* e : {sink, src, decode, convert, resample, pipeline})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        *error = "A GStreamer element needed for playback is not installed.";
        return GstMediaDevice::kMissingPlugin;
    }
    gst_bin_add_many(GST_BIN(pipeline), src, decode, convert, resample, sink, nullptr);
    FPipeline = pipeline;
    FBus = gst_element_get_bus(pipeline);
    FConvert = convert;
    g_object_set(src, "fd", FFile->Descriptor(), nullptr);
    if (!gst_element_link(src, decode) || !gst_element_link_many(convert, resample, sink, nullptr)) {
        *error = "The audio output cannot take decoded sound.";
        return GstMediaDevice::kMissingPlugin;
    }
    g_signal_connect(decode, "autoplug-continue", G_CALLBACK(OnAutoplugContinue), this);
    g_signal_connect(decode, "pad-added", G_CALLBACK(OnPadAdded), this);
    g_signal_connect(decode, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);
    return Preroll(path, timeoutMs, error);
}

// Preroll: PAUSED is reached when the first decoded sound is at the sink.
uint32_t GstPlaybackPipeline::Preroll(const std::string& path, int timeoutMs, std::string* error)
{
    // A refused state change has posted its error already; wait only
    // briefly for it then.
    const bool refused = gst_element_set_state(FPipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(refused ? 200 : timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            *error = "The sound file did not get ready to play in time: \"" + path + "\".";
            return GstMediaDevice::kTimeout;
        }
        GstMessage* msg = gst_bus_timed_pop_filtered(
            FBus, static_cast<GstClockTime>(left.count()),
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_EOS));
        if (!msg)
            continue;  // timed out: the loop reports it
        const GstMessageType type = GST_MESSAGE_TYPE(msg);
        const bool fromPipeline = GST_MESSAGE_SRC(msg) == GST_OBJECT(FPipeline);
        uint32_t rc = 0;
        if (type == GST_MESSAGE_ERROR) {
            GError* err = nullptr;
            gst_message_parse_error(msg, &err, nullptr);
            std::lock_guard lock(FMutex);
            rc = FTypeError.empty() ? GstMediaDevice::kOpenFailed : GstMediaDevice::kWrongFormat;
            *error = !FTypeError.empty() ? FTypeError : err ? err->message : "The sound file cannot be played.";
            g_clear_error(&err);
        } else if (type == GST_MESSAGE_EOS) {
            rc = GstMediaDevice::kNoAudio;
            *error = "The file holds no playable sound: \"" + path + "\".";
        } else if (fromPipeline) {
            std::lock_guard lock(FMutex);
            if (!FAudioLinked) {
                rc = GstMediaDevice::kNoAudio;
                *error = "The file has no audio stream: \"" + path + "\".";
            }
        }
        gst_message_unref(msg);
        // A child's own async completion is not the pipeline's.
        if (type != GST_MESSAGE_ASYNC_DONE || fromPipeline)
            return rc;
    }
}

// Streaming thread: decodebin asks whether to go on decoding a stream. The
// first question is about the file's content type as detected: a file whose
// content is not of the format its extension names is refused, as if no
// device took it.
int GstPlaybackPipeline::OnAutoplugContinue(GstElement* decodebin, GstPad*, GstCaps* caps, void* data)
{
    auto* self = static_cast<GstPlaybackPipeline*>(data);
    {
        std::lock_guard lock(self->FMutex);
        if (self->FTypeChecked)
            return TRUE;
        self->FTypeChecked = true;
    }
    if (!caps || gst_caps_get_size(caps) == 0)
        return TRUE;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int mpegVersion = 0;
    gst_structure_get_int(s, "mpegversion", &mpegVersion);
    if (SoundFormatAccepts(self->FFormat, gst_structure_get_name(s), mpegVersion))
        return TRUE;
    std::string text =
        "The file is not " + std::string(self->FFormat.description) + " (it holds " + gst_structure_get_name(s) + ").";
    {
        std::lock_guard lock(self->FMutex);
        self->FTypeError = text;
    }
    GError* err = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, text.c_str());
    gst_element_post_message(decodebin, gst_message_new_error(GST_OBJECT(decodebin), err, nullptr));
    g_error_free(err);
    return FALSE;
}

// Streaming thread: decodebin found a stream. The first raw audio stream is
// played; others (a picture, a second track) are left unlinked.
void GstPlaybackPipeline::OnPadAdded(GstElement*, GstPad* pad, void* data)
{
    auto* self = static_cast<GstPlaybackPipeline*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const bool audio = caps && gst_caps_get_size(caps) > 0 &&
                       g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/x-raw");
    if (caps)
        gst_caps_unref(caps);
    if (!audio)
        return;
    std::lock_guard lock(self->FMutex);
    if (self->FAudioLinked)
        return;
    GstPad* sinkPad = gst_element_get_static_pad(self->FConvert, "sink");
    self->FAudioLinked = gst_pad_link(pad, sinkPad) == GST_PAD_LINK_OK;
    gst_object_unref(sinkPad);
}

bool GstPlaybackPipeline::Play()
{
    return gst_element_set_state(FPipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool GstPlaybackPipeline::Pause()
{
    return Settle(FPipeline, gst_element_set_state(FPipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE);
}

bool GstPlaybackPipeline::SeekToStart()
{
    return Settle(FPipeline,
                  gst_element_seek_simple(FPipeline, GST_FORMAT_TIME,
                                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0));
}

int64_t GstPlaybackPipeline::PositionMs() const
{
    gint64 pos = 0;
    return gst_element_query_position(FPipeline, GST_FORMAT_TIME, &pos) && pos >= 0 ? pos / GST_MSECOND : -1;
}

int64_t GstPlaybackPipeline::LengthMs() const
{
    gint64 len = 0;
    return gst_element_query_duration(FPipeline, GST_FORMAT_TIME, &len) && len >= 0 ? len / GST_MSECOND : -1;
}

int GstPlaybackPipeline::ReportDescriptor() const
{
    GPollFD poll{};
    gst_bus_get_pollfd(FBus, &poll);
    return poll.fd;
}

GstPlaybackPipeline::Report GstPlaybackPipeline::NextReport()
{
    // Every other message before it is dropped.
    GstMessage* message = gst_bus_pop_filtered(FBus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!message)
        return Report::kNone;
    const bool end = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    gst_message_unref(message);
    return end ? Report::kEnd : Report::kError;
}
