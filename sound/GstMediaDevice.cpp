#include "sound/GstMediaDevice.h"

#include <sys/prctl.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "sound/GstLibrary.h"
#include "sound/GstPlaybackPipeline.h"
#include "sound/MediaPlayer.h"
#include "sound/SoundFile.h"
#include "sound/SoundFormat.h"

namespace {

// Only the first device of the process starts the loading.
std::atomic<bool> gPluginsLoadStarted{false};

// A thread starts with the timer slack of the thread that starts it, and the
// playback threads start while the caller changes the pipeline's state. The
// caller may let its own wake-ups come tens of milliseconds late (an idle
// clock does); the sound's threads keep the kernel's default, so that their
// waits end when the sound needs them to. Held for the length of a call that
// may start threads; the caller's own slack is back when it ends.
class DefaultTimerSlackForNewThreads {
public:
    DefaultTimerSlackForNewThreads()
    {
        if (FSaved > kDefaultNs)
            prctl(PR_SET_TIMERSLACK, kDefaultNs, 0, 0, 0);
    }
    ~DefaultTimerSlackForNewThreads()
    {
        if (FSaved > kDefaultNs)
            prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(FSaved), 0, 0, 0);
    }

private:
    static constexpr long kDefaultNs = 50'000;
    // The caller's slack; -1 where it cannot be read, which leaves it alone.
    const long FSaved = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
};

}  // namespace

GstMediaDevice::GstMediaDevice(int openTimeoutMs) : FOpenTimeoutMs(openTimeoutMs) {}

GstMediaDevice::~GstMediaDevice()
{
    if (FPluginLoader.joinable())
        FPluginLoader.join();
}

void GstMediaDevice::Prepare()
{
    DefaultTimerSlackForNewThreads slack;
    if (!gPluginsLoadStarted.exchange(true))
        FPluginLoader = std::thread(&GstLibrary::LoadPlaybackPlugins);
}

int GstMediaDevice::LivePipelines()
{
    return GstPlaybackPipeline::Live();
}

uint32_t GstMediaDevice::Fail(uint32_t code, std::string text)
{
    FTexts[code] = std::move(text);
    return code;
}

void GstMediaDevice::Report(int reason)
{
    FPlayPending = false;
    if (FNotify)
        FNotify(reason);
}

uint32_t GstMediaDevice::OpenFile(const std::string& path, uint16_t* deviceId)
{
    DefaultTimerSlackForNewThreads slack;
    Close();
    std::string error;
    if (!GstLibrary::Initialise(&error))
        return Fail(kOpenFailed, error);
    if (path.empty())
        return Fail(kNoFileName, "No sound file name was given.");
    const SoundFormat* format = SoundFormatForFile(path);
    if (!format)
        return Fail(kUnknownExtension, "No sound device plays files of this type: \"" + path +
                                           "\" (known types: .wav, .mp3, .mid, .au, .snd).");
    auto file = std::make_unique<SoundFile>(path);
    const int errnum = file->Errno();
    if (file->Descriptor() < 0 && errnum == 0)
        return Fail(kNotAFile, "Not a sound file but a directory, device or pipe: \"" + path + "\".");
    if (errnum == ENOENT || errnum == ENOTDIR)
        return Fail(kOpenFailed, GstLibrary::NotFoundText());
    if (errnum != 0)
        return Fail(kOpenFailed,
                    "Could not open the sound file \"" + path + "\" for reading: " + std::strerror(errnum) + ".");
    auto pipeline = std::make_unique<GstPlaybackPipeline>(std::move(file), *format);
    if (const uint32_t rc = pipeline->Open(path, FOpenTimeoutMs, &error))
        return Fail(rc, error);
    FPipeline = std::move(pipeline);
    ++FOpens;
    FAtEnd = false;
    FPlayPending = false;
    *deviceId = FNextId++;
    if (FNextId == 0)
        FNextId = 1;
    return 0;
}

uint32_t GstMediaDevice::Play()
{
    DefaultTimerSlackForNewThreads slack;
    if (!FPipeline)
        return Fail(kNotOpen, "The sound device is not open.");
    if (FAtEnd)
        SeekToStart();  // at the end a play would end at once
    if (FPlayPending)
        Report(int(TMPNotifyValues::nvSuperseded));
    if (!FPipeline->Play())
        return Fail(kStateChange, "The sound cannot be played.");
    FPlayPending = true;
    return 0;
}

uint32_t GstMediaDevice::Stop()
{
    DefaultTimerSlackForNewThreads slack;
    if (!FPipeline)
        return Fail(kNotOpen, "The sound device is not open.");
    if (!FPipeline->Pause())
        return Fail(kStateChange, "The sound cannot be stopped.");
    if (FPlayPending)
        Report(int(TMPNotifyValues::nvAborted));
    return 0;
}

uint32_t GstMediaDevice::SeekToStart()
{
    DefaultTimerSlackForNewThreads slack;
    if (!FPipeline)
        return Fail(kNotOpen, "The sound device is not open.");
    if (!FPipeline->SeekToStart())
        return Fail(kStateChange, "The sound cannot be rewound.");
    FAtEnd = false;
    return 0;
}

uint32_t GstMediaDevice::Close()
{
    if (FPipeline && FPlayPending)
        Report(int(TMPNotifyValues::nvAborted));
    FPipeline.reset();
    FAtEnd = false;
    return 0;
}

int64_t GstMediaDevice::Position()
{
    return !FPipeline ? -1 : FAtEnd ? Length() : FPipeline->PositionMs();
}

int64_t GstMediaDevice::Length()
{
    return FPipeline ? FPipeline->LengthMs() : -1;
}

std::string GstMediaDevice::ErrorText(uint32_t code) const
{
    auto it = FTexts.find(code);
    return it == FTexts.end() ? std::string() : it->second;
}

int GstMediaDevice::ReportDescriptor() const
{
    return FPipeline ? FPipeline->ReportDescriptor() : -1;
}

void GstMediaDevice::DeliverReports()
{
    // A report's receiver may close the device, or open another file: the
    // reports left are then of a pipeline that is no longer this device's.
    const uint64_t open = FOpens;
    while (FPipeline && FOpens == open) {
        const GstPlaybackPipeline::Report report = FPipeline->NextReport();
        if (report == GstPlaybackPipeline::Report::kNone)
            return;
        const bool end = report == GstPlaybackPipeline::Report::kEnd;
        FAtEnd = FAtEnd || end;
        Report(int(end ? TMPNotifyValues::nvSuccessful : TMPNotifyValues::nvFailure));
    }
}
