#include "platform/Leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// Field 22 of /proc/<pid>/stat (start time in ticks after boot), or -1.
long long StartTicks(long long pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/stat", pid);
    FILE* f = std::fopen(path, "r");
    if (!f) return -1;
    char buf[1024];
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    // The command name in brackets may hold blanks; fields follow its last ')'.
    std::string s(buf);
    const size_t close = s.rfind(')');
    if (close == std::string::npos) return -1;
    const char* p = s.c_str() + close + 1;
    for (int field = 3; field <= 22; ++field) {
        while (*p == ' ') ++p;
        if (!*p) return -1;
        if (field == 22) return std::strtoll(p, nullptr, 10);
        while (*p && *p != ' ') ++p;
    }
    return -1;
}

bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 19) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::string OwnerTagOf(long long pid) {
    const long long start = StartTicks(pid);
    return std::to_string(pid) + "-" + std::to_string(start < 0 ? 0 : start);
}

std::string ProcessOwnerTag() {
    // Worked out again in a forked child, which is another owner.
    static std::mutex lock;
    static long long cachedPid = -1;
    static std::string tag;
    std::lock_guard<std::mutex> guard(lock);
    if (cachedPid != ::getpid()) {
        cachedPid = ::getpid();
        tag = OwnerTagOf(cachedPid);
    }
    return tag;
}

bool IsOwnerTag(const std::string& tag) {
    const size_t dash = tag.find('-');
    return dash != std::string::npos && AllDigits(tag.substr(0, dash)) && AllDigits(tag.substr(dash + 1));
}

bool OwnerTagAlive(const std::string& tag) {
    if (!IsOwnerTag(tag)) return true;  // not ours to judge
    const size_t dash = tag.find('-');
    const long long pid = std::strtoll(tag.c_str(), nullptr, 10);
    const long long start = std::strtoll(tag.c_str() + dash + 1, nullptr, 10);
    if (pid <= 0 || pid > 0x7FFFFFFF) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    // The id is taken: by the owner, unless that process started at another time.
    const long long now = StartTicks(pid);
    return now < 0 || start == 0 || now == start;
}

const char kOwnerLockName[] = "owner.lock";

bool LockAsOwner(int fd) {
    int locked;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) return true;  // no locks on this file system: the tag alone tells
    // A cleaner removes what it judged dead while it holds the lock.
    struct stat st;
    return ::fstat(fd, &st) != 0 || st.st_nlink > 0;
}

namespace {

enum class THold { Held, Free, Unknown };

// Held when someone holds the lock on fd; Free when this process now does;
// Unknown where the file system keeps no locks.
THold TryLock(int fd) {
    int locked;
    while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked == 0) return THold::Free;
    return errno == EWOULDBLOCK ? THold::Held : THold::Unknown;
}

}  // namespace

void RemoveDeadLeftovers(const std::string& folder, const std::function<std::string(const std::string&)>& ownerOf,
                         const std::function<void(const std::string&)>& remove) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return;
    std::vector<std::pair<std::string, std::string>> found;  // path, owner tag
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const std::string owner = ownerOf(name);
        if (owner.empty() || !IsOwnerTag(owner)) continue;
        found.emplace_back((folder.empty() || folder.back() == '/' ? folder : folder + "/") + name, owner);
    }
    ::closedir(d);
    for (const auto& [path, owner] : found) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || st.st_uid != ::getuid()) continue;
        if (S_ISLNK(st.st_mode)) {
            if (!OwnerTagAlive(owner)) ::unlink(path.c_str());
            continue;
        }
        int lock = -1;
        if (S_ISREG(st.st_mode)) {
            lock = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        } else if (S_ISDIR(st.st_mode)) {
            const int dir = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (dir < 0) continue;
            lock = ::openat(dir, kOwnerLockName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            ::close(dir);
        }
        const THold hold = lock >= 0 ? TryLock(lock) : THold::Unknown;
        // A folder's owner takes its lock before anything else goes in; a
        // file's lock cannot tell a dead owner from one before the locks.
        const bool dead = (hold == THold::Free && S_ISDIR(st.st_mode)) ||
                          (hold != THold::Held && !OwnerTagAlive(owner));
        if (dead) remove(path);
        if (lock >= 0) ::close(lock);
    }
}
