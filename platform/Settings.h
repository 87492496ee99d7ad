#pragma once
// The programs' settings: one INI file "Glimworks.conf" in the user's
// configuration folder, shared by both programs, with sections of named
// text values (the desktop registry's role). Names keep every character:
// the separators QSettings would read as groups are escaped in the file.
#include <string>
#include <vector>

// The value of `name` in `section`, or `defaultValue` when there is none.
std::string SettingsReadString(const std::string& section, const std::string& name,
                               const std::string& defaultValue = std::string());
// Stores the value; an existing name that differs only in case is replaced
// (value names compare without case). Raises EWriteError when the file
// cannot be written.
void SettingsWriteString(const std::string& section, const std::string& name, const std::string& value);
// The names of a section (in the order QSettings lists keys).
std::vector<std::string> SettingsValueNames(const std::string& section);
// Removes the value (any case); raises EWriteError when the file cannot be
// written. Nothing happens when there is no such value.
void SettingsDeleteValue(const std::string& section, const std::string& name);
// The settings file's path (tests redirect it with QSettings::setPath for
// QSettings::NativeFormat, user scope).
std::string SettingsFileName();
