// The drag loop with its pointer and messages scripted.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "FakeDragPlatform.h"
#include "skin/ImageForm.h"

namespace {

using S = FakeDragPlatform;

class DragLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.setFixedSize(399, 201);
        image = new TfcImageForm(&form);
        image->SetParent(&form);
        auto owned = std::make_unique<FakeDragPlatform>();
        fake = owned.get();
        image->SetDragPlatform(std::move(owned));
        start = fake->formAt;
    }

    // Presses at a client point and runs the loop over the script.
    void Drag(QPoint at, std::vector<FakeDragPlatform::Step> steps)
    {
        fake->PressAt(at);
        fake->script.assign(steps.begin(), steps.end());
        image->FormMouseDown(Qt::LeftButton, {}, at.x(), at.y());
    }

    // The three outlines of a frame at the form's place plus an offset.
    std::vector<QRect> FrameAt(QPoint offset) const
    {
        const QRect outer(start + offset, fake->formSize);
        return {outer, outer.adjusted(1, 1, -1, -1), outer.adjusted(2, 2, -2, -2)};
    }

    QWidget form;
    TfcImageForm* image = nullptr;
    FakeDragPlatform* fake = nullptr;
    QPoint start;
};

struct LoopCase {
    const char* name;
    std::vector<FakeDragPlatform::Step> steps;
    std::optional<QPoint> moved;      // the form's move, if any
    std::optional<QPoint> lastFrame;  // where the last frame was drawn, if one was
    int releasesDispatched = 1;
    std::vector<int> quits = {};
};

void PrintTo(const LoopCase& c, std::ostream* os)
{
    *os << c.name;
}

class FrameDrag : public DragLoop, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(FrameDrag, MovesTheFormToTheLastFrame)
{
    const LoopCase& c = GetParam();
    Drag({50, 120}, c.steps);

    if (c.moved) {
        ASSERT_EQ(fake->formMoves.size(), 1u);
        EXPECT_EQ(fake->formMoves.front(), start + *c.moved);
    } else {
        EXPECT_TRUE(fake->formMoves.empty())
            << "moved to " << fake->formMoves.front().x() << "," << fake->formMoves.front().y();
    }
    if (c.lastFrame) {
        ASSERT_GE(fake->inverted.size(), 3u);
        const std::vector<QRect> expected = FrameAt(*c.lastFrame);
        // The last frame drawn is the last one erased again.
        EXPECT_EQ(std::vector<QRect>(fake->inverted.end() - 3, fake->inverted.end()), expected);
    } else {
        EXPECT_TRUE(fake->inverted.empty());
    }
    EXPECT_EQ(fake->dispatchedUps, c.releasesDispatched);
    EXPECT_EQ(fake->quitsPosted, c.quits);
    // However the loop ended: no frame left, no grab held, not dragging.
    EXPECT_TRUE(fake->onScreen.empty()) << fake->onScreen.size() << " outlines left on the screen";
    EXPECT_FALSE(fake->capture);
    EXPECT_FALSE(image->Dragging());
    EXPECT_FALSE(image->FrameOnScreen());
    EXPECT_EQ(fake->captures, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, FrameDrag,
    ::testing::Values(
        LoopCase{"WithinToleranceEverywhere",
                 {S::Move(3, 2), S::Move(5, 5), S::Move(-5, 5), S::Move(5, -5), S::Up()},
                 std::nullopt,
                 std::nullopt},
        LoopCase{"FiveRightIsWithin", {S::Move(5, 0), S::Move(5, 0), S::Up()}, std::nullopt, std::nullopt},
        LoopCase{"SixRightMovesSix", {S::Move(6, 0), S::Move(6, 0), S::Up()}, QPoint(6, 0), QPoint(6, 0)},
        LoopCase{"FiveUpIsWithin", {S::Move(0, -5), S::Move(0, -5), S::Up()}, std::nullopt, std::nullopt},
        LoopCase{"SixUpMovesSix", {S::Move(0, -6), S::Move(0, -6), S::Up()}, QPoint(0, -6), QPoint(0, -6)},
        // The move is handled with the pointer read before it arrived.
        LoopCase{"JumpOfSixThenReleaseAtOnce", {S::Move(6, 0), S::Up()}, std::nullopt, std::nullopt},
        LoopCase{"AnyMessageBetweenLetsTheJumpCount",
                 {S::Move(6, 0), S::Other(), S::Move(6, 0), S::Up()},
                 QPoint(6, 0),
                 QPoint(6, 0)},
        LoopCase{"OutFortyAndBackWithinThree",
                 {S::Move(20, 0), S::Move(40, 0), S::Move(2, 1), S::Move(3, 0), S::Move(3, 0), S::Up()},
                 QPoint(40, 0),
                 QPoint(40, 0)},
        LoopCase{"StepsAndOneMoreMove",
                 {S::Move(10, 6), S::Move(20, 12), S::Move(30, 19), S::Move(40, 25), S::Move(41, 25), S::Up()},
                 QPoint(40, 25),
                 QPoint(40, 25)},
        LoopCase{"WithoutTheExtraMoveTheLastStepDoesNotCount",
                 {S::Move(10, 6), S::Move(20, 12), S::Move(30, 19), S::Move(40, 25), S::Up()},
                 QPoint(30, 19),
                 QPoint(30, 19)},
        LoopCase{
            "QuitDuringTheDrag", {S::Move(20, 0), S::Move(30, 0), S::Quit(3)}, std::nullopt, QPoint(20, 0), 0, {3}},
        LoopCase{
            "GrabLostDuringTheDrag", {S::Move(20, 0), S::Move(30, 0), S::LoseGrab()}, std::nullopt, QPoint(20, 0), 0},
        LoopCase{"WaitFails", {S::Move(20, 0), S::Move(30, 0), S::Error()}, std::nullopt, QPoint(20, 0), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DragLoop, OtherMessagesAreDispatchedDuringTheDrag)
{
    Drag({50, 120}, {S::Other(), S::Move(20, 0), S::Other(), S::Other(), S::Move(20, 0), S::Up()});
    EXPECT_EQ(fake->dispatchedOthers, 3);
    EXPECT_EQ(fake->dispatchedUps, 1);
    ASSERT_EQ(fake->formMoves.size(), 1u);
    EXPECT_EQ(fake->formMoves.front(), start + QPoint(20, 0));
}

TEST_F(DragLoop, ALaterPressAndReleaseAfterALostGrabLeavesTheForm)
{
    Drag({50, 120}, {S::Move(20, 0), S::Move(30, 0), S::LoseGrab()});
    fake->leftDown = true;
    Drag({50, 120}, {S::Up()});
    EXPECT_TRUE(fake->formMoves.empty());
    EXPECT_EQ(fake->captures, 2);
    EXPECT_TRUE(fake->onScreen.empty());
}

TEST_F(DragLoop, CaptionBarControlLimitsWherePressesMove)
{
    auto* bar = new QWidget(&form);
    bar->setGeometry(0, 0, 100, 20);
    image->SetCaptionBarControl(bar);

    Drag({50, 30}, {S::Move(20, 0), S::Move(20, 0), S::Up()});
    EXPECT_EQ(fake->captures, 0) << "a press outside the caption bar started the loop";
    Drag({50, 10}, {S::Move(20, 0), S::Move(20, 0), S::Up()});
    EXPECT_EQ(fake->captures, 1);
    ASSERT_EQ(fake->formMoves.size(), 1u);
    EXPECT_EQ(fake->formMoves.front(), start + QPoint(20, 0));
}

struct LiveCase {
    const char* name;
    bool option;
    bool setting;
    bool onlySystemMove;
    bool systemMoveWorks;
    bool expectSystemMove;
    bool expectLoop;
};

void PrintTo(const LiveCase& c, std::ostream* os)
{
    *os << c.name;
}

class LiveDrag : public DragLoop, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(LiveDrag, ChoosesTheWindowSystemsMoveOrTheFrame)
{
    const LiveCase& c = GetParam();
    image->SetOptions({c.option});
    fake->fullWindowsSetting = c.setting;
    fake->onlySystemMove = c.onlySystemMove;
    fake->systemMoveWorks = c.systemMoveWorks;
    Drag({50, 120}, {S::Move(20, 0), S::Move(20, 0), S::Up()});
    EXPECT_EQ(fake->systemMoves, c.expectSystemMove ? 1 : 0);
    EXPECT_EQ(fake->captures, c.expectLoop ? 1 : 0);
    if (c.expectLoop) {
        ASSERT_FALSE(fake->formMoves.empty());
        EXPECT_EQ(fake->formMoves.back(), start + QPoint(20, 0));
    }
    EXPECT_TRUE(fake->onScreen.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LiveDrag,
    ::testing::Values(LiveCase{"OptionAndSettingUseTheSystemMove", true, true, false, true, true, false},
                      LiveCase{"OptionWithSettingOffDrawsTheFrame", true, false, false, true, false, true},
                      LiveCase{"NoOptionDrawsTheFrame", false, true, false, true, false, true},
                      LiveCase{"NativeWaylandAlwaysUsesTheSystemMove", false, false, true, true, true, false},
                      LiveCase{"RefusedSystemMoveFallsBackToTheLoop", true, true, false, false, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// With the system's move refused, the own loop moves the form live: it
// follows the pointer without a frame, dropping moves that queued up.
TEST_F(DragLoop, LiveLoopFollowsThePointerWithoutAFrame)
{
    image->SetOptions({true});
    fake->systemMoveWorks = false;
    Drag({50, 120}, {S::Move(3, 0), S::Move(30, 5), S::Move(31, 5), S::Move(32, 6), S::Move(33, 6), S::Up()});
    EXPECT_TRUE(fake->inverted.empty());
    ASSERT_EQ(fake->formMoves.size(), 1u);
    // The queued moves were dropped and the form went to the latest pointer.
    EXPECT_EQ(fake->formMoves.front(), start + QPoint(33, 6));
    EXPECT_EQ(fake->sleeps, 1);
    EXPECT_EQ(fake->movesRemoved, 2);
}

TEST_F(DragLoop, DrawingTheSameFrameTwiceTakesItAway)
{
    const QRect r(100, 100, 399, 201);
    image->DrawFocusRect(r);
    EXPECT_EQ(fake->onScreen.size(), 3u);
    EXPECT_TRUE(image->FrameOnScreen());
    image->DrawFocusRect(r);
    EXPECT_TRUE(fake->onScreen.empty());
    EXPECT_FALSE(image->FrameOnScreen());
}

// Presses reach the loop through the form's events.
class PressKinds : public DragLoop {
protected:
    void Send(QEvent::Type type, Qt::MouseButton button, QPoint at)
    {
        QMouseEvent event(type, QPointF(at), QPointF(at), QPointF(form.mapToGlobal(at)), button, button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &event);
    }
    void Settle() { QCoreApplication::processEvents(); }
};

TEST_F(PressKinds, OnlyALeftPressStartsTheLoop)
{
    fake->script = {S::Up()};
    Send(QEvent::MouseButtonPress, Qt::RightButton, {50, 120});
    Send(QEvent::MouseButtonPress, Qt::MiddleButton, {50, 120});
    Settle();
    EXPECT_EQ(fake->captures, 0);

    // The second press of a double click comes with a double-click event,
    // which withdraws it.
    Send(QEvent::MouseButtonPress, Qt::LeftButton, {50, 120});
    Send(QEvent::MouseButtonDblClick, Qt::LeftButton, {50, 120});
    Settle();
    EXPECT_EQ(fake->captures, 0);

    Send(QEvent::MouseButtonPress, Qt::LeftButton, {50, 120});
    Settle();
    EXPECT_EQ(fake->captures, 1);
    // Only the left presses held the pointer, each at its screen point; the
    // withdrawn one gave it back, the last one's loop took it.
    EXPECT_EQ(fake->holds, (std::vector<QPoint>(2, form.mapToGlobal(QPoint(50, 120)))));
    EXPECT_EQ(fake->holdsEnded, 1);
    EXPECT_FALSE(fake->holding);
}

TEST_F(PressKinds, APressReleasedBeforeItsTurnStartsNothingAndLetsThePointerGo)
{
    fake->leftDown = false;
    Send(QEvent::MouseButtonPress, Qt::LeftButton, {50, 120});
    EXPECT_TRUE(fake->holding);
    Settle();
    EXPECT_EQ(fake->captures, 0);
    EXPECT_EQ(fake->holdsEnded, 1);
    EXPECT_FALSE(fake->holding);
}

TEST_F(PressKinds, APressOutsideTheCaptionBarLetsThePointerGo)
{
    auto* bar = new QWidget(&form);
    bar->setGeometry(0, 0, 100, 20);
    image->SetCaptionBarControl(bar);
    Send(QEvent::MouseButtonPress, Qt::LeftButton, {50, 120});
    Settle();
    EXPECT_EQ(fake->captures, 0);
    EXPECT_EQ(fake->holdsEnded, 1);
}

}  // namespace
