#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <string>

#include "app/TimeText.h"

namespace {

// Restores the process locale and time zone when a test is done.
class LocaleScope {
public:
    LocaleScope(const char* locale, const char* zone)
    {
        FOld = std::setlocale(LC_ALL, nullptr);
        const char* oldZone = std::getenv("TZ");
        FOldZone = oldZone ? oldZone : "";
        FHadZone = oldZone != nullptr;
        setenv("TZ", zone, 1);
        tzset();
        FOk = std::setlocale(LC_ALL, locale) != nullptr;
    }
    ~LocaleScope()
    {
        std::setlocale(LC_ALL, FOld.c_str());
        if (FHadZone)
            setenv("TZ", FOldZone.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool Ok() const { return FOk; }

private:
    std::string FOld, FOldZone;
    bool FHadZone = false;
    bool FOk = false;
};

struct TimeTextCase {
    const char* locale;
    std::time_t when;  // seconds since the epoch, read in UTC
    const char* expected;
};

void PrintTo(const TimeTextCase& c, std::ostream* out)
{
    *out << c.locale << ' ' << c.expected;
}

class TimeTextLocales : public ::testing::TestWithParam<TimeTextCase> {};

TEST_P(TimeTextLocales, FormatsTheLocalesTimeOfDay)
{
    const TimeTextCase& c = GetParam();
    LocaleScope scope(c.locale, "UTC");
    if (!scope.Ok())
        GTEST_SKIP() << "locale " << c.locale << " is not installed (locale-gen)";
    EXPECT_EQ(TimeText(c.when), c.expected);
    char buffer[64];
    const std::size_t length = TimeText(c.when, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, length), c.expected);
}

// 2026-12-08 23:09:10 UTC and 2026-12-08 07:05:03 UTC.
constexpr std::time_t Evening = 1796771350;
constexpr std::time_t Morning = 1796713503;

INSTANTIATE_TEST_SUITE_P(Locales, TimeTextLocales,
                         ::testing::Values(TimeTextCase{"C", Evening, "23:09:10"},
                                           TimeTextCase{"C", Morning, "07:05:03"},
                                           TimeTextCase{"de_DE.UTF-8", Evening, "23:09:10"},
                                           TimeTextCase{"en_US.UTF-8", Evening, "11:09:10 PM"},
                                           TimeTextCase{"en_US.UTF-8", Morning, "07:05:03 AM"}));

TEST(TimeText, FollowsTheLocalTimeZone)
{
    LocaleScope scope("C", "UTC-2");  // POSIX sign: two hours east of UTC
    ASSERT_TRUE(scope.Ok());
    EXPECT_EQ(TimeText(Evening), "01:09:10");
}

TEST(TimeText, BufferTooSmallGivesNothing)
{
    LocaleScope scope("C", "UTC");
    char buffer[4];
    EXPECT_EQ(TimeText(Evening, buffer, sizeof buffer), 0u);
}

}  // namespace
