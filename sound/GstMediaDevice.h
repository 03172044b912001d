#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sound/MediaDevice.h"

// The playback service on GStreamer. One pipeline per open file:
//   fdsrc ! decodebin ! audioconvert ! audioresample ! <sink>
// The file is opened once, by the caller's thread, and the pipeline reads
// that descriptor (see SoundFile): only a regular file is played, and the
// file played is the one checked. The file name's extension picks the sound
// format the file must have (see SoundFormatForFile); a file whose content
// is of another type is refused. MIDI files are synthesised as GstMidiSynth
// sets the synthesiser up.
// The sink is autoaudiosink, or the bin described by ZUM_AUDIO_SINK.
// Completion reports wait on the pipeline's bus, whose descriptor the
// user-interface thread's event loop watches (ReportDescriptor): they reach
// the caller whatever main loop that thread runs, GLib's or another.
// GStreamer is initialised at the first Prepare or OpenFile, not when a
// device is made: a program that plays nothing does not carry it.
class GstMediaDevice : public MediaDevice {
public:
    // How long OpenFile waits for the file to be ready to play, by default.
    static constexpr int kOpenTimeoutMs = 5000;

    // Result codes; the text of the latest failure of each kind is kept.
    enum Code : uint32_t {
        kNoFileName = 0x101,
        kUnknownExtension,
        kNotAFile,        // a directory, device or pipe, or a link to one
        kOpenFailed,      // the service's own error while opening
        kWrongFormat,     // content does not match the extension
        kNoAudio,
        kTimeout,
        kBadSink,
        kMissingPlugin,
        kNotOpen,
        kStateChange,
    };

    // openTimeoutMs bounds how long OpenFile waits for the file to be ready.
    explicit GstMediaDevice(int openTimeoutMs = kOpenTimeoutMs);
    ~GstMediaDevice() override;
    GstMediaDevice(const GstMediaDevice&) = delete;
    GstMediaDevice& operator=(const GstMediaDevice&) = delete;

    uint32_t OpenFile(const std::string& path, uint16_t* deviceId) override;
    uint32_t Play() override;
    uint32_t Stop() override;
    uint32_t SeekToStart() override;
    uint32_t Close() override;
    int64_t Position() override;
    int64_t Length() override;
    std::string ErrorText(uint32_t code) const override;
    void SetNotify(std::function<void(int)> notify) override;
    int ReportDescriptor() const override;
    void DeliverReports() override;
    // Initialises GStreamer and loads the playback plugins on a thread of
    // its own (once per process).
    void Prepare() override;

    // Pipelines of all devices not yet finalised: 0 whenever every device is
    // closed, unless one leaked.
    static int LivePipelines();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
