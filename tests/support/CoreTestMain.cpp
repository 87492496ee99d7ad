// Main of the test programs of the cores and engines, which link no widget
// library: a GUI application object (fonts and text drawing need one) and
// no message boxes, so a codec warning is answered unasked.
#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "support/TestRun.h"

int main(int argc, char** argv) {
    QTemporaryDir home;
    gwtest::IsolateTestRun(home);
    QGuiApplication app(argc, argv);
    gwtest::UseTestSettings();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
