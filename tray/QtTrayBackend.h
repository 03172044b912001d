#pragma once

#include <QObject>

#include <map>
#include <memory>

#include "tray/ActivationPairing.h"
#include "tray/TrayBackend.h"

class QSystemTrayIcon;

// The desktop's tray through QSystemTrayIcon, which serves XEmbed trays and
// StatusNotifierItem hosts. An icon is added only where a tray is there now;
// removing it hides it. The icons are children of the backend, so those
// still waiting for their deferred deletion go with it too.
class TQtTrayBackend final : public QObject, public TTrayBackend {
public:
    bool Add(std::uint32_t id, const Look& look) override;
    bool Modify(std::uint32_t id, const Look& look) override;
    bool Remove(std::uint32_t id) override;
    bool Available() const override;

private:
    struct Entry {
        QSystemTrayIcon* icon = nullptr;
        TActivationPairing pairing;
    };

    std::map<std::uint32_t, std::unique_ptr<Entry>> FIcons;
};
