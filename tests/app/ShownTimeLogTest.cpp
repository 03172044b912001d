#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/ShownTimeLog.h"

namespace {

// One step: either the clock label shows a text, or the alarm check runs
// (with the alarm text) and must find a match or not.
struct Step {
    enum Kind { Show, Check, Clear } kind;
    const char* text;
    bool match = false;
};

struct LogCase {
    const char* name;
    std::vector<Step> steps;
};

void PrintTo(const LogCase& c, std::ostream* out)
{
    *out << c.name;
}

class ShownTimeLogCases : public ::testing::TestWithParam<LogCase> {};

TEST_P(ShownTimeLogCases, MatchesEachShownSecondOnce)
{
    ShownTimeLog log;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        switch (step.kind) {
        case Step::Show:
            log.Shown(step.text);
            break;
        case Step::Check:
            EXPECT_EQ(log.TakeMatch(step.text), step.match) << "step " << index;
            break;
        case Step::Clear:
            log.Clear();
            break;
        }
        ++index;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ShownTimeLogCases,
                         ::testing::Values(LogCase{"CheckInsideTheSecond",
                                                   {{Step::Show, "07:29:59"},
                                                    {Step::Check, "07:30:00", false},
                                                    {Step::Show, "07:30:00"},
                                                    {Step::Check, "07:30:00", true}}},
                                           LogCase{"LateCheckStillFindsTheSkippedSecond",
                                                   {{Step::Show, "07:29:59"},
                                                    {Step::Check, "07:30:00", false},
                                                    {Step::Show, "07:30:00"},
                                                    {Step::Show, "07:30:01"},
                                                    {Step::Check, "07:30:00", true}}},
                                           LogCase{"TwoChecksInOneSecondRingOnce",
                                                   {{Step::Show, "07:30:00"},
                                                    {Step::Check, "07:30:00", true},
                                                    {Step::Show, "07:30:00"},
                                                    {Step::Check, "07:30:00", false}}},
                                           LogCase{"RepeatedTicksOfOneSecondCountOnce",
                                                   {{Step::Show, "07:30:00"},
                                                    {Step::Show, "07:30:00"},
                                                    {Step::Show, "07:30:00"},
                                                    {Step::Check, "07:30:00", true},
                                                    {Step::Check, "07:30:00", false}}},
                                           LogCase{"ExactTextOnly",
                                                   {{Step::Show, "7:30:00"},
                                                    {Step::Check, "07:30:00", false},
                                                    {Step::Show, "07:30:01"},
                                                    {Step::Check, "07:30:0", false},
                                                    {Step::Show, "07:30:02"},
                                                    {Step::Check, "07:30:02 ", false},
                                                    {Step::Show, "11:09:10 PM"},
                                                    {Step::Check, "11:09:10 pm", false}}},
                                           LogCase{"EmptyAlarmNeverMatchesAShownText",
                                                   {{Step::Show, "07:30:00"}, {Step::Check, "", false}}},
                                           LogCase{"ArmingInsideTheSecondDoesNotRingThatSecond",
                                                   {{Step::Show, "07:30:00"},
                                                    {Step::Clear, ""},
                                                    {Step::Check, "07:30:00", false},
                                                    {Step::Show, "07:30:01"},
                                                    {Step::Check, "07:30:01", true}}},
                                           LogCase{"SameTextNextDayRingsAgain",
                                                   {{Step::Show, "07:30:00"},
                                                    {Step::Check, "07:30:00", true},
                                                    {Step::Show, "07:30:01"},
                                                    {Step::Check, "x", false},
                                                    {Step::Show, "07:30:00"},
                                                    {Step::Check, "07:30:00", true}}}),
                         [](const ::testing::TestParamInfo<LogCase>& info) { return std::string(info.param.name); });

// A text of a series: the letter, then the number.
std::string Numbered(char letter, std::size_t number)
{
    std::string text(1, letter);
    text += std::to_string(number);
    return text;
}

TEST(ShownTimeLog, KeepsOnlyTheNewestTextsWhenACheckIsVeryLate)
{
    ShownTimeLog log;
    const std::size_t total = ShownTimeLog::Capacity + 10;
    for (std::size_t i = 0; i < total; ++i)
        log.Shown(Numbered('t', i));
    EXPECT_EQ(log.Pending(), ShownTimeLog::Capacity);
    // The oldest ten were dropped, the newest are all still there.
    EXPECT_FALSE(log.TakeMatch("t9"));
    for (std::size_t i = 0; i < total; ++i)
        log.Shown(Numbered('u', i));
    EXPECT_TRUE(log.TakeMatch("u10"));
    for (std::size_t i = 0; i < total; ++i)
        log.Shown(Numbered('v', i));
    EXPECT_TRUE(log.TakeMatch(Numbered('v', total - 1)));
    EXPECT_EQ(log.Pending(), 0u);
}

}  // namespace
