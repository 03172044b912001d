#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sound/MediaDevice.h"

// The playback service, loaded at its first use. GStreamer and the
// libraries it pulls in live in a module of their own (GstModule.cpp),
// opened the first time the service is prepared or a file is opened: a
// clock that never arms an alarm or plays a sound never maps them. Every
// call goes to the loaded service. Should the module not load, opening a
// file fails with the reason, and nothing else happens.
class DeferredMediaDevice : public MediaDevice {
public:
    enum Code : uint32_t { kNotLoaded = 0x201 };

    explicit DeferredMediaDevice(std::string modulePath = DefaultModulePath());
    ~DeferredMediaDevice() override;
    DeferredMediaDevice(const DeferredMediaDevice&) = delete;
    DeferredMediaDevice& operator=(const DeferredMediaDevice&) = delete;

    // Where the build and the install put the module: at the same place
    // relative to the program in both trees.
    static std::string DefaultModulePath();

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
    void Prepare() override;

    // Whether the service has been loaded for this device.
    bool Loaded() const { return FDevice != nullptr; }

private:
    // The loaded service, loading it at the first call; null when the
    // module cannot be loaded (the reason is in FLoadError).
    MediaDevice* Device();

    std::string FModulePath;
    std::unique_ptr<MediaDevice> FDevice;
    bool FTried = false;
    std::string FLoadError;
    std::function<void(int)> FNotify;  // handed on once the service is loaded
};
