#include "tray/QtNotifyArea.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "tray/Icon.h"

namespace {

TActivationPairing::Activation FromReason(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TActivationPairing::Activation::Trigger;
    case QSystemTrayIcon::DoubleClick:
        return TActivationPairing::Activation::DoubleClick;
    case QSystemTrayIcon::Context:
        return TActivationPairing::Activation::Context;
    default:
        return TActivationPairing::Activation::Other;
    }
}

std::int64_t MonotonicMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

}  // namespace

TQtNotifyArea::TQtNotifyArea() = default;

// Icons and timers are children of the area, so those still waiting for
// their deferred deletion go with it too.
TQtNotifyArea::~TQtNotifyArea() = default;

void TQtNotifyArea::Apply(Entry& entry, const TNotifyIconData& data)
{
    if (data.uFlags & NIF_ICON)
        entry.icon->setIcon(data.hIcon);
    if (data.uFlags & NIF_TIP)
        entry.icon->setToolTip(QString::fromUtf8(data.szTip.data(), static_cast<qsizetype>(data.szTip.size())));
    if (data.uFlags & NIF_MESSAGE)
        entry.callbackMessage = data.uCallbackMessage;
    if (entry.icon->contextMenu() != data.hMenu)
        entry.icon->setContextMenu(data.hMenu);
}

bool TQtNotifyArea::Add(const TNotifyIconData& data)
{
    const Key key{data.hWnd, data.uID};
    if (data.hWnd == nullptr || FIcons.count(key) != 0 || !Available())
        return false;
    auto entry = std::make_unique<Entry>();
    entry->icon = new QSystemTrayIcon(this);
    Apply(*entry, data);
    Entry* raw = entry.get();
    connect(entry->icon, &QSystemTrayIcon::activated, this, [this, key, raw](QSystemTrayIcon::ActivationReason why) {
        const auto found = FIcons.find(key);
        if (found == FIcons.end() || found->second.get() != raw)
            return;
        const auto interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        const auto messages = raw->pairing.Report(FromReason(why), MonotonicMs(), interval);
        const std::uint32_t callback = raw->callbackMessage;
        for (std::size_t i = 0; i < messages.count; ++i) {
            // A handler may remove the icon; report nothing after that.
            if (FIcons.find(key) == FIcons.end())
                return;
            key.first->Dispatch(callback, key.second, messages.message[i]);
        }
    });
    entry->icon->show();
    FIcons.emplace(key, std::move(entry));
    return true;
}

bool TQtNotifyArea::Modify(const TNotifyIconData& data)
{
    const auto found = FIcons.find(Key{data.hWnd, data.uID});
    if (found == FIcons.end())
        return false;
    Apply(*found->second, data);
    return true;
}

bool TQtNotifyArea::Remove(const TNotifyIconData& data)
{
    const auto found = FIcons.find(Key{data.hWnd, data.uID});
    if (found == FIcons.end())
        return false;
    QSystemTrayIcon* icon = found->second->icon;
    FIcons.erase(found);
    icon->hide();
    // The icon may be the sender of the report being handled.
    icon->deleteLater();
    return true;
}

bool TQtNotifyArea::Available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TQtNotifyArea::SetTimer(TNotifyWindow* window, std::uint32_t id, std::uint32_t milliseconds)
{
    QTimer*& timer = FTimers[Key{window, id}];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [window, id] { window->Dispatch(NotifyMessage::WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(std::min<std::uint32_t>(milliseconds, 0x7FFFFFFF)));
}

void TQtNotifyArea::KillTimer(TNotifyWindow* window, std::uint32_t id)
{
    const auto found = FTimers.find(Key{window, id});
    if (found == FTimers.end())
        return;
    QTimer* timer = found->second;
    FTimers.erase(found);
    timer->stop();
    timer->deleteLater();
}

void TQtNotifyArea::WindowDestroyed(TNotifyWindow* window)
{
    std::vector<Key> gone;
    for (const auto& [key, timer] : FTimers)
        if (key.first == window)
            gone.push_back(key);
    for (const Key& key : gone)
        KillTimer(key.first, key.second);
    for (auto it = FIcons.begin(); it != FIcons.end();) {
        if (it->first.first == window) {
            it->second->icon->hide();
            it->second->icon->deleteLater();
            it = FIcons.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<QPoint> TQtNotifyArea::CursorPos() const
{
    if (QGuiApplication::primaryScreen() == nullptr)
        return std::nullopt;
    return QCursor::pos();
}

QIcon TQtNotifyArea::LoadIcon(const std::string& name) const
{
    QFile resource(QStringLiteral(":/icons/") + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = resource.readAll();
    TIcon icon;
    try {
        icon.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    } catch (const std::exception&) {
        return {};  // a resource that is no icon draws blank, like a missing one
    }
    return icon.Handle();
}
