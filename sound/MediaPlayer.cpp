#include "sound/MediaPlayer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <utility>

#include "sound/GstMediaDevice.h"

const char kNoDeviceOpen[] = "No MCI device open";

TMediaPlayer::TMediaPlayer(std::unique_ptr<MediaDevice> device)
    : FDevice(device ? std::move(device) : std::make_unique<GstMediaDevice>())
{
    // The device never outlives the player, so the raw capture is safe.
    FDevice->SetNotify([this](int reason) { FLastNotify = reason; });
}

TMediaPlayer::~TMediaPlayer()
{
    FReports.reset();
    if (FDeviceID != 0)
        FDevice->Close();  // result ignored: nothing can be done about it now
    FDevice->SetNotify(nullptr);
}

void TMediaPlayer::Open()
{
    if (FOpen)
        Close();
    FReports.reset();
    uint16_t id = 0;
    FError = FDevice->OpenFile(FFileName, &id);
    if (FError != 0) {
        const std::string text = FDevice->ErrorText(FError);
        throw EMCIDeviceError(text.empty() ? "Unknown error code" : text);
    }
    FOpen = true;
    FDeviceID = id;
    WatchReports();
}

void TMediaPlayer::WatchReports()
{
    const int descriptor = FDevice->ReportDescriptor();
    // Without an event loop on this thread nothing would watch it.
    if (descriptor < 0 || !QCoreApplication::instance())
        return;
    FReports = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    // The reports only record their reason (see the constructor): the
    // notifier is never destroyed from within its own signal.
    QObject::connect(FReports.get(), &QSocketNotifier::activated, [this] { FDevice->DeliverReports(); });
}

void TMediaPlayer::Play()
{
    if (!FOpen)
        throw EMCIDeviceError(kNoDeviceOpen);
    // At the end of the medium a play would end at once: start over instead.
    // An unknown length (-1) never counts as the end.
    const int64_t length = FDevice->Length();
    if (length >= 0 && FDevice->Position() == length)
        FDevice->SeekToStart();
    FError = FDevice->Play();
    // Reports about an earlier play (superseded) came before this point.
    FLastNotify = 0;
}

void TMediaPlayer::Stop()
{
    if (!FOpen)
        throw EMCIDeviceError(kNoDeviceOpen);
    FError = FDevice->Stop();
}

void TMediaPlayer::Close()
{
    if (FDeviceID == 0)
        return;
    // The descriptor may go with the file.
    FReports.reset();
    FError = FDevice->Close();
    if (FError == 0) {
        FOpen = false;
        FDeviceID = 0;
    } else {
        WatchReports();
    }
}
