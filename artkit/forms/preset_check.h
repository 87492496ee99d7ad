#pragma once
// A start-up check of an installation: "PROGRAM --load-first-preset" starts
// the program as usual and, once its event loop runs, loads the first
// parameter file of a preset folder as the preset browser's choice would be
// loaded, prints "loaded PATH" and ends the program with 0. It ends with 1,
// printing why, when the folder lists no such file or the load failed or
// showed a message (messages are answered, not shown).
#include <functional>
#include <string>

constexpr const char* kLoadFirstPresetOption = "--load-first-preset";

// True when the option is among the program's arguments.
bool WantsFirstPresetLoad(int argc, char** argv);
// Queues the check: the first file of folder with extension (in the preset
// browser's order) is handed to load.
void QueueFirstPresetLoad(const std::string& folder, const std::string& extension,
                          const std::function<void(const std::string&)>& load);
