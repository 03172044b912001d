#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/Exception.h"
// Complete, because callers pass and default the owning pointer to it.
#include "sound/MediaDevice.h"

class QSocketNotifier;

// Raised when the playback service refuses to open a file, or when a command
// needs an open device and there is none.
class EMCIDeviceError : public Exception {
public:
    using Exception::Exception;
};

// Why playback ended, as the completion report gives it.
enum class TMPNotifyValues { nvSuccessful = 1, nvSuperseded = 2, nvAborted = 4, nvFailure = 8 };

// The alarm's sound player: opens one file by name and plays it from its start
// without blocking the caller. It talks to the playback service only through
// MediaDevice, so that the application logic can be tested with a fake one.
// All members run on the user-interface thread, whose event loop delivers
// the device's completion reports while a file is open.
class TMediaPlayer {
public:
    // Takes ownership of the device; a null device means the real one.
    explicit TMediaPlayer(std::unique_ptr<MediaDevice> device = nullptr);
    ~TMediaPlayer();  // closes an open device, which silences a playing sound

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& name) { FFileName = name; }

    void Open();  // closes a previous device first; waits (bounded); throws EMCIDeviceError
    void Play();  // from the current position (rewinds at the end); returns at once
    void Stop();  // pauses where it is; throws "No MCI device open" when closed
    void Close();
    // Gets the playback service ready beside the caller, so that a later
    // Open (an alarm at its second) does not wait for it. Never throws.
    void Prepare() { FDevice->Prepare(); }

    uint32_t Error() const { return FError; }
    uint16_t DeviceID() const { return FDeviceID; }
    bool IsOpen() const { return FOpen; }
    // The latest completion report, 0 while none came since the last Play.
    int LastNotify() const { return FLastNotify; }

private:
    // Watches the open device's report descriptor; called with none watched.
    void WatchReports();

    std::unique_ptr<MediaDevice> FDevice;
    // Made for each open file: the descriptor is the open file's, and goes
    // with it.
    std::unique_ptr<QSocketNotifier> FReports;
    std::string FFileName;
    uint32_t FError = 0;
    uint16_t FDeviceID = 0;
    bool FOpen = false;
    int FLastNotify = 0;
};
