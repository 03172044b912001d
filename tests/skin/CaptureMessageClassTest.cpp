// The event hook on an object it does not own.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <memory>
#include <vector>

#include "skin/CaptureMessageClass.h"

namespace {

// An object that records the events its own handling sees and answers
// "handled" for user events.
class Watched : public QObject {
public:
    std::vector<QEvent::Type> seen;
    bool event(QEvent* e) override
    {
        seen.push_back(e->type());
        return e->type() >= QEvent::User;
    }
};

constexpr auto kA = static_cast<QEvent::Type>(QEvent::User + 1);
constexpr auto kB = static_cast<QEvent::Type>(QEvent::User + 2);

bool Send(QObject& to, QEvent::Type type)
{
    QEvent e(type);
    return QCoreApplication::sendEvent(&to, &e);
}

TEST(CaptureMessageClassTest, WithoutHandlersEveryEventReachesTheObjectUnchanged)
{
    Watched watched;
    TfcCaptureMessageClass hook(nullptr);
    hook.SetWndHandle(&watched);
    hook.SetEnabled(true);
    EXPECT_TRUE(hook.SubClassed());
    EXPECT_TRUE(Send(watched, kA));
    EXPECT_EQ(watched.seen, (std::vector<QEvent::Type>{kA}));
}

TEST(CaptureMessageClassTest, HandlersRunBeforeAndAfterWithTheObjectsAnswer)
{
    Watched watched;
    TfcCaptureMessageClass hook(nullptr);
    std::vector<std::string> order;
    bool resultSeenAfter = false;
    hook.OnBeforeWndProc = [&](TfcMessage& m, bool& process) {
        order.push_back("before");
        // B is kept from the object and from the after-handler.
        process = m.Event->type() != kB;
    };
    hook.OnAfterWndProc = [&](TfcMessage& m) {
        order.push_back("after:" + std::to_string(watched.seen.size()));
        resultSeenAfter = m.Result;
    };
    hook.SetWndHandle(&watched);
    hook.SetEnabled(true);

    Send(watched, kA);
    EXPECT_EQ(order, (std::vector<std::string>{"before", "after:1"}));
    EXPECT_TRUE(resultSeenAfter);
    order.clear();
    Send(watched, kB);
    EXPECT_EQ(order, (std::vector<std::string>{"before"}));
    EXPECT_EQ(watched.seen, (std::vector<QEvent::Type>{kA}));
}

TEST(CaptureMessageClassTest, DestroyingTheHookRestoresTheObjectsOwnHandling)
{
    Watched watched;
    int after = 0;
    {
        auto hook = std::make_unique<TfcCaptureMessageClass>(nullptr);
        hook->OnAfterWndProc = [&](TfcMessage&) { ++after; };
        hook->SetWndHandle(&watched);
        hook->SetEnabled(true);
        Send(watched, kA);
    }
    Send(watched, kA);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(watched.seen.size(), 2u);
}

struct StateStep {
    enum { Enable, Disable, SetHandle, SetOtherHandle, ClearHandle } what;
    bool enabled;     // the flag afterwards
    bool subclassed;  // a filter on a live object afterwards
};

TEST(CaptureMessageClassTest, StateFollowsTheRules)
{
    Watched first;
    Watched second;
    TfcCaptureMessageClass hook(nullptr);
    int after = 0;
    hook.OnAfterWndProc = [&](TfcMessage&) { ++after; };
    const std::vector<StateStep> steps = {
        {StateStep::Disable, false, false},         // disabling a disabled hook does nothing
        {StateStep::Enable, true, false},           // no object yet: the flag only
        {StateStep::SetHandle, true, true},         // enabled: the object is watched at once
        {StateStep::Enable, true, true},            // enabling twice watches once
        {StateStep::SetOtherHandle, false, false},  // replacing the object disables
        {StateStep::Enable, true, true},           {StateStep::Disable, false, false},
        {StateStep::Disable, false, false},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        switch (steps[i].what) {
        case StateStep::Enable:
            hook.SetEnabled(true);
            break;
        case StateStep::Disable:
            hook.SetEnabled(false);
            break;
        case StateStep::SetHandle:
            hook.SetWndHandle(&first);
            break;
        case StateStep::SetOtherHandle:
            hook.SetWndHandle(&second);
            break;
        case StateStep::ClearHandle:
            hook.SetWndHandle(nullptr);
            break;
        }
        EXPECT_EQ(hook.Enabled(), steps[i].enabled) << "step " << i;
        EXPECT_EQ(hook.SubClassed(), steps[i].subclassed) << "step " << i;
    }
    // Watched once while enabled on `first`, never twice per event.
    after = 0;
    hook.SetWndHandle(&first);
    hook.SetEnabled(true);
    hook.SetEnabled(true);
    Send(first, kA);
    Send(second, kA);
    EXPECT_EQ(after, 1);
}

TEST(CaptureMessageClassTest, AControlIsWatchedThroughItsOwnEvents)
{
    QWidget control;
    TfcCaptureMessageClass hook(nullptr);
    hook.SetEnabled(true);
    hook.SetWndControl(&control);
    EXPECT_EQ(hook.WndHandle(), &control);
    EXPECT_EQ(hook.WndControl(), &control);
    EXPECT_TRUE(hook.SubClassed());
    hook.SetWndControl(nullptr);  // none: ignored
    EXPECT_EQ(hook.WndControl(), &control);
}

TEST(CaptureMessageClassTest, AnObjectDestroyedWhileWatchedTakesTheFilterAlong)
{
    TfcCaptureMessageClass hook(nullptr);
    {
        Watched watched;
        hook.SetWndHandle(&watched);
        hook.SetEnabled(true);
        EXPECT_TRUE(hook.SubClassed());
    }
    EXPECT_FALSE(hook.SubClassed());
    EXPECT_EQ(hook.WndHandle(), nullptr);
    hook.SetEnabled(false);
    EXPECT_FALSE(hook.Enabled());
}

}  // namespace
