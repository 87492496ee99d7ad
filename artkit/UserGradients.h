#pragma once
// User gradients: palette texts saved under names of the user's choice in
// the settings file's section "Gradients", which both programs share. Names
// keep every character and compare without case, as the desktop registry's
// value names did.
#include <string>
#include <vector>

extern const char* const UserGradientSection;  // "Gradients"
// What a gradient read finds when there is no value of that name.
extern const char* const NoUserGradient;  // "nil"

// Why a name cannot be saved: empty or blank, or "-" (a menu would take it
// for a separator). Empty when the name is fine.
std::string UserGradientNameProblem(const std::string& name);

// The stored names, as listed by the settings file.
std::vector<std::string> UserGradientNames();
// The palette text stored under name (any case), or NoUserGradient.
std::string ReadUserGradient(const std::string& name);
// Stores text under name, replacing a name that differs only in case.
// Raises EConvertError for a refused name (UserGradientNameProblem) and
// EWriteError when the settings file cannot be written.
void WriteUserGradient(const std::string& name, const std::string& paletteText);

// A menu caption that shows name as typed: every "&" doubled.
std::string UserGradientCaption(const std::string& name);
