#pragma once

#include <unistd.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sound/MediaDevice.h"

// A scriptable stand-in for the playback service. Every command is recorded
// in order in a log shared with the test (the player owns the device, so the
// test keeps a handle to the script instead of to the device). The test
// decides the result codes, the texts, the position and the length, and can
// fire a completion report as the service would.
class FakeMediaDevice : public MediaDevice {
public:
    struct Script {
        std::vector<std::string> calls;  // e.g. "OpenFile(a.wav)", "Play", "SeekToStart"

        uint32_t nextOpenResult = 0;    // used by the next OpenFile, then reset to 0
        std::string nextOpenErrorText;  // text for that code, empty = service has none
        uint16_t nextDeviceId = 1;      // handed out by a successful OpenFile, then incremented
        uint32_t playResult = 0;
        uint32_t stopResult = 0;
        uint32_t seekResult = 0;
        uint32_t closeResult = 0;
        int64_t position = 0;
        int64_t length = 0;
        std::map<uint32_t, std::string> errorTexts;  // the service's texts by code

        std::function<void(int)> notify;  // what the player registered
        bool deviceDestroyed = false;
        // Where reports wait, as the service's descriptor: each byte read
        // from it is delivered as a report of that value. -1: none.
        int reportDescriptor = -1;
        int deliveries = 0;  // DeliverReports calls

        // Delivers a completion report as the service does after playback.
        void Fire(int reason) const
        {
            if (notify)
                notify(reason);
        }
        // The recorded calls joined by spaces, for compact expectations.
        std::string Log() const
        {
            std::string s;
            for (const auto& c : calls) {
                if (!s.empty())
                    s += ' ';
                s += c;
            }
            return s;
        }
    };

    explicit FakeMediaDevice(std::shared_ptr<Script> script = std::make_shared<Script>()) : script_(std::move(script))
    {
    }
    ~FakeMediaDevice() override { script_->deviceDestroyed = true; }

    const std::shared_ptr<Script>& script() const { return script_; }

    uint32_t OpenFile(const std::string& path, uint16_t* deviceId) override
    {
        script_->calls.push_back("OpenFile(" + path + ")");
        uint32_t rc = script_->nextOpenResult;
        if (rc != 0) {
            if (!script_->nextOpenErrorText.empty())
                script_->errorTexts[rc] = script_->nextOpenErrorText;
            script_->nextOpenResult = 0;
            script_->nextOpenErrorText.clear();
            return rc;
        }
        *deviceId = script_->nextDeviceId++;
        return 0;
    }
    uint32_t Play() override { return Record("Play", script_->playResult); }
    uint32_t Stop() override { return Record("Stop", script_->stopResult); }
    uint32_t SeekToStart() override { return Record("SeekToStart", script_->seekResult); }
    uint32_t Close() override { return Record("Close", script_->closeResult); }
    int64_t Position() override { return script_->position; }
    int64_t Length() override { return script_->length; }
    std::string ErrorText(uint32_t code) const override
    {
        auto it = script_->errorTexts.find(code);
        return it == script_->errorTexts.end() ? std::string() : it->second;
    }
    void SetNotify(std::function<void(int)> notify) override { script_->notify = std::move(notify); }
    int ReportDescriptor() const override { return script_->reportDescriptor; }
    void DeliverReports() override
    {
        ++script_->deliveries;
        unsigned char reason = 0;
        if (script_->reportDescriptor >= 0 && ::read(script_->reportDescriptor, &reason, 1) == 1)
            script_->Fire(reason);
    }

private:
    uint32_t Record(const char* name, uint32_t rc)
    {
        script_->calls.emplace_back(name);
        return rc;
    }

    std::shared_ptr<Script> script_;
};
