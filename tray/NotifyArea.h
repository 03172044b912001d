#pragma once

#include <QIcon>
#include <QPoint>

#include <cstdint>
#include <optional>
#include <string>

class QMenu;

#include "tray/NotifyMessages.h"

// What a window of a tray component receives: mouse reports on its icons
// and the ticks of its timers, as (message, first, second) triples.
class TNotifyWindow {
public:
    virtual void Dispatch(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) = 0;

protected:
    ~TNotifyWindow() = default;
};


constexpr std::uint32_t NIF_MESSAGE = 1;
constexpr std::uint32_t NIF_ICON = 2;
constexpr std::uint32_t NIF_TIP = 4;

// One request about an icon of the notification area. The area knows an icon
// by its window and identifier; mouse actions on it come back to the window
// as uCallbackMessage with the identifier first and the mouse message second.
struct TNotifyIconData {
    std::uint32_t cbSize = 88;
    TNotifyWindow* hWnd = nullptr;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    QIcon hIcon;        // a null icon draws a blank place
    std::string szTip;  // UTF-8; the whole hint, so no text is cut twice
    // The menu the icon offers its tray to show on a right-click, where the
    // tray shows menus itself; not owned.
    QMenu* hMenu = nullptr;
};

// The notification area and the window services a tray component needs.
// One real implementation on the desktop's tray, one fake for tests.
class TNotifyArea {
public:
    virtual ~TNotifyArea() = default;

    // Each returns whether the area accepted the request.
    virtual bool Add(const TNotifyIconData& data) = 0;
    virtual bool Modify(const TNotifyIconData& data) = 0;
    virtual bool Remove(const TNotifyIconData& data) = 0;
    // Whether a tray is there now to take an icon.
    virtual bool Available() const = 0;

    // A periodic timer of `window`, ticking WM_TIMER with `id`; starting a
    // running one again restarts it with the new period.
    virtual void SetTimer(TNotifyWindow* window, std::uint32_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(TNotifyWindow* window, std::uint32_t id) = 0;
    // The window is going: forget its timers and icons without reporting.
    virtual void WindowDestroyed(TNotifyWindow* window) = 0;

    // The pointer's position on the screen, if the desktop tells it.
    virtual std::optional<QPoint> CursorPos() const = 0;
    // The program's own icon resource of that name; a null icon if none.
    virtual QIcon LoadIcon(const std::string& name) const = 0;
};
