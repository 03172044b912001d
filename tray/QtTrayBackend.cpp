#include "tray/QtTrayBackend.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>

#include <chrono>

namespace {

TActivationPairing::Reported FromReason(QSystemTrayIcon::ActivationReason reason)
{
    using Reported = TActivationPairing::Reported;
    return reason == QSystemTrayIcon::Trigger       ? Reported::Trigger
           : reason == QSystemTrayIcon::DoubleClick ? Reported::DoubleClick
           : reason == QSystemTrayIcon::Context     ? Reported::Context
                                                    : Reported::Other;
}

void Apply(QSystemTrayIcon& icon, const TTrayBackend::Look& look)
{
    icon.setIcon(look.picture);
    icon.setToolTip(QString::fromUtf8(look.tip.data(), static_cast<qsizetype>(look.tip.size())));
    // Where the tray shows an icon's menu itself (a StatusNotifierItem host
    // through its exported menu, an XEmbed tray through the framework at the
    // press) this is the menu it shows.
    if (icon.contextMenu() != look.menu)
        icon.setContextMenu(look.menu);
}

}  // namespace

bool TQtTrayBackend::Add(std::uint32_t id, const Look& look)
{
    if (FIcons.count(id) != 0 || !Available())
        return false;
    auto entry = std::make_unique<Entry>();
    entry->icon = new QSystemTrayIcon(this);
    Apply(*entry->icon, look);
    Entry* raw = entry.get();
    connect(entry->icon, &QSystemTrayIcon::activated, this, [this, id, raw](QSystemTrayIcon::ActivationReason why) {
        // The icon may have been removed, by a handler of the report before
        // too; report nothing after that.
        const auto held = [&] {
            const auto found = FIcons.find(id);
            return found != FIcons.end() && found->second.get() == raw;
        };
        if (!held())
            return;
        const auto now =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
        const auto interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        const auto reported = raw->pairing.Report(FromReason(why), now.count(), interval);
        for (std::size_t i = 0; i < reported.count && held(); ++i)
            Report(id, reported.activation[i]);
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
