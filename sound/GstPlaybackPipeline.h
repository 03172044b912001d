#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "sound/SoundFile.h"

// The same declarations as GStreamer's, so that callers need not include it.
typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;
typedef struct _GstCaps GstCaps;
typedef struct _GstPad GstPad;

struct SoundFormat;

// The GStreamer pipeline that plays one open sound file:
//   fdsrc ! decodebin ! audioconvert ! audioresample ! <sink>
// The pipeline reads the descriptor of the SoundFile it is given, which it
// owns and closes only once the pipeline has stopped. decodebin's first
// content type must belong to the file's SoundFormat; the first raw audio
// stream is played and any other stream is left unlinked. MIDI is
// synthesised at a level that matches the other sounds. The sink is
// GstLibrary::MakeAudioSink's.
// Owned and called by one thread (the user-interface thread); decodebin's
// streaming threads call back into it only while it opens.
class GstPlaybackPipeline {
public:
    // What the bus reports once the pipeline is open.
    enum class Report { kNone, kEnd, kError };

    // format must outlive the pipeline (the formats are static).
    GstPlaybackPipeline(std::unique_ptr<SoundFile> file, const SoundFormat& format)
        : FFile(std::move(file)), FFormat(format)
    {
    }
    ~GstPlaybackPipeline();  // stops the pipeline, drops its reports, then closes the file

    // Builds the pipeline and waits, at most timeoutMs, until it is ready to
    // play. Returns 0, or a GstMediaDevice::Code with its text in *error;
    // path names the file in the texts. Called once.
    uint32_t Open(const std::string& path, int timeoutMs, std::string* error);

    bool Play();                 // false when refused; does not wait
    bool Pause();                // false when refused; waits (bounded) for the pause
    bool SeekToStart();          // false when refused; waits (bounded) for the seek
    int64_t PositionMs() const;  // -1 when unknown
    int64_t LengthMs() const;    // -1 when unknown

    // Readable while reports wait on the bus; valid as long as the pipeline.
    int ReportDescriptor() const;
    // The next end-of-stream or error report, skipping every other message;
    // kNone once none waits.
    Report NextReport();

    // Pipelines not yet finalised, over the whole process.
    static int Live();

private:
    uint32_t Preroll(const std::string& path, int timeoutMs, std::string* error);

    static int OnAutoplugContinue(GstElement* decodebin, GstPad*, GstCaps* caps, void* data);
    static void OnPadAdded(GstElement*, GstPad* pad, void* data);

    std::unique_ptr<SoundFile> FFile;
    const SoundFormat& FFormat;
    GstElement* FPipeline = nullptr;  // owned; null until built
    GstBus* FBus = nullptr;           // owned: the pipeline's bus
    GstElement* FConvert = nullptr;   // borrowed from the pipeline: where decoded audio goes

    // Written by streaming threads while opening, read by the owner's
    // thread after the wait; guarded by FMutex.
    std::mutex FMutex;
    bool FAudioLinked = false;
    bool FTypeChecked = false;
    std::string FTypeError;  // set when the content does not match the extension
};
