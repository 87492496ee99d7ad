// Shared main of every test program: an offscreen application object exists
// for the whole run, so widget and font tests work in any file. The
// settings file goes to a private folder: no test reads or writes the
// user's own.
#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>

#include "image/PGWarningBoxes.h"
#include "platform/Application.h"
#include "support/TestFiles.h"

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
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(gwtest::TempDir("settings")));
    // Codec warnings show the programs' boxes, which the tests' message-box
    // handlers answer.
    InstallWarningBoxes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
