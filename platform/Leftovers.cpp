#include "platform/Leftovers.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
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

void RemoveDeadLeftovers(const std::string& folder, const std::function<std::string(const std::string&)>& ownerOf,
                         const std::function<void(const std::string&)>& remove) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return;
    std::vector<std::string> dead;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const std::string owner = ownerOf(name);
        if (owner.empty() || !IsOwnerTag(owner) || OwnerTagAlive(owner)) continue;
        const std::string path = (folder.empty() || folder.back() == '/' ? folder : folder + "/") + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && st.st_uid == ::getuid()) dead.push_back(path);
    }
    ::closedir(d);
    for (const std::string& path : dead) remove(path);
}
