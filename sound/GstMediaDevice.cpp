#include "sound/GstMediaDevice.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "sound/DefaultTimerSlackForNewThreads.h"
#include "sound/GstLibrary.h"
#include "sound/GstPlaybackPipeline.h"
#include "sound/MediaPlayer.h"
#include "sound/SoundFile.h"
#include "sound/SoundFormat.h"

namespace {

// Only the first device of the process starts the loading.
std::atomic<bool> gPluginsLoadStarted{false};

std::string QuotedName(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

GstMediaDevice::GstMediaDevice(int openTimeoutMs) : openTimeoutMs_(openTimeoutMs) {}

GstMediaDevice::~GstMediaDevice() {
    if (pluginLoader_.joinable()) pluginLoader_.join();
}

void GstMediaDevice::Prepare() {
    DefaultTimerSlackForNewThreads slack;
    if (!gPluginsLoadStarted.exchange(true)) pluginLoader_ = std::thread(&GstLibrary::LoadPlaybackPlugins);
}

int GstMediaDevice::LivePipelines() { return GstPlaybackPipeline::Live(); }

uint32_t GstMediaDevice::Fail(uint32_t code, std::string text) {
    texts_[code] = std::move(text);
    return code;
}

void GstMediaDevice::Report(int reason) {
    playPending_ = false;
    if (notify_) notify_(reason);
}

uint32_t GstMediaDevice::OpenSoundFile(const std::string& path, std::unique_ptr<SoundFile>* file) {
    if (path.empty()) return Fail(kNoFileName, "No sound file name was given.");
    if (!SoundFormatForFile(path))
        return Fail(kUnknownExtension, "No sound device plays files of this type: " + QuotedName(path) +
                                           " (known types: .wav, .mp3, .mid, .au, .snd).");
    // Opened here, once, and played from what was opened: the file that was
    // checked is the one played even if its name is swapped meanwhile, and
    // a name that leads to a pipe or a device is refused without waiting on
    // it.
    *file = std::make_unique<SoundFile>(path);
    const int error = (*file)->Errno();
    switch ((*file)->GetStatus()) {
    case SoundFile::Status::kOpen:
        return 0;
    case SoundFile::Status::kNotRegular:
        return Fail(kNotAFile, "Not a sound file but a directory, device or pipe: " + QuotedName(path) + ".");
    case SoundFile::Status::kCannotOpen:
        break;
    }
    if (error == ENOENT || error == ENOTDIR) return Fail(kOpenFailed, GstLibrary::NotFoundText());
    return Fail(kOpenFailed,
                "Could not open the sound file " + QuotedName(path) + " for reading: " + std::strerror(error) + ".");
}

uint32_t GstMediaDevice::OpenFile(const std::string& path, uint16_t* deviceId) {
    DefaultTimerSlackForNewThreads slack;
    Close();
    std::string error;
    if (!GstLibrary::Initialise(&error)) return Fail(kOpenFailed, error);
    std::unique_ptr<SoundFile> file;
    if (const uint32_t rc = OpenSoundFile(path, &file)) return rc;
    auto pipeline = std::make_unique<GstPlaybackPipeline>(std::move(file), *SoundFormatForFile(path));
    if (const uint32_t rc = pipeline->Open(path, openTimeoutMs_, &error)) return Fail(rc, error);
    pipeline_ = std::move(pipeline);
    ++opens_;
    atEnd_ = false;
    playPending_ = false;
    *deviceId = nextId_++;
    if (nextId_ == 0) nextId_ = 1;
    return 0;
}

uint32_t GstMediaDevice::Play() {
    DefaultTimerSlackForNewThreads slack;
    if (!pipeline_) return Fail(kNotOpen, "The sound device is not open.");
    if (atEnd_) SeekToStart();  // at the end a play would end at once
    if (playPending_) Report(int(TMPNotifyValues::nvSuperseded));
    if (!pipeline_->Play()) return Fail(kStateChange, "The sound cannot be played.");
    playPending_ = true;
    return 0;
}

uint32_t GstMediaDevice::Stop() {
    DefaultTimerSlackForNewThreads slack;
    if (!pipeline_) return Fail(kNotOpen, "The sound device is not open.");
    if (!pipeline_->Pause()) return Fail(kStateChange, "The sound cannot be stopped.");
    if (playPending_) Report(int(TMPNotifyValues::nvAborted));
    return 0;
}

uint32_t GstMediaDevice::SeekToStart() {
    DefaultTimerSlackForNewThreads slack;
    if (!pipeline_) return Fail(kNotOpen, "The sound device is not open.");
    if (!pipeline_->SeekToStart()) return Fail(kStateChange, "The sound cannot be rewound.");
    atEnd_ = false;
    return 0;
}

uint32_t GstMediaDevice::Close() {
    if (pipeline_ && playPending_) Report(int(TMPNotifyValues::nvAborted));
    pipeline_.reset();
    atEnd_ = false;
    return 0;
}

int64_t GstMediaDevice::Position() {
    if (!pipeline_) return -1;
    return atEnd_ ? Length() : pipeline_->PositionMs();
}

int64_t GstMediaDevice::Length() { return pipeline_ ? pipeline_->LengthMs() : -1; }

std::string GstMediaDevice::ErrorText(uint32_t code) const {
    auto it = texts_.find(code);
    return it == texts_.end() ? std::string() : it->second;
}

void GstMediaDevice::SetNotify(std::function<void(int)> notify) { notify_ = std::move(notify); }

int GstMediaDevice::ReportDescriptor() const { return pipeline_ ? pipeline_->ReportDescriptor() : -1; }

void GstMediaDevice::DeliverReports() {
    // A report's receiver may close the device, or open another file: the
    // reports left are then of a pipeline that is no longer this device's.
    const uint64_t open = opens_;
    while (pipeline_ && opens_ == open) {
        switch (pipeline_->NextReport()) {
        case GstPlaybackPipeline::Report::kNone:
            return;
        case GstPlaybackPipeline::Report::kEnd:
            atEnd_ = true;
            Report(int(TMPNotifyValues::nvSuccessful));
            break;
        case GstPlaybackPipeline::Report::kError:
            Report(int(TMPNotifyValues::nvFailure));
            break;
        }
    }
}
