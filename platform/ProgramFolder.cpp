#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The data folder relative to the installed programs' folder; the build
// passes the one its install rules use.
#ifndef GW_INSTALLED_DATA_FOLDER
#define GW_INSTALLED_DATA_FOLDER "../share/glimworks"
#endif

std::string ProgramFolderFor(const std::string& programDir) {
    const QDir dir(QString::fromStdString(programDir));
    const QString installed = QDir::cleanPath(dir.absoluteFilePath(QStringLiteral(GW_INSTALLED_DATA_FOLDER)));
    if (QFileInfo(installed).isDir()) return installed.toStdString();
    return QDir::cleanPath(dir.absoluteFilePath(QStringLiteral(".."))).toStdString();
}

std::string ProgramFolder() { return ProgramFolderFor(QCoreApplication::applicationDirPath().toStdString()); }
