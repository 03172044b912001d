#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/ExceptionBox.h"

namespace {

TEST(ExceptionBox, AppendsAFullStopOnlyWhenMissing)
{
    const struct {
        const char* message;
        const char* text;
    } cases[] = {{"Cannot create file /x/KPT.dat", "Cannot create file /x/KPT.dat."},
                 {"List index out of bounds (0)", "List index out of bounds (0)."},
                 {"Already ends.", "Already ends."},
                 {"", "."}};
    for (const auto& c : cases)
        EXPECT_EQ(ExceptionBoxText(c.message), c.text);
}

TEST(ExceptionBox, GuardedHandlerShowsTheFailureAndGoesOn)
{
    std::vector<std::string> shown;
    const ExceptionPresenter old = SetExceptionPresenter([&](const std::string& text) { shown.push_back(text); });
    bool after = false;
    RunGuarded([] { throw std::runtime_error("boom"); });
    RunGuarded([&] { after = true; });
    SetExceptionPresenter(old);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "boom.");
    EXPECT_TRUE(after);
}

}  // namespace
