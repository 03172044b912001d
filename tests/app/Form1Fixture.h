#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/ExceptionBox.h"
#include "app/Form1.h"
#include "tests/fakes/FakeMediaDevice.h"
#include "tests/support/FakeClock.h"

// A main window on a driven clock and a fake sound device, with its own
// state and configuration directories; what the exception box would show is
// collected. The window is made on first use, so a test can set up files and
// services before.
class Form1Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(state.isValid());
        ASSERT_TRUE(config.isValid());
        qputenv("ZUM_SYSTEM_DIR", state.path().toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", config.path().toLocal8Bit() + ":/etc/xdg");
        setenv("TZ", "UTC", 1);
        tzset();
        oldPresenter = SetExceptionPresenter([this](const std::string& text) { shown.push_back(text); });
    }
    void TearDown() override
    {
        form.reset();
        SetExceptionPresenter(oldPresenter);
        qunsetenv("ZUM_SYSTEM_DIR");
        qunsetenv("XDG_CONFIG_DIRS");
    }

    // What every window of these tests is given; a test adds to it.
    TForm1Services Services()
    {
        TForm1Services services;
        services.clock = &clock;
        services.makeMediaDevice = [this] { return std::make_unique<FakeMediaDevice>(sound); };
        return services;
    }
    TForm1& Form()
    {
        if (!form)
            form = std::make_unique<TForm1>(Services());
        return *form;
    }
    std::string StatePath(const char* name) const { return state.path().toStdString() + "/" + name; }

    QTemporaryDir state;
    QTemporaryDir config;
    FakeClock clock;
    std::shared_ptr<FakeMediaDevice::Script> sound = std::make_shared<FakeMediaDevice::Script>();
    std::vector<std::string> shown;
    ExceptionPresenter oldPresenter;
    std::unique_ptr<TForm1> form;
};
