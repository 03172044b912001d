#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The playback service as the sound player sees it: one file at a time,
// modelled on a media control device. Result codes are 0 for success; a
// non-zero code's text comes from ErrorText. Implementations: the GStreamer
// one in this directory, and a fake in the tests.
class MediaDevice {
public:
    virtual ~MediaDevice() = default;

    // Builds the player for the file and waits (bounded) until it is ready
    // to play. On success returns 0 and sets *deviceId to a non-zero id.
    virtual uint32_t OpenFile(const std::string& path, uint16_t* deviceId) = 0;
    virtual uint32_t Play() = 0;  // starts at the current position, does not wait
    virtual uint32_t Stop() = 0;  // pauses where it is
    virtual uint32_t SeekToStart() = 0;
    virtual uint32_t Close() = 0;
    virtual int64_t Position() = 0;  // milliseconds, -1 when unknown
    virtual int64_t Length() = 0;    // milliseconds, -1 when unknown
    // The service's own text for a code, or the empty text when it has none.
    virtual std::string ErrorText(uint32_t code) const = 0;
    // Called on the user-interface thread when playback ends or fails;
    // the argument is a TMPNotifyValues value. Reports reach it through
    // DeliverReports.
    virtual void SetNotify(std::function<void(int)> notify) = 0;
    // A descriptor that is readable while reports wait to be delivered, for
    // the user-interface thread's event loop to watch; -1 while none can
    // come (nothing open). It stays valid until the next OpenFile or Close.
    virtual int ReportDescriptor() const { return -1; }
    // Hands the waiting reports to the notify function, on the
    // user-interface thread; returns at once when there are none.
    virtual void DeliverReports() {}
    // Gets the service ready to open files, beside the caller, so that the
    // next open does not wait for it. Nothing is opened; without a call the
    // first open gets the service ready itself.
    virtual void Prepare() {}
};
