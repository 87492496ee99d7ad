#include "support/TestRun.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "support/TestFiles.h"

namespace gwtest {

void IsolateTestRun(const QTemporaryDir& home) {
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", QDir(home.path()).filePath("data").toUtf8());
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
}

void UseTestSettings() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(gwtest::TempDir("settings")));
}

}  // namespace gwtest
