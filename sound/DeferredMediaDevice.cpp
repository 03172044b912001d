#include "sound/DeferredMediaDevice.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

#include "sound/GstModule.h"

namespace {

// A module stays loaded for the rest of the process once opened: the
// library it carries cannot be unloaded safely, and devices of it may live
// until the end. Only the entry point (or the reason there is none) is
// kept, once per path.
struct LoadedModule {
    ZumMakeMediaDevice make = nullptr;
    std::string error;
};

const LoadedModule& Load(const std::string& path) {
    static std::mutex lock;
    static std::map<std::string, LoadedModule> modules;
    const std::lock_guard<std::mutex> hold(lock);
    auto found = modules.find(path);
    if (found != modules.end())
        return found->second;
    LoadedModule& module = modules[path];
    if (path.empty()) {
        module.error = "no module is named";
        return module;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        module.error = why ? why : ("cannot open " + path);
        return module;
    }
    void* entry = dlsym(handle, ZUM_SOUND_MODULE_ENTRY);
    if (!entry) {
        module.error = path + " has no " ZUM_SOUND_MODULE_ENTRY;
        return module;
    }
    module.make = reinterpret_cast<ZumMakeMediaDevice>(entry);
    return module;
}

}  // namespace

DeferredMediaDevice::DeferredMediaDevice(std::string modulePath) : FModulePath(std::move(modulePath)) {}

DeferredMediaDevice::~DeferredMediaDevice() = default;

std::string DeferredMediaDevice::DefaultModulePath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::string();
    return (program.parent_path() / ZUM_SOUND_MODULE_FROM_PROGRAM).lexically_normal().string();
}

MediaDevice* DeferredMediaDevice::Device() {
    if (FDevice || FTried)
        return FDevice.get();
    FTried = true;
    const LoadedModule& module = Load(FModulePath);
    if (!module.make) {
        FLoadError = module.error;
        return nullptr;
    }
    FDevice.reset(module.make(ZUM_SOUND_MODULE_ABI));
    if (!FDevice) {
        FLoadError = FModulePath + " is of another version of the program";
        return nullptr;
    }
    FDevice->SetNotify(FNotify);
    return FDevice.get();
}

uint32_t DeferredMediaDevice::OpenFile(const std::string& path, uint16_t* deviceId) {
    MediaDevice* device = Device();
    return device ? device->OpenFile(path, deviceId) : kNotLoaded;
}

uint32_t DeferredMediaDevice::Play() {
    MediaDevice* device = Device();
    return device ? device->Play() : kNotLoaded;
}

uint32_t DeferredMediaDevice::Stop() {
    MediaDevice* device = Device();
    return device ? device->Stop() : kNotLoaded;
}

uint32_t DeferredMediaDevice::SeekToStart() {
    MediaDevice* device = Device();
    return device ? device->SeekToStart() : kNotLoaded;
}

uint32_t DeferredMediaDevice::Close() {
    // Nothing can be open before the service is loaded.
    return FDevice ? FDevice->Close() : 0;
}

int64_t DeferredMediaDevice::Position() {
    return FDevice ? FDevice->Position() : -1;
}

int64_t DeferredMediaDevice::Length() {
    return FDevice ? FDevice->Length() : -1;
}

std::string DeferredMediaDevice::ErrorText(uint32_t code) const {
    if (code == kNotLoaded)
        return "The sound service could not be loaded: " + FLoadError;
    return FDevice ? FDevice->ErrorText(code) : std::string();
}

void DeferredMediaDevice::SetNotify(std::function<void(int)> notify) {
    FNotify = std::move(notify);
    if (FDevice)
        FDevice->SetNotify(FNotify);
}

int DeferredMediaDevice::ReportDescriptor() const {
    return FDevice ? FDevice->ReportDescriptor() : -1;
}

void DeferredMediaDevice::DeliverReports() {
    if (FDevice)
        FDevice->DeliverReports();
}

void DeferredMediaDevice::Prepare() {
    if (MediaDevice* device = Device())
        device->Prepare();
}
