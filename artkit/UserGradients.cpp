#include "artkit/UserGradients.h"

#include <algorithm>
#include <cctype>

#include "platform/Exception.h"
#include "platform/Settings.h"

const char* const UserGradientSection = "Gradients";
const char* const NoUserGradient = "nil";

std::string UserGradientNameProblem(const std::string& name) {
    const bool blank =
        std::all_of(name.begin(), name.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    if (blank) return "Please enter a name for the gradient.";
    if (name == "-") return "\"-\" cannot be the name of a gradient.";
    return std::string();
}

std::vector<std::string> UserGradientNames() { return SettingsValueNames(UserGradientSection); }

std::string ReadUserGradient(const std::string& name) {
    return SettingsReadString(UserGradientSection, name, NoUserGradient);
}

void WriteUserGradient(const std::string& name, const std::string& paletteText) {
    const std::string problem = UserGradientNameProblem(name);
    if (!problem.empty()) throw EConvertError(problem);
    SettingsWriteString(UserGradientSection, name, paletteText);
}

std::string UserGradientCaption(const std::string& name) {
    std::string out;
    for (char c : name) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}
