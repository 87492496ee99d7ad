#pragma once
// Scratch files and folders (a save's temporary file, the store's work
// folder) carry in their names the process that made them: its id and its
// start time. Their owner also holds an exclusive flock on them (a folder:
// on the lock file inside it) for as long as it lives; the lock dies with the
// process, in whatever PID namespace it runs, and no reused id revives it.
// What a killed process left behind can so be told from what a running one
// still uses, and removed by the next process that looks.
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

// The file in a scratch folder whose lock its owner holds.
extern const char kOwnerLockName[];

// Takes the owner's lock on the scratch file just made under fd, waiting out
// a cleaner that is looking at it. False when that cleaner removed the file
// meanwhile: the caller makes another.
bool LockAsOwner(int fd);

// Removes the entries of folder that belong to this user and whose owner is
// gone: nobody holds their lock, and a folder with a lock file or a name
// whose tag names no running process says the owner ended (scratch of
// owners before the locks has only the tag). Links are never followed: one
// whose tag is gone is removed as a link. ownerOf gives an entry name's owner
// tag, or "" for names that are not scratch of this kind; remove takes the
// full path and runs while this process holds the entry's lock.
void RemoveDeadLeftovers(const std::string& folder, const std::function<std::string(const std::string&)>& ownerOf,
                         const std::function<void(const std::string&)>& remove);
