#include "tray/TaskIcon.h"

#include <utility>

#include "tray/TrayErrors.h"

TTaskIcon::TTaskIcon(TNotifyArea& area, QObject* parent, std::string name)
    : FArea(area), FParent(parent), FName(std::move(name))
{
}

TTaskIcon::~TTaskIcon()
{
    if (FActive)
        SetActive(false);
    // The window goes last, and its timers with it.
    if (FHandleAllocated)
        FArea.WindowDestroyed(this);
}

TNotifyWindow* TTaskIcon::Handle()
{
    if (!FHandleAllocated) {
        if (FParent == nullptr)
            throw EInvalidOperation(FName);
        FHandleAllocated = true;
    }
    return this;
}

const TIcon& TTaskIcon::ShownPicture() const
{
    switch (FState) {
    case TStateTaskIcon::tiDisabled:
        return FDisabledIcon;
    case TStateTaskIcon::tiAnimated:
        return FFrameIcon;
    case TStateTaskIcon::tiEnabled:
        break;
    }
    return FIcon;
}

TNotifyIconData TTaskIcon::Fill()
{
    TNotifyIconData data;
    data.cbSize = 88;
    data.hWnd = Handle();
    data.uID = FTaskIconID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TASKICON;
    data.hIcon = ShownPicture().Handle();
    if (FShowHint)
        data.szTip = FHint;
    data.hMenu = FPopupMenu;
    return data;
}

void TTaskIcon::StartTimer()
{
    FArea.SetTimer(Handle(), FTimerID, FInterval);
}

void TTaskIcon::StopTimer()
{
    if (FHandleAllocated)
        FArea.KillTimer(this, FTimerID);
}

bool TTaskIcon::MakeIcon()
{
    FFrameIndex = 0;
    LoadTaskIcon();
    if (FState == TStateTaskIcon::tiAnimated)
        StartTimer();
    FIconData = Fill();
    return FArea.Add(FIconData);
}

bool TTaskIcon::ChangeIcon()
{
    return FArea.Modify(Fill());
}

bool TTaskIcon::KillIcon()
{
    return FArea.Remove(FIconData);
}

void TTaskIcon::LoadTaskIcon()
{
    if (FIconList.empty())
        return;
    if (FFrameIndex < 0 || static_cast<std::size_t>(FFrameIndex) >= FIconList.size())
        FFrameIndex = 0;
    std::string name = FIconList[static_cast<std::size_t>(FFrameIndex)];
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    FFrameName = name;
    if (WhereIcons == TWhereTaskIcon::tiInExe)
        FFrameIcon.SetHandle(FArea.LoadIcon(name));
    else
        FFrameIcon.LoadFromFile(name);
}

void TTaskIcon::SetActive(bool value)
{
    if (value == FActive)
        return;
    if (value) {
        if (MakeIcon())
            FActive = true;
    } else {
        if (KillIcon())
            FActive = false;
    }
}

void TTaskIcon::SetIcon(const TIcon* value)
{
    if (value == &FIcon)
        return;
    if (value == nullptr)
        FIcon.Clear();
    else
        FIcon.Assign(*value);
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetDisabledIcon(const TIcon* value)
{
    if (value == &FDisabledIcon)
        return;
    if (value == nullptr)
        FDisabledIcon.Clear();
    else
        FDisabledIcon.Assign(*value);
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetHint(std::string_view value)
{
    // The owner sets the same hint again and again (ten times a second):
    // a hint equal to the one held is its own cut, and changes nothing.
    if (value == FHint)
        return;
    const std::string_view cut = String64::Cut(value);
    if (cut == FHint)
        return;
    FHint.assign(cut);
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetPopupMenu(QMenu* value)
{
    if (value == FPopupMenu)
        return;
    FPopupMenu = value;
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetShowHint(bool value)
{
    if (value == FShowHint)
        return;
    FShowHint = value;
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetTaskIconID(std::uint32_t value)
{
    if (value == FTaskIconID)
        return;
    FTaskIconID = value;
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetState(TStateTaskIcon value)
{
    if (value == FState)
        return;
    FState = value;
    if (value == TStateTaskIcon::tiAnimated) {
        FFrameIndex = 0;
        LoadTaskIcon();
        if (FActive)
            StartTimer();
    } else if (FActive) {
        StopTimer();
    }
    if (FActive)
        ChangeIcon();
}

void TTaskIcon::SetInterval(std::uint32_t value)
{
    if (value == FInterval)
        return;
    FInterval = value;
    if (FActive) {
        StopTimer();
        StartTimer();
        FFrameIndex = 0;
        LoadTaskIcon();
    }
}

void TTaskIcon::Dispatch(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam)
{
    if (message == WM_TASKICON)
        WMTASKICON(wParam, lParam);
    else if (message == NotifyMessage::WM_TIMER)
        WMTIMER(wParam);
}

void TTaskIcon::WMTASKICON(std::uint32_t id, std::uint32_t mouseMessage)
{
    if (id != FTaskIconID)
        return;
    switch (mouseMessage) {
    case NotifyMessage::WM_LBUTTONUP:
        if (OnClick)
            OnClick(this);
        break;
    case NotifyMessage::WM_LBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick(this);
        break;
    case NotifyMessage::WM_RBUTTONUP:
        if (OnRightClick) {
            const QPoint at = FArea.CursorPos().value_or(QPoint());
            OnRightClick(this, TMouseButton::mbRight, TShiftState{}, at.x(), at.y());
        }
        break;
    default:
        break;
    }
}

void TTaskIcon::WMTIMER(std::uint32_t timerId)
{
    if (timerId != FTimerID)
        return;
    if (FIconList.empty())
        return;
    ++FFrameIndex;
    if (static_cast<std::size_t>(FFrameIndex) >= FIconList.size())
        FFrameIndex = 0;
    LoadTaskIcon();
    if (FActive)
        ChangeIcon();
    if (FState == TStateTaskIcon::tiAnimated && OnAnimate && FActive)
        OnAnimate(this);
}
