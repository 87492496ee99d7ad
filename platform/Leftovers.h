#pragma once
// Scratch files and folders (a save's temporary file, the store's work
// folder) carry in their names the process that made them: its id and its
// start time. What a killed process left behind can so be told from what a
// running one still uses, and removed by the next process that looks.
#include <functional>
#include <string>

// "<pid>-<start>" of this process; start is the process's start time in
// clock ticks after boot, 0 where the system does not tell it.
std::string ProcessOwnerTag();
// The same for another running process.
std::string OwnerTagOf(long long pid);

// True when tag has the form ProcessOwnerTag gives.
bool IsOwnerTag(const std::string& tag);

// False only when the process the tag names is known to be gone: no process
// has its id, or the one that has it started at another time.
bool OwnerTagAlive(const std::string& tag);

// Removes the entries of folder that belong to this user and whose owner is
// gone. ownerOf gives an entry name's owner tag, or "" for names that are
// not scratch of this kind; remove takes the full path.
void RemoveDeadLeftovers(const std::string& folder, const std::function<std::string(const std::string&)>& ownerOf,
                         const std::function<void(const std::string&)>& remove);
