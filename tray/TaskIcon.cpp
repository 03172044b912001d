#include "tray/TaskIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <utility>

#include "tray/QtTrayBackend.h"
#include "tray/String64.h"
#include "tray/TrayErrors.h"

TTaskIcon::TTaskIcon(QObject* parent, std::string name, std::unique_ptr<TTrayBackend> backend)
    : FBackend(backend ? std::move(backend) : std::make_unique<TQtTrayBackend>()), FParent(parent),
      FName(std::move(name))
{
    FBackend->SetActivationHandler(
        [this](std::uint32_t id, TTrayActivation activation) { WMTASKICON(id, activation); });
    QObject::connect(&FAnimationTimer, &QTimer::timeout, [this] { WMTIMER(FTimerID); });
    FTrayWatch.setInterval(500);  // how often the component looks for the tray while it follows it
    QObject::connect(&FTrayWatch, &QTimer::timeout, [this] { WatchTray(); });
}

void TTaskIcon::RequireParent() const
{
    if (FParent == nullptr)
        throw EInvalidOperation(FName);
}

TTrayBackend::Look TTaskIcon::ShownLook() const
{
    const TIcon& picture = FState == TStateTaskIcon::tiDisabled   ? FDisabledIcon
                           : FState == TStateTaskIcon::tiAnimated ? FFrameIcon
                                                                  : FIcon;
    return {picture.Handle(), FShowHint ? FHint : std::string(), FPopupMenu};
}

void TTaskIcon::StartTimer()
{
    RequireParent();
    FAnimationTimer.start(static_cast<int>(std::min<std::uint32_t>(FInterval, 0x7FFFFFFF)));
}

bool TTaskIcon::MakeIcon()
{
    FFrameIndex = 0;
    LoadTaskIcon();
    if (FState == TStateTaskIcon::tiAnimated)
        StartTimer();
    RequireParent();
    FAddedID = FTaskIconID;
    return FBackend->Add(FAddedID, ShownLook());
}

void TTaskIcon::LoadTaskIcon()
{
    if (FIconList.empty())
        return;
    if (FFrameIndex < 0 || static_cast<std::size_t>(FFrameIndex) >= FIconList.size())
        FFrameIndex = 0;
    FFrameName = FIconList[static_cast<std::size_t>(FFrameIndex)];
    for (char& c : FFrameName)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (WhereIcons == TWhereTaskIcon::tiInExe)
        FFrameIcon.LoadFromResource(FFrameName);
    else
        FFrameIcon.LoadFromFile(FFrameName);
}

void TTaskIcon::SetActive(bool value)
{
    // A request the tray refuses leaves the icon as it was.
    if (value != FActive && (value ? MakeIcon() : KillIcon()))
        FActive = value;
}

// A picture is copied, never compared: only the component's own picture is the same.
void TTaskIcon::SetPicture(TIcon& field, const TIcon* value)
{
    if (value == &field)
        return;
    if (value == nullptr)
        field.Clear();
    else
        field.Assign(*value);
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
        FAnimationTimer.stop();
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
        FAnimationTimer.stop();
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

void TTaskIcon::WatchTray()
{
    if (!FFollowTray || FBackend->Available() == FActive)
        return;
    // A tray that came after the icon was asked for takes it now; one that
    // went takes the icon with it.
    const bool gone = FActive;
    SetActive(!gone);
    if (gone && OnTrayGone)
        OnTrayGone(this);
}

void TTaskIcon::WMTASKICON(std::uint32_t id, TTrayActivation activation)
{
    if (id != FTaskIconID)
        return;
    if (activation == TTrayActivation::Click && OnClick)
        OnClick(this);
    if (activation == TTrayActivation::DoubleClick && OnDblClick)
        OnDblClick(this);
    if (activation == TTrayActivation::Context && OnRightClick) {
        // The pointer where it is now; without a screen there is none.
        const QPoint at = QGuiApplication::primaryScreen() != nullptr ? QCursor::pos() : QPoint();
        OnRightClick(this, TMouseButton::mbRight, TShiftState{}, at.x(), at.y());
    }
}

void TTaskIcon::WMTIMER(std::uint32_t timerId)
{
    if (timerId != FTimerID || FIconList.empty())
        return;
    ++FFrameIndex;  // past the last name, the frame loaded is the first
    LoadTaskIcon();
    if (FActive)
        ChangeIcon();
    if (FState == TStateTaskIcon::tiAnimated && OnAnimate && FActive)
        OnAnimate(this);
}
