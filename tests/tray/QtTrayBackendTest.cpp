#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include "tray/QtTrayBackend.h"

namespace {

TEST(QtTrayBackend, WithoutATrayEveryAddIsRefused)
{
    // The offscreen platform has no tray.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    TQtTrayBackend backend;
    EXPECT_FALSE(backend.Available());
    EXPECT_FALSE(backend.Add(0, {}));
    EXPECT_FALSE(backend.Modify(0, {})) << "nothing was added under that identifier";
    EXPECT_FALSE(backend.Remove(0));
}

}  // namespace
