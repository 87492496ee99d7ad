// Main of the test programs that drive widgets: an offscreen application
// object with the programs' look exists for the whole run, and codec
// warnings show the programs' boxes, which the tests' message-box handlers
// answer.
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "image/PGWarningBoxes.h"
#include "platform/Application.h"
#include "support/TestRun.h"

int main(int argc, char** argv) {
    QTemporaryDir home;
    gwtest::IsolateTestRun(home);
    TApplication app(argc, argv);
    gwtest::UseTestSettings();
    InstallWarningBoxes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
