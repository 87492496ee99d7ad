#include "platform/Settings.h"

#include <QSettings>

#include "platform/Exception.h"

namespace {

// On Linux the native format is the INI syntax in "<organisation>.conf"
// (IniFormat would name the file ".ini").
QSettings Open() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Glimworks"); }

// "%" starts an escape; "/" and "\" would split the name into groups.
QString EncodeName(const std::string& name) {
    QString out;
    for (QChar c : QString::fromStdString(name)) {
        if (c == '%') out += "%25";
        else if (c == '/') out += "%2F";
        else if (c == '\\') out += "%5C";
        else out += c;
    }
    return out;
}

std::string DecodeName(const QString& key) {
    QString out;
    for (int i = 0; i < key.size(); ++i) {
        if (key[i] == '%' && i + 2 < key.size()) {
            const QString hex = key.mid(i + 1, 2).toUpper();
            if (hex == "25" || hex == "2F" || hex == "5C") {
                out += QChar(hex.toUShort(nullptr, 16));
                i += 2;
                continue;
            }
        }
        out += key[i];
    }
    return out.toStdString();
}

// The stored key whose decoded name equals `name` without regard to case.
QString FindKey(QSettings& s, const std::string& name) {
    const QString wanted = QString::fromStdString(name);
    for (const QString& key : s.childKeys())
        if (QString::fromStdString(DecodeName(key)).compare(wanted, Qt::CaseInsensitive) == 0) return key;
    return QString();
}

void Commit(QSettings& s) {
    s.sync();
    if (s.status() != QSettings::NoError)
        throw EWriteError("Cannot write the settings file " + s.fileName().toStdString());
}

}  // namespace

std::string SettingsReadString(const std::string& section, const std::string& name, const std::string& defaultValue) {
    QSettings s = Open();
    s.beginGroup(QString::fromStdString(section));
    const QString key = FindKey(s, name);
    if (key.isEmpty()) return defaultValue;
    return s.value(key).toString().toStdString();
}

void SettingsWriteString(const std::string& section, const std::string& name, const std::string& value) {
    QSettings s = Open();
    s.beginGroup(QString::fromStdString(section));
    const QString old = FindKey(s, name);
    if (!old.isEmpty()) s.remove(old);
    s.setValue(EncodeName(name), QString::fromStdString(value));
    s.endGroup();
    Commit(s);
}

std::vector<std::string> SettingsValueNames(const std::string& section) {
    QSettings s = Open();
    s.beginGroup(QString::fromStdString(section));
    std::vector<std::string> names;
    for (const QString& key : s.childKeys()) names.push_back(DecodeName(key));
    return names;
}

void SettingsDeleteValue(const std::string& section, const std::string& name) {
    QSettings s = Open();
    s.beginGroup(QString::fromStdString(section));
    const QString key = FindKey(s, name);
    if (key.isEmpty()) return;
    s.remove(key);
    s.endGroup();
    Commit(s);
}

std::string SettingsFileName() { return Open().fileName().toStdString(); }
