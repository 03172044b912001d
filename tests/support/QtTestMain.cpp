#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>

// Tests of widgets, pictures and windows need an application object; the
// offscreen platform needs no display. The process locale starts as "C" so
// that time texts are predictable unless a test switches it.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_ALL, "C");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
