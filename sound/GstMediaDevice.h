#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "sound/MediaDevice.h"

class GstPlaybackPipeline;

// The playback service on GStreamer: one GstPlaybackPipeline per open file,
// which plays the descriptor the caller's thread opened (see SoundFile). The
// file name's extension picks the sound format the file must have (see
// SoundFormatForFile); a file whose content is of another type is refused.
// Completion reports wait on the pipeline's bus, whose descriptor the
// user-interface thread's event loop watches (ReportDescriptor), whatever
// main loop that thread runs. GStreamer is initialised at the first Prepare
// or OpenFile: a program that plays nothing does not start it.
class GstMediaDevice : public MediaDevice {
public:
    // How long OpenFile waits for the file to be ready to play, by default.
    static constexpr int kOpenTimeoutMs = 5000;

    // Result codes; the text of the latest failure of each kind is kept.
    enum Code : uint32_t {
        kNoFileName = 0x101,
        kUnknownExtension,
        kNotAFile,     // a directory, device or pipe, or a link to one
        kOpenFailed,   // the service's own error while opening
        kWrongFormat,  // content does not match the extension
        kNoAudio,
        kTimeout,
        kBadSink,
        kMissingPlugin,
        kNotOpen,
        kStateChange,
    };

    explicit GstMediaDevice(int openTimeoutMs = kOpenTimeoutMs);
    ~GstMediaDevice() override;

    uint32_t OpenFile(const std::string& path, uint16_t* deviceId) override;
    uint32_t Play() override;
    uint32_t Stop() override;
    uint32_t SeekToStart() override;
    uint32_t Close() override;
    int64_t Position() override;
    int64_t Length() override;
    std::string ErrorText(uint32_t code) const override;
    void SetNotify(std::function<void(int)> notify) override { FNotify = std::move(notify); }
    int ReportDescriptor() const override;
    void DeliverReports() override;
    // Initialises GStreamer and loads the playback plugins on a thread of
    // its own (once per process).
    void Prepare() override;

    // Pipelines of all devices not yet finalised: 0 whenever every device is
    // closed, unless one leaked.
    static int LivePipelines();

private:
    uint32_t Fail(uint32_t code, std::string text);
    void Report(int reason);

    const int FOpenTimeoutMs;
    // The open file's pipeline; null while closed.
    std::unique_ptr<GstPlaybackPipeline> FPipeline;
    // Counts opens, so that a report's receiver that closes the device or
    // opens another file ends the delivery of the old pipeline's reports.
    uint64_t FOpens = 0;
    uint16_t FNextId = 1;
    bool FAtEnd = false;        // end of stream reached since the last seek
    bool FPlayPending = false;  // a Play still owes its completion report
    std::function<void(int)> FNotify;
    std::map<uint32_t, std::string> FTexts;  // latest text for each code
    // Runs GstLibrary::LoadPlaybackPlugins beside the caller after the
    // process's first Prepare; joined on destruction.
    std::thread FPluginLoader;
};
