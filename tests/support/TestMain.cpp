// Shared main of every test program: an offscreen application object exists
// for the whole run, so widget and font tests work in any file. The
// settings file goes to a private folder: no test reads or writes the
// user's own.
#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>

#include "platform/Application.h"
#include "support/TestFiles.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(gwtest::TempDir("settings")));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
