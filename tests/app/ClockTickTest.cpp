#include <gtest/gtest.h>

#include "app/ClockTick.h"

// Ticks that fall from a little before their place to the slack and a
// little more after it stay; others are brought back to the place, counted
// from the tenth of the second they fell in.
TEST(ClockTick, RealignsOnlyTicksOffTheirPlace)
{
    struct Case {
        int intoSecond;
        std::optional<int> next;
    } cases[] = {{5, {}}, {2, {}},  {70, {}}, {105, {}}, {140, {}}, {1, 4},
                 {0, 5},  {71, 34}, {80, 25}, {99, 6},   {175, 30}, {999, 6}};
    for (const Case& c : cases)
        EXPECT_EQ(ClockTick::Realign(c.intoSecond), c.next) << c.intoSecond << " ms into the second";
}

TEST(ClockTick, OnlyTheFirstTickOfASecondFindsItNew)
{
    ClockTick tick;
    EXPECT_TRUE(tick.NewSecond(0));  // the very first, even at the epoch
    EXPECT_FALSE(tick.NewSecond(0));
    EXPECT_TRUE(tick.NewSecond(1));
    EXPECT_TRUE(tick.NewSecond(0));  // the clock set back
    EXPECT_FALSE(tick.NewSecond(0));
}
