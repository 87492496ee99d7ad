#include "support/PeakMemory.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define GW_PEAK_FROM_ALLOCATOR 1
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*));
size_t __sanitizer_get_current_allocated_bytes();
}
#endif

namespace gwtest {
namespace {

std::atomic<bool> gCounting{false};
std::atomic<int64_t> gBase{0};
std::atomic<int64_t> gPeak{0};
int64_t gLimit = 0;
int gReportFd = -1;

void Report(int64_t value) {
    const ssize_t n = ::write(gReportFd, &value, sizeof value);
    (void)n;
}

#ifdef GW_PEAK_FROM_ALLOCATOR
// Runs after the allocator has counted the new block, before the caller
// can touch it: a call past the limit is stopped before its pages are used.
void OnMalloc(const volatile void*, size_t) {
    if (!gCounting.load(std::memory_order_relaxed)) return;
    const int64_t used = int64_t(__sanitizer_get_current_allocated_bytes()) - gBase.load();
    int64_t peak = gPeak.load();
    while (used > peak && !gPeak.compare_exchange_weak(peak, used)) {
    }
    if (used > gLimit) {
        Report(used);
        ::_exit(0);
    }
}
void OnFree(const volatile void*) {}

void StartCounting() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    (void)installed;
    gBase = int64_t(__sanitizer_get_current_allocated_bytes());
    gPeak = 0;
    gCounting = true;
}
int64_t StopCounting() {
    gCounting = false;
    return gPeak;
}
#else
// kB of a "Name:" line of /proc/self/status.
int64_t StatusKiB(const char* name) {
    std::ifstream f("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(name);
    while (std::getline(f, line))
        if (line.compare(0, n, name) == 0) return std::stoll(line.substr(n + 1));
    return 0;
}
void StartCounting() {
    // Writing 5 resets the high-water mark to the current resident set.
    std::ofstream("/proc/self/clear_refs") << "5";
    gBase = StatusKiB("VmRSS") * 1024;
    rlimit r{};
    const rlim_t room = rlim_t(StatusKiB("VmSize") * 1024 + gLimit);
    r.rlim_cur = r.rlim_max = room;
    ::setrlimit(RLIMIT_AS, &r);
}
int64_t StopCounting() { return StatusKiB("VmHWM") * 1024 - gBase; }
#endif

}  // namespace

int64_t PeakMemoryOf(const std::function<void()>& call, int64_t limit) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    if (child == 0) {
        ::close(fds[0]);
        gReportFd = fds[1];
        gLimit = limit;
        StartCounting();
        try {
            call();
        } catch (const std::bad_alloc&) {
            Report(limit);  // refused by the address-space limit
            ::_exit(0);
        } catch (...) {
        }
        Report(StopCounting());
        ::_exit(0);
    }
    ::close(fds[1]);
    int64_t peak = -1;
    if (::read(fds[0], &peak, sizeof peak) != sizeof peak) peak = -1;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return peak;
}

}  // namespace gwtest
