#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tray/Icon.h"
#include "tray/TrayBackend.h"

enum class TStateTaskIcon : std::uint8_t { tiEnabled = 0, tiDisabled = 1, tiAnimated = 2 };
enum class TWhereTaskIcon : std::uint8_t { tiInFiles = 0, tiInExe = 1 };

enum class TMouseButton : std::uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
using TShiftState = std::uint8_t;  // a set of shift keys and buttons; the icon reports none

// One icon with a tip text in the tray. Property setters compare with the
// current value and pass a change on to the tray at once while the icon is
// shown (Active). Activations of the icon become the events; in state
// tiAnimated the component's timer (identifier 147) steps through the names
// of IconList, loading each frame afresh from its file or resource.
//
// The component belongs to a parent, which it needs to be shown, and owns
// its backend, the desktop's tray unless another is given.
class TTaskIcon final {
public:
    using TNotifyEvent = std::function<void(TTaskIcon* Sender)>;
    using TMouseEvent = std::function<void(TTaskIcon* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

    explicit TTaskIcon(QObject* parent, std::string name = "TaskIcon", std::unique_ptr<TTrayBackend> backend = nullptr);
    ~TTaskIcon() { SetActive(false); }

    void SetParent(QObject* parent) { FParent = parent; }

    bool Active() const { return FActive; }
    void SetActive(bool value);

    const TIcon& Icon() const { return FIcon; }
    void SetIcon(const TIcon* value) { SetPicture(FIcon, value); }
    const TIcon& DisabledIcon() const { return FDisabledIcon; }
    void SetDisabledIcon(const TIcon* value) { SetPicture(FDisabledIcon, value); }
    const TIcon& FrameIcon() const { return FFrameIcon; }

    const std::string& Hint() const { return FHint; }
    // Keeps the first 64 characters; an unchanged text costs a comparison.
    void SetHint(std::string_view value);

    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { Change(FShowHint, value); }

    std::uint32_t TaskIconID() const { return FTaskIconID; }
    void SetTaskIconID(std::uint32_t value) { Change(FTaskIconID, value); }

    TStateTaskIcon State() const { return FState; }
    void SetState(TStateTaskIcon value);

    const std::vector<std::string>& IconList() const { return FIconList; }
    void SetIconList(const std::vector<std::string>& value) { FIconList = value; }

    std::uint32_t Interval() const { return FInterval; }
    void SetInterval(std::uint32_t value);

    // The menu a tray that shows an icon's menu itself shows on a
    // right-click; not owned, and must outlive the component.
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* value) { Change(FPopupMenu, value); }

    // While set, the icon follows the tray as it comes and goes: an
    // activation that found no tray is made again when one comes, and an
    // icon whose tray went is taken back (OnTrayGone) so that the next tray
    // gets it anew.
    void SetFollowTray(bool value);
    // One look at the tray, as the watch takes twice a second.
    void WatchTray();
    const QTimer& TrayWatch() const { return FTrayWatch; }

    TWhereTaskIcon WhereIcons = TWhereTaskIcon::tiInFiles;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;
    TNotifyEvent OnAnimate;
    TNotifyEvent OnTrayGone;

    int FrameIndex() const { return FFrameIndex; }
    std::uint32_t TimerID() const { return FTimerID; }
    // The current frame's name, upper-cased; held whole, however long.
    const std::string& FrameName() const { return FFrameName; }
    const QTimer& AnimationTimer() const { return FAnimationTimer; }

    // The tray's report of an activation of the icon `id`, and a tick of the timer `timerId`.
    void WMTASKICON(std::uint32_t id, TTrayActivation activation);
    void WMTIMER(std::uint32_t timerId);

private:
    bool MakeIcon();
    bool ChangeIcon() { return FBackend->Modify(FTaskIconID, ShownLook()); }
    bool KillIcon() { return FBackend->Remove(FAddedID); }
    void LoadTaskIcon();

    void RequireParent() const;
    // What the tray is to show now: the picture of the state, the tip while hints are on, the menu.
    TTrayBackend::Look ShownLook() const;
    void StartTimer();
    void SetPicture(TIcon& field, const TIcon* value);
    // Stores a changed value and passes it on to the tray while the icon is shown.
    template <class T>
    void Change(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        if (FActive)
            ChangeIcon();
    }

    std::unique_ptr<TTrayBackend> FBackend;
    QObject* FParent;
    std::string FName;

    bool FActive = false;
    std::uint32_t FAddedID = 0;  // the identifier of the activation, which removal uses
    TIcon FIcon;
    TIcon FDisabledIcon;
    TIcon FFrameIcon;
    std::string FHint;
    bool FShowHint = false;
    std::uint32_t FTaskIconID = 0;
    TStateTaskIcon FState = TStateTaskIcon::tiEnabled;
    std::vector<std::string> FIconList;
    std::uint32_t FInterval = 1000;
    int FFrameIndex = 0;
    std::uint32_t FTimerID = 147;
    std::string FFrameName;
    QMenu* FPopupMenu = nullptr;
    bool FFollowTray = false;
    QTimer FAnimationTimer;
    QTimer FTrayWatch;
};
