#include "sound/GstMediaDevice.h"

#include <gst/gst.h>
#include <sys/prctl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "sound/GstMidiSynth.h"
#include "sound/MediaPlayer.h"
#include "sound/SoundFile.h"
#include "sound/SoundFormat.h"

namespace {

// A thread starts with the timer slack of the thread that starts it, and the
// playback threads start while the caller changes the pipeline's state. The
// caller may let its own wake-ups come tens of milliseconds late (an idle
// clock does); the sound's threads keep the kernel's default, so that their
// waits end when the sound needs them to. Held for the length of a call.
class DefaultTimerSlackForNewThreads {
public:
    DefaultTimerSlackForNewThreads() : saved_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
        if (saved_ > kDefaultNs) prctl(PR_SET_TIMERSLACK, kDefaultNs, 0, 0, 0);
    }
    ~DefaultTimerSlackForNewThreads() {
        if (saved_ > kDefaultNs) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(saved_), 0, 0, 0);
    }
    DefaultTimerSlackForNewThreads(const DefaultTimerSlackForNewThreads&) = delete;
    DefaultTimerSlackForNewThreads& operator=(const DefaultTimerSlackForNewThreads&) = delete;

private:
    static constexpr long kDefaultNs = 50'000;
    const long saved_;  // the caller's slack; -1 where it cannot be read, which leaves it alone
};

// GStreamer is initialised once per process, from whichever thread first
// prepares a device or opens a file.
bool EnsureGstInitialised(std::string* error) {
    static std::once_flag once;
    static std::string initError;
    std::call_once(once, [] {
        GError* err = nullptr;
        if (!gst_init_check(nullptr, nullptr, &err)) {
            initError = err ? err->message : "GStreamer could not be initialised";
            if (err) g_error_free(err);
        }
    });
    if (!initError.empty()) *error = initError;
    return initError.empty();
}

// Makes ready what openings need (the library and its plugin registry, the
// plugins and element classes of the pipeline, the common parsers and
// decoders, the sink, the type finders), so that the first file opened,
// typically an alarm at its second, is not the one that waits for them.
// Creating an element only builds it: no file or device is opened.
void LoadPlaybackPlugins() {
    std::string ignored;
    if (!EnsureGstInitialised(&ignored)) return;
    auto drop = [](GstElement* element) {
        if (element) gst_object_unref(gst_object_ref_sink(element));
    };
    for (const char* name : {"fdsrc", "decodebin", "typefind", "queue", "audioconvert", "audioresample",
                             "capsfilter", "wavparse", "auparse", "mpegaudioparse", "mpg123audiodec"})
        drop(gst_element_factory_make(name, nullptr));
    if (const char* desc = std::getenv("ZUM_AUDIO_SINK"); desc && *desc) {
        GError* err = nullptr;
        GstElement* sink = gst_parse_bin_from_description(desc, TRUE, &err);
        if (err) g_error_free(err);
        drop(sink);
    } else {
        drop(gst_element_factory_make("autoaudiosink", nullptr));
    }
    GList* finders = gst_type_find_factory_get_list();
    for (GList* f = finders; f; f = f->next)
        if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(f->data))) gst_object_unref(loaded);
    gst_plugin_feature_list_free(finders);
}

// Only the first device of the process starts the loading.
std::atomic<bool> gPluginsLoadStarted{false};

std::string QuotedName(const std::string& path) { return "\"" + path + "\""; }

// GStreamer's own text for one of its resource errors, as its own file
// reader would give it.
std::string GStreamerText(GstResourceError error) {
    gchar* text = gst_error_get_message(GST_RESOURCE_ERROR, error);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::atomic<int> gLivePipelines{0};

void OnPipelineFinalized(gpointer, GObject*) { --gLivePipelines; }

}  // namespace

struct GstMediaDevice::Impl {
    // Owned: the pipeline of the open file, null while closed.
    GstElement* pipeline = nullptr;
    // Owned: the pipeline's bus while open, where completion reports wait.
    GstBus* bus = nullptr;
    // The open sound file that the pipeline reads; it outlives the pipeline's
    // reading of it (closed only once the pipeline has stopped).
    std::unique_ptr<SoundFile> file;
    int openTimeoutMs = kOpenTimeoutMs;
    uint16_t nextId = 1;
    // Runs LoadPlaybackPlugins beside the caller after Prepare; joined on
    // destruction.
    std::thread pluginLoader;

    const SoundFormat* format = nullptr;

    // Written by streaming threads while opening, read by the caller's
    // thread after the wait; guarded by mutex.
    std::mutex mutex;
    bool audioLinked = false;
    bool typeChecked = false;
    std::string typeError;  // set when the content does not match the extension

    // Touched on the user-interface thread only.
    bool atEnd = false;         // end of stream reached since the last seek
    bool playPending = false;   // a Play still owes its completion report
    std::function<void(int)> notify;
    std::map<uint32_t, std::string> texts;  // latest text for each code

    GstElement* audioconvert = nullptr;  // borrowed from the pipeline

    uint32_t Fail(uint32_t code, std::string text) {
        texts[code] = std::move(text);
        return code;
    }

    void Report(TMPNotifyValues reason) {
        playPending = false;
        if (notify) notify(static_cast<int>(reason));
    }

    // Waits (bounded) for the state change in progress to complete.
    bool WaitForState(GstClockTime timeout) {
        GstState state;
        return gst_element_get_state(pipeline, &state, nullptr, timeout) == GST_STATE_CHANGE_SUCCESS;
    }

    void TearDown() {
        if (!pipeline) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        if (bus) {
            // Reports of the torn-down pipeline are not delivered.
            gst_bus_set_flushing(bus, TRUE);
            gst_object_unref(bus);
            bus = nullptr;
        }
        gst_object_unref(pipeline);
        pipeline = nullptr;
        file.reset();
        audioconvert = nullptr;
        format = nullptr;
        atEnd = false;
    }

    static gboolean OnAutoplugContinue(GstElement* decodebin, GstPad*, GstCaps* caps, gpointer data);
    static void OnPadAdded(GstElement*, GstPad* pad, gpointer data);
    static void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer data);
    void OnBusMessage(GstMessage* message);
};

// Streaming thread: decodebin asks whether to go on decoding a stream. The
// first question is about the file's content type as detected: a file whose
// content is not of the format its extension names is refused, as if no
// device took it.
gboolean GstMediaDevice::Impl::OnAutoplugContinue(GstElement* decodebin, GstPad*, GstCaps* caps, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    {
        std::lock_guard lock(self->mutex);
        if (self->typeChecked) return TRUE;
        self->typeChecked = true;
    }
    if (!caps || gst_caps_get_size(caps) == 0) return TRUE;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int mpegVersion = 0;
    gst_structure_get_int(s, "mpegversion", &mpegVersion);
    if (SoundFormatAccepts(*self->format, gst_structure_get_name(s), mpegVersion)) return TRUE;
    std::string text = "The file is not " + std::string(self->format->description) + " (it holds " +
                       gst_structure_get_name(s) + ").";
    {
        std::lock_guard lock(self->mutex);
        self->typeError = text;
    }
    GError* err = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, text.c_str());
    gst_element_post_message(decodebin, gst_message_new_error(GST_OBJECT(decodebin), err, nullptr));
    g_error_free(err);
    return FALSE;
}

// Streaming thread: decodebin found a stream. The first raw audio stream is
// played; others (a picture, a second track) are left unlinked.
void GstMediaDevice::Impl::OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    const bool audio = caps && gst_caps_get_size(caps) > 0 &&
                       g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/x-raw");
    if (caps) gst_caps_unref(caps);
    if (!audio) return;
    std::lock_guard lock(self->mutex);
    if (self->audioLinked) return;
    GstPad* sinkPad = gst_element_get_static_pad(self->audioconvert, "sink");
    self->audioLinked = gst_pad_link(pad, sinkPad) == GST_PAD_LINK_OK;
    gst_object_unref(sinkPad);
}

// Streaming thread: an element that decodebin plugs in. The MIDI
// synthesiser is set up before any sound flows through it.
void GstMediaDevice::Impl::OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && g_strcmp0(GST_OBJECT_NAME(factory), "fluiddec") == 0) SetUpMidiSynth(element);
}

// User-interface thread (from DeliverReports): end of playback or failure.
void GstMediaDevice::Impl::OnBusMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        atEnd = true;
        Report(TMPNotifyValues::nvSuccessful);
        break;
    case GST_MESSAGE_ERROR:
        Report(TMPNotifyValues::nvFailure);
        break;
    default:
        break;
    }
}

GstMediaDevice::GstMediaDevice(int openTimeoutMs) : impl_(std::make_unique<Impl>()) {
    impl_->openTimeoutMs = openTimeoutMs;
}

void GstMediaDevice::Prepare() {
    DefaultTimerSlackForNewThreads slack;
    if (!gPluginsLoadStarted.exchange(true)) impl_->pluginLoader = std::thread(LoadPlaybackPlugins);
}

GstMediaDevice::~GstMediaDevice() {
    if (impl_->pluginLoader.joinable()) impl_->pluginLoader.join();
    impl_->TearDown();
}

uint32_t GstMediaDevice::OpenFile(const std::string& path, uint16_t* deviceId) {
    DefaultTimerSlackForNewThreads slack;
    Impl& d = *impl_;
    Close();
    std::string initError;
    if (!EnsureGstInitialised(&initError)) return d.Fail(kOpenFailed, initError);
    if (path.empty()) return d.Fail(kNoFileName, "No sound file name was given.");
    const SoundFormat* format = SoundFormatForFile(path);
    if (!format)
        return d.Fail(kUnknownExtension, "No sound device plays files of this type: " + QuotedName(path) +
                                             " (known types: .wav, .mp3, .mid, .au, .snd).");
    // Opened here, once, and played from what was opened: the file that was
    // checked is the one played even if its name is swapped meanwhile, and
    // a name that leads to a pipe or a device is refused without waiting on
    // it.
    auto file = std::make_unique<SoundFile>(path);
    switch (file->GetStatus()) {
    case SoundFile::Status::kOpen:
        break;
    case SoundFile::Status::kNotRegular:
        return d.Fail(kNotAFile, "Not a sound file but a directory, device or pipe: " + QuotedName(path) + ".");
    case SoundFile::Status::kCannotOpen:
        if (file->Errno() == ENOENT || file->Errno() == ENOTDIR)
            return d.Fail(kOpenFailed, GStreamerText(GST_RESOURCE_ERROR_NOT_FOUND));
        return d.Fail(kOpenFailed, "Could not open the sound file " + QuotedName(path) + " for reading: " +
                                       std::strerror(file->Errno()) + ".");
    }

    GstElement* sink = nullptr;
    if (const char* desc = std::getenv("ZUM_AUDIO_SINK"); desc && *desc) {
        GError* err = nullptr;
        sink = gst_parse_bin_from_description(desc, TRUE, &err);
        if (err) {
            std::string text = std::string("The audio output ZUM_AUDIO_SINK is not usable: ") + err->message;
            g_error_free(err);
            if (sink) gst_object_unref(sink);
            return d.Fail(kBadSink, text);
        }
    } else {
        sink = gst_element_factory_make("autoaudiosink", nullptr);
    }

    GstElement* src = gst_element_factory_make("fdsrc", nullptr);
    GstElement* decode = gst_element_factory_make("decodebin", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    d.pipeline = gst_pipeline_new("zum-sound");
    if (d.pipeline) {
        ++gLivePipelines;
        g_object_weak_ref(G_OBJECT(d.pipeline), &OnPipelineFinalized, nullptr);
    }
    if (!sink || !src || !decode || !convert || !resample || !d.pipeline) {
        // Elements not yet in a bin are floating: sink them to release them.
        for (GstElement* e : {sink, src, decode, convert, resample, d.pipeline})
            if (e) gst_object_unref(gst_object_ref_sink(e));
        d.pipeline = nullptr;
        return d.Fail(kMissingPlugin, "A GStreamer element needed for playback is not installed.");
    }
    gst_bin_add_many(GST_BIN(d.pipeline), src, decode, convert, resample, sink, nullptr);
    d.format = format;
    d.audioconvert = convert;
    {
        std::lock_guard lock(d.mutex);
        d.audioLinked = false;
        d.typeChecked = false;
        d.typeError.clear();
    }
    d.atEnd = false;
    d.playPending = false;
    g_object_set(src, "fd", file->Descriptor(), nullptr);
    d.file = std::move(file);
    if (!gst_element_link(src, decode) ||
        !gst_element_link_many(convert, resample, sink, nullptr)) {
        d.TearDown();
        return d.Fail(kMissingPlugin, "The audio output cannot take decoded sound.");
    }
    g_signal_connect(decode, "autoplug-continue", G_CALLBACK(Impl::OnAutoplugContinue), &d);
    g_signal_connect(decode, "pad-added", G_CALLBACK(Impl::OnPadAdded), &d);
    g_signal_connect(decode, "deep-element-added", G_CALLBACK(Impl::OnElementAdded), &d);

    // Preroll: PAUSED is reached when the first decoded sound is at the sink.
    GstBus* bus = gst_element_get_bus(d.pipeline);
    uint32_t rc = 0;
    {
        // A refused state change has posted its error already; wait only
        // briefly for it then.
        const bool refused = gst_element_set_state(d.pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE;
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(refused ? 200 : d.openTimeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                rc = d.Fail(kTimeout, "The sound file did not get ready to play in time: " + QuotedName(path) + ".");
                break;
            }
            GstMessage* msg = gst_bus_timed_pop_filtered(
                bus, static_cast<GstClockTime>(left.count()),
                static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_EOS));
            if (!msg) continue;  // timed out: the loop reports it
            const GstMessageType type = GST_MESSAGE_TYPE(msg);
            if (type == GST_MESSAGE_ERROR) {
                GError* err = nullptr;
                gst_message_parse_error(msg, &err, nullptr);
                std::string typeError;
                {
                    std::lock_guard lock(d.mutex);
                    typeError = d.typeError;
                }
                if (!typeError.empty())
                    rc = d.Fail(kWrongFormat, typeError);
                else
                    rc = d.Fail(kOpenFailed, err ? err->message : "The sound file cannot be played.");
                if (err) g_error_free(err);
            } else if (type == GST_MESSAGE_EOS) {
                rc = d.Fail(kNoAudio, "The file holds no playable sound: " + QuotedName(path) + ".");
            } else if (GST_MESSAGE_SRC(msg) == GST_OBJECT(d.pipeline)) {
                bool linked;
                {
                    std::lock_guard lock(d.mutex);
                    linked = d.audioLinked;
                }
                if (!linked) rc = d.Fail(kNoAudio, "The file has no audio stream: " + QuotedName(path) + ".");
            } else {
                gst_message_unref(msg);
                continue;  // a child's own async completion
            }
            gst_message_unref(msg);
            break;
        }
    }
    gst_object_unref(bus);
    if (rc != 0) {
        d.TearDown();
        return rc;
    }
    d.bus = gst_element_get_bus(d.pipeline);
    *deviceId = d.nextId++;
    if (d.nextId == 0) d.nextId = 1;
    return 0;
}

uint32_t GstMediaDevice::Play() {
    DefaultTimerSlackForNewThreads slack;
    Impl& d = *impl_;
    if (!d.pipeline) return d.Fail(kNotOpen, "The sound device is not open.");
    if (d.atEnd) SeekToStart();  // at the end a play would end at once
    if (d.playPending) d.Report(TMPNotifyValues::nvSuperseded);
    if (gst_element_set_state(d.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return d.Fail(kStateChange, "The sound cannot be played.");
    d.playPending = true;
    return 0;
}

uint32_t GstMediaDevice::Stop() {
    DefaultTimerSlackForNewThreads slack;
    Impl& d = *impl_;
    if (!d.pipeline) return d.Fail(kNotOpen, "The sound device is not open.");
    if (gst_element_set_state(d.pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return d.Fail(kStateChange, "The sound cannot be stopped.");
    d.WaitForState(GST_SECOND);
    if (d.playPending) d.Report(TMPNotifyValues::nvAborted);
    return 0;
}

uint32_t GstMediaDevice::SeekToStart() {
    DefaultTimerSlackForNewThreads slack;
    Impl& d = *impl_;
    if (!d.pipeline) return d.Fail(kNotOpen, "The sound device is not open.");
    if (!gst_element_seek_simple(d.pipeline, GST_FORMAT_TIME,
                                 static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0))
        return d.Fail(kStateChange, "The sound cannot be rewound.");
    d.WaitForState(GST_SECOND);
    d.atEnd = false;
    return 0;
}

uint32_t GstMediaDevice::Close() {
    Impl& d = *impl_;
    if (d.pipeline && d.playPending) d.Report(TMPNotifyValues::nvAborted);
    d.TearDown();
    return 0;
}

int64_t GstMediaDevice::Position() {
    Impl& d = *impl_;
    if (!d.pipeline) return -1;
    if (d.atEnd) return Length();
    gint64 pos = 0;
    if (!gst_element_query_position(d.pipeline, GST_FORMAT_TIME, &pos) || pos < 0) return -1;
    return pos / GST_MSECOND;
}

int64_t GstMediaDevice::Length() {
    Impl& d = *impl_;
    if (!d.pipeline) return -1;
    gint64 len = 0;
    if (!gst_element_query_duration(d.pipeline, GST_FORMAT_TIME, &len) || len < 0) return -1;
    return len / GST_MSECOND;
}

std::string GstMediaDevice::ErrorText(uint32_t code) const {
    auto it = impl_->texts.find(code);
    return it == impl_->texts.end() ? std::string() : it->second;
}

int GstMediaDevice::LivePipelines() { return gLivePipelines.load(); }

void GstMediaDevice::SetNotify(std::function<void(int)> notify) { impl_->notify = std::move(notify); }

int GstMediaDevice::ReportDescriptor() const {
    if (!impl_->bus) return -1;
    GPollFD poll{};
    gst_bus_get_pollfd(impl_->bus, &poll);
    return poll.fd;
}

void GstMediaDevice::DeliverReports() {
    Impl& d = *impl_;
    if (!d.bus) return;
    // A report's receiver may close the device, or open another file: the
    // messages left are then of a bus that is no longer this device's.
    GstBus* bus = GST_BUS(gst_object_ref(d.bus));
    while (d.bus == bus) {
        GstMessage* message = gst_bus_pop(bus);
        if (!message) break;
        d.OnBusMessage(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}
