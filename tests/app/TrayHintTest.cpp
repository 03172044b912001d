#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "app/TrayHint.h"

namespace {

struct RuleCase {
    const char* name;
    bool armed;
    std::string alarm;
    std::string refresh;
    std::string immediate;
};

void PrintTo(const RuleCase& c, std::ostream* out)
{
    *out << c.name;
}

class TrayHintRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(TrayHintRules, GiveTheHint)
{
    const RuleCase& c = GetParam();
    EXPECT_EQ(TrayHint::Refresh(c.armed, c.alarm), c.refresh);
    EXPECT_EQ(TrayHint::Immediate(c.armed, c.alarm), c.immediate);
}

INSTANTIATE_TEST_SUITE_P(States, TrayHintRules,
                         ::testing::Values(RuleCase{"Disarmed", false, "07:30:00", "Disable", "Disable"},
                                           RuleCase{"DisarmedEmpty", false, "", "Disable", "Disable"},
                                           RuleCase{"Armed", true, "07:30:00", "AlarmTime:07:30:00", "07:30:00"},
                                           RuleCase{"ArmedEmptyText", true, "", "AlarmTime:", ""},
                                           RuleCase{"ArmedLong", true, std::string(100, 'x'),
                                                    "AlarmTime:" + std::string(54, 'x'), std::string(64, 'x')},
                                           // The prefix leaves 54 characters: a two-byte character
                                           // at the edge stays whole or goes whole.
                                           RuleCase{"CutBeforeAWideCharacter", true,
                                                    std::string(53, 'a') + "\xC3\xA9\xC3\xA9",
                                                    "AlarmTime:" + std::string(53, 'a') + "\xC3\xA9",
                                                    std::string(53, 'a') + "\xC3\xA9\xC3\xA9"}),
                         [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

}  // namespace
