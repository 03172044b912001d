#include "tray/TaskIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <utility>

#include "tray/QtTrayBackend.h"
#include "tray/TrayErrors.h"

TTaskIcon::TTaskIcon(QObject* parent, std::string name, std::unique_ptr<TTrayBackend> backend)
    : FBackend(backend ? std::move(backend) : std::make_unique<TQtTrayBackend>()), FParent(parent),
      FName(std::move(name))
{
    FBackend->SetActivationHandler(
        [this](std::uint32_t id, TTrayActivation activation) { WMTASKICON(id, activation); });
    QObject::connect(&FAnimationTimer, &QTimer::timeout, [this] { WMTIMER(FTimerID); });
    FTrayWatch.setInterval(kTrayWatchInterval);
    QObject::connect(&FTrayWatch, &QTimer::timeout, [this] { WatchTray(); });
}

TTaskIcon::~TTaskIcon()
{
    if (FActive)
        SetActive(false);
}

void TTaskIcon::RequireParent() const
{
    if (FParent == nullptr)
        throw EInvalidOperation(FName);
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

void TTaskIcon::StartTimer()
{
    RequireParent();
    FAnimationTimer.start(static_cast<int>(std::min<std::uint32_t>(FInterval, 0x7FFFFFFF)));
}

void TTaskIcon::StopTimer()
{
    FAnimationTimer.stop();
}

bool TTaskIcon::MakeIcon()
{
    FFrameIndex = 0;
    LoadTaskIcon();
    if (FState == TStateTaskIcon::tiAnimated)
        StartTimer();
    RequireParent();
    FAddedID = FTaskIconID;
    return FBackend->Add(FAddedID, {ShownPicture().Handle(), FShowHint ? FHint : std::string(), FPopupMenu});
}

bool TTaskIcon::ChangeIcon()
{
    return FBackend->Modify(FTaskIconID, {ShownPicture().Handle(), FShowHint ? FHint : std::string(), FPopupMenu});
}

bool TTaskIcon::KillIcon()
{
    return FBackend->Remove(FAddedID);
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
        FFrameIcon.LoadFromResource(name);
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

void TTaskIcon::SetPopupMenu(QMenu* value)
{
    if (value == FPopupMenu)
        return;
    FPopupMenu = value;
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

void TTaskIcon::SetFollowTray(bool value)
{
    FFollowTray = value;
    if (value)
        FTrayWatch.start();
    else
        FTrayWatch.stop();
}

bool TTaskIcon::TrayAvailable() const
{
    return FBackend->Available();
}

void TTaskIcon::WatchTray()
{
    if (!FFollowTray)
        return;
    const bool available = FBackend->Available();
    if (!FActive) {
        // A tray that came after the icon was asked for takes it now.
        if (available)
            SetActive(true);
        return;
    }
    if (!available) {
        SetActive(false);
        if (OnTrayGone)
            OnTrayGone(this);
    }
}

void TTaskIcon::WMTASKICON(std::uint32_t id, TTrayActivation activation)
{
    if (id != FTaskIconID)
        return;
    switch (activation) {
    case TTrayActivation::Click:
        if (OnClick)
            OnClick(this);
        break;
    case TTrayActivation::DoubleClick:
        if (OnDblClick)
            OnDblClick(this);
        break;
    case TTrayActivation::Context:
        if (OnRightClick) {
            // The pointer where it is now; without a screen there is none.
            const QPoint at = QGuiApplication::primaryScreen() != nullptr ? QCursor::pos() : QPoint();
            OnRightClick(this, TMouseButton::mbRight, TShiftState{}, at.x(), at.y());
        }
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
