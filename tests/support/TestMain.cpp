// Shared main of every test program: an offscreen application object exists
// for the whole run, so widget and font tests work in any file.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/Application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
