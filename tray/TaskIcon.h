#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tray/Icon.h"
#include "tray/NotifyArea.h"
#include "tray/String64.h"

class QMenu;
class QObject;

enum class TStateTaskIcon : std::uint8_t { tiEnabled = 0, tiDisabled = 1, tiAnimated = 2 };
enum class TWhereTaskIcon : std::uint8_t { tiInFiles = 0, tiInExe = 1 };

enum class TMouseButton : std::uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
using TShiftState = std::uint8_t;  // a set of shift keys and buttons; the icon reports none

// One icon with a tip text in the notification area. Property setters
// compare with the current value and pass a change on to the area at once
// while the icon is shown (Active). Mouse reports on the icon become the
// events; in state tiAnimated a timer (identifier 147) steps through the
// names of IconList, loading each frame afresh from its file or resource.
//
// The component acts through its own window, made on first use, which needs
// a parent; the area reports to that window. The area is not owned and must
// outlive the component.
class TTaskIcon final : public TNotifyWindow {
public:
    using TNotifyEvent = std::function<void(TTaskIcon* Sender)>;
    using TMouseEvent =
        std::function<void(TTaskIcon* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

    static constexpr std::uint32_t WM_TASKICON = NotifyMessage::WM_USER + 10;  // 0x040A
    static constexpr std::size_t MaxHint = String64::MaxCharacters;

    explicit TTaskIcon(TNotifyArea& area, QObject* parent = nullptr, std::string name = "TaskIcon");
    ~TTaskIcon();
    TTaskIcon(const TTaskIcon&) = delete;
    TTaskIcon& operator=(const TTaskIcon&) = delete;

    const std::string& Name() const { return FName; }
    QObject* Parent() const { return FParent; }
    void SetParent(QObject* parent) { FParent = parent; }

    bool Active() const { return FActive; }
    void SetActive(bool value);

    const TIcon& Icon() const { return FIcon; }
    void SetIcon(const TIcon* value);
    const TIcon& DisabledIcon() const { return FDisabledIcon; }
    void SetDisabledIcon(const TIcon* value);
    const TIcon& FrameIcon() const { return FFrameIcon; }

    const std::string& Hint() const { return FHint; }
    // Keeps the first 64 characters; an unchanged text costs a comparison.
    void SetHint(std::string_view value);

    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);

    std::uint32_t TaskIconID() const { return FTaskIconID; }
    void SetTaskIconID(std::uint32_t value);

    TStateTaskIcon State() const { return FState; }
    void SetState(TStateTaskIcon value);

    const std::vector<std::string>& IconList() const { return FIconList; }
    void SetIconList(const std::vector<std::string>& value) { FIconList = value; }

    std::uint32_t Interval() const { return FInterval; }
    void SetInterval(std::uint32_t value);

    // The menu a tray that shows menus itself (a StatusNotifierItem host)
    // offers on a right-click; not owned, and must outlive the component.
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* value);

    TWhereTaskIcon WhereIcons = TWhereTaskIcon::tiInFiles;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;
    TNotifyEvent OnAnimate;

    int FrameIndex() const { return FFrameIndex; }
    std::uint32_t TimerID() const { return FTimerID; }
    // The current frame's name, upper-cased; held whole, however long.
    const std::string& FrameName() const { return FFrameName; }
    // The record as filled at the last activation.
    const TNotifyIconData& IconData() const { return FIconData; }
    bool HandleAllocated() const { return FHandleAllocated; }

    // Whether the notification area can take an icon now.
    bool AreaAvailable() const { return FArea.Available(); }

    // The component's window procedure.
    void Dispatch(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;

private:
    bool MakeIcon();
    bool ChangeIcon();
    bool KillIcon();
    void LoadTaskIcon();
    void WMTASKICON(std::uint32_t id, std::uint32_t mouseMessage);
    void WMTIMER(std::uint32_t timerId);

    TNotifyWindow* Handle();
    TNotifyIconData Fill();
    const TIcon& ShownPicture() const;
    void StartTimer();
    void StopTimer();

    TNotifyArea& FArea;
    QObject* FParent;
    std::string FName;
    bool FHandleAllocated = false;

    TNotifyIconData FIconData;
    bool FActive = false;
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
};
