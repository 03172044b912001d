#include "sound/GstLibrary.h"

#include <gst/gst.h>

#include <cstdlib>
#include <mutex>

bool GstLibrary::Initialise(std::string* error)
{
    static std::once_flag once;
    static std::string initError;
    std::call_once(once, [] {
        GError* err = nullptr;
        if (!gst_init_check(nullptr, nullptr, &err)) {
            initError = err ? err->message : "GStreamer could not be initialised";
            g_clear_error(&err);
        }
    });
    if (!initError.empty())
        *error = initError;
    return initError.empty();
}

void GstLibrary::LoadPlaybackPlugins()
{
    std::string ignored;
    if (!Initialise(&ignored))
        return;
    auto drop = [](GstElement* element) {
        if (element)
            gst_object_unref(gst_object_ref_sink(element));
    };
    for (const char* name : {"fdsrc", "decodebin", "typefind", "queue", "audioconvert", "audioresample", "capsfilter",
                             "wavparse", "auparse", "mpegaudioparse", "mpg123audiodec"})
        drop(gst_element_factory_make(name, nullptr));
    drop(MakeAudioSink(&ignored));
    GList* finders = gst_type_find_factory_get_list();
    for (GList* f = finders; f; f = f->next)
        if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(f->data)))
            gst_object_unref(loaded);
    gst_plugin_feature_list_free(finders);
}

GstElement* GstLibrary::MakeAudioSink(std::string* error)
{
    const char* desc = std::getenv("ZUM_AUDIO_SINK");
    if (!desc || !*desc)
        return gst_element_factory_make("autoaudiosink", nullptr);
    GError* err = nullptr;
    GstElement* sink = gst_parse_bin_from_description(desc, TRUE, &err);
    if (err) {
        *error = std::string("The audio output ZUM_AUDIO_SINK is not usable: ") + err->message;
        g_error_free(err);
        if (sink)
            gst_object_unref(gst_object_ref_sink(sink));
        return nullptr;
    }
    return sink;
}

std::string GstLibrary::NotFoundText()
{
    gchar* text = gst_error_get_message(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}
