#include "tray/QtTrayBackend.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>

namespace {

TActivationPairing::Reported FromReason(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TActivationPairing::Reported::Trigger;
    case QSystemTrayIcon::DoubleClick:
        return TActivationPairing::Reported::DoubleClick;
    case QSystemTrayIcon::Context:
        return TActivationPairing::Reported::Context;
    default:
        return TActivationPairing::Reported::Other;
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

TQtTrayBackend::TQtTrayBackend() = default;

// Icons are children of the backend, so those still waiting for their
// deferred deletion go with it too.
TQtTrayBackend::~TQtTrayBackend() = default;

void TQtTrayBackend::Apply(QSystemTrayIcon& icon, const Look& look)
{
    icon.setIcon(look.picture);
    icon.setToolTip(QString::fromUtf8(look.tip.data(), static_cast<qsizetype>(look.tip.size())));
    // Where the tray shows an icon's menu itself (a StatusNotifierItem host
    // through its exported menu, an XEmbed tray through the framework at the
    // press) this is the menu it shows.
    if (icon.contextMenu() != look.menu)
        icon.setContextMenu(look.menu);
}

bool TQtTrayBackend::Add(std::uint32_t id, const Look& look)
{
    if (FIcons.count(id) != 0 || !Available())
        return false;
    auto entry = std::make_unique<Entry>();
    entry->icon = new QSystemTrayIcon(this);
    Apply(*entry->icon, look);
    Entry* raw = entry.get();
    connect(entry->icon, &QSystemTrayIcon::activated, this, [this, id, raw](QSystemTrayIcon::ActivationReason why) {
        const auto found = FIcons.find(id);
        if (found == FIcons.end() || found->second.get() != raw)
            return;
        const auto interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        const auto reported = raw->pairing.Report(FromReason(why), MonotonicMs(), interval);
        for (std::size_t i = 0; i < reported.count; ++i) {
            // A handler may remove the icon; report nothing after that.
            const auto still = FIcons.find(id);
            if (still == FIcons.end() || still->second.get() != raw)
                return;
            Report(id, reported.activation[i]);
        }
    });
    entry->icon->show();
    FIcons.emplace(id, std::move(entry));
    return true;
}

bool TQtTrayBackend::Modify(std::uint32_t id, const Look& look)
{
    const auto found = FIcons.find(id);
    if (found == FIcons.end())
        return false;
    Apply(*found->second->icon, look);
    return true;
}

bool TQtTrayBackend::Remove(std::uint32_t id)
{
    const auto found = FIcons.find(id);
    if (found == FIcons.end())
        return false;
    QSystemTrayIcon* icon = found->second->icon;
    FIcons.erase(found);
    icon->hide();
    // The icon may be the sender of the report being handled.
    icon->deleteLater();
    return true;
}

bool TQtTrayBackend::Available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}
