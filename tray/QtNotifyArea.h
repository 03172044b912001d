#pragma once

#include <QObject>

#include <map>
#include <memory>
#include <utility>

#include "tray/ActivationPairing.h"
#include "tray/NotifyArea.h"

class QSystemTrayIcon;
class QTimer;

// The desktop's notification area through QSystemTrayIcon, which serves
// XEmbed trays and StatusNotifierItem hosts. An icon is added only where a
// tray is there now; removing it hides it. Timers are QTimers keyed by
// window and identifier. Icon resources are the program's Qt resources
// under ":/icons/", named in capitals.
class TQtNotifyArea final : public QObject, public TNotifyArea {
    Q_OBJECT
public:
    TQtNotifyArea();
    ~TQtNotifyArea() override;

    bool Add(const TNotifyIconData& data) override;
    bool Modify(const TNotifyIconData& data) override;
    bool Remove(const TNotifyIconData& data) override;
    bool Available() const override;
    void SetTimer(TNotifyWindow* window, std::uint32_t id, std::uint32_t milliseconds) override;
    void KillTimer(TNotifyWindow* window, std::uint32_t id) override;
    void WindowDestroyed(TNotifyWindow* window) override;
    std::optional<QPoint> CursorPos() const override;
    QIcon LoadIcon(const std::string& name) const override;

private:
    using Key = std::pair<TNotifyWindow*, std::uint32_t>;
    struct Entry {
        QSystemTrayIcon* icon = nullptr;  // a child of the area
        std::uint32_t callbackMessage = 0;
        TActivationPairing pairing;
    };
    void Apply(Entry& entry, const TNotifyIconData& data);

    std::map<Key, std::unique_ptr<Entry>> FIcons;
    std::map<Key, QTimer*> FTimers;  // children of the area
};
