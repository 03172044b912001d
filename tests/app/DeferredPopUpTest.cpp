#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>

#include "app/DeferredPopUp.h"

namespace {

TEST(DeferredPopUp, AWaitingMenuOpensAtItsPlaceWhenTheWaitRunsOut)
{
    QMenu first;
    first.addAction(QStringLiteral("Exit"));
    QMenu second;
    second.addAction(QStringLiteral("Show"));
    TDeferredPopUp popUp(nullptr, 20);
    popUp.Defer(&first, QPoint(40, 50));
    popUp.Defer(&second, QPoint(60, 70));  // one waits at a time: the later one
    EXPECT_TRUE(popUp.Pending());
    EXPECT_FALSE(second.isVisible()) << "it waits";
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.isVisible(); }, 2000));
    EXPECT_EQ(second.pos(), QPoint(60, 70));
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(popUp.Pending());
    second.hide();
}

TEST(DeferredPopUp, ACancelledOrDestroyedMenuNeverOpens)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Exit"));
    TDeferredPopUp popUp(nullptr, 10);
    popUp.Defer(&menu, QPoint(10, 10));
    popUp.Cancel();
    EXPECT_FALSE(popUp.Pending());
    auto* gone = new QMenu;
    popUp.Defer(gone, QPoint(10, 10));
    delete gone;
    EXPECT_FALSE(popUp.Pending()) << "a menu destroyed while it waits is forgotten";
    // A wait that runs out afterwards opens only what waits then.
    QMenu later;
    later.addAction(QStringLiteral("Show"));
    TDeferredPopUp other(nullptr, 10);
    other.Defer(&later, QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return later.isVisible(); }, 2000));
    EXPECT_FALSE(menu.isVisible());
    later.hide();
}

}  // namespace
