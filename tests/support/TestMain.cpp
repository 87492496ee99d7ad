// Shared main of every test program: an offscreen application object exists
// for the whole run, so widget and font tests work in any file.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/Application.h"

#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // No test may touch the user's own settings or data: point the
    // configuration and data folders into a folder of this run.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", QDir(home.path()).filePath("data").toUtf8());
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
