#pragma once

#include <QIcon>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "tray/TrayActivation.h"

class QMenu;

// The desktop's tray as one tray icon component sees it: its icons, known
// by identifier, each with a picture, a tip and a menu, are added, changed
// and removed; the user's activations of an icon are reported with its
// identifier. One real implementation on the desktop's tray, one fake for
// tests.
class TTrayBackend {
public:
    struct Look {
        QIcon picture;          // a null icon draws a blank place
        std::string tip;        // UTF-8, whole: the component has cut it already
        QMenu* menu = nullptr;  // shown by trays that show an icon's menu themselves; not owned
    };
    using ActivationHandler = std::function<void(std::uint32_t id, TTrayActivation activation)>;

    virtual ~TTrayBackend() = default;

    // Each returns whether the tray accepted the request. An identifier is
    // added once; modify and remove act on an added one only.
    virtual bool Add(std::uint32_t id, const Look& look) = 0;
    virtual bool Modify(std::uint32_t id, const Look& look) = 0;
    virtual bool Remove(std::uint32_t id) = 0;
    // Whether a tray is there now to take an icon.
    virtual bool Available() const = 0;

    // Where activations go; the owner sets it before it adds an icon.
    void SetActivationHandler(ActivationHandler handler) { FActivated = std::move(handler); }

protected:
    void Report(std::uint32_t id, TTrayActivation activation) const
    {
        if (FActivated)
            FActivated(id, activation);
    }

private:
    ActivationHandler FActivated;
};
