#pragma once
// Odd things to save onto (a pipe, a socket) and ways to run a save where a
// hang or the superuser's rights would spoil the test: in a child process
// with a deadline, and as an ordinary user.
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "support/TestFiles.h"

namespace gwtest {

// Runs body in a child process that ends with 0 unless body throws.
inline pid_t Spawn(const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 0;
        try {
            body();
        } catch (...) {
            status = 3;
        }
        ::_exit(status);
    }
    return pid;
}

// What a child run ended with.
enum : int { kChildHung = -1, kChildCrashed = -2, kNoChild = -3 };

// Runs body in a forked child and returns its result (0..255); kChildHung
// when it is still running after the deadline (it is then killed). The
// child writes body's text into *text when given.
inline int RunInChild(const std::function<int(std::string&)>& body, std::string* text = nullptr,
                      int deadlineMs = 10000) {
    int fds[2];
    if (::pipe(fds) != 0) return kNoChild;
    const pid_t pid = ::fork();
    if (pid < 0) return kNoChild;
    if (pid == 0) {
        ::close(fds[0]);
        std::string said;
        int result = 125;
        try {
            result = body(said);
        } catch (...) {
        }
        (void)!::write(fds[1], said.data(), said.size());
        ::_exit(result);
    }
    ::close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ::close(fds[0]);
        return kChildHung;
    }
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        if (text) text->append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : kChildCrashed;
}

// The user id an unprivileged child runs as when the tests run as root.
constexpr uid_t kNobody = 65534;

// A fresh folder that the user of RunUnprivileged owns: below /tmp for
// root (the test folders may not be open to others), else made by mkdtemp
// in base.
inline std::string UnprivilegedFolder(const std::string& base) {
    std::string pattern = (::geteuid() == 0 ? std::string("/tmp") : base) + "/unpriv-XXXXXX";
    if (!::mkdtemp(pattern.data())) return std::string();
    if (::geteuid() == 0 && ::chown(pattern.c_str(), kNobody, kNobody) != 0) return std::string();
    return pattern;
}

// Runs body as an ordinary user in a child: as the tests' own user when
// that is not root, else after dropping to kNobody. kNoChild when root
// cannot drop its rights.
inline int RunUnprivileged(const std::function<int(std::string&)>& body, std::string* text = nullptr) {
    return RunInChild(
        [&](std::string& said) {
            if (::geteuid() == 0) {
                if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return 124;
            }
            return body(said);
        },
        text);
}

// A listening Unix socket at path (left open for the test's life); false
// when none can be made.
inline bool MakeSocketAt(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    return fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

// The folder's entries in name order.
inline std::vector<std::string> SortedEntries(const std::string& dir) {
    std::vector<std::string> names = ListDir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

inline bool IsFifo(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

inline bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The message run raises, empty when it raises none.
inline std::string MessageOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const Exception& e) {
        return e.Message();
    }
    return std::string();
}

// How a parameter file's save and load treat what its name names, alike in
// both programs: a pipe is refused both ways without waiting for a writer, a
// read-only file is refused and kept, a link is saved through and stays, a
// missing file is said to be missing. In dir, name is the file saved (ext
// its ending); change alters the design that save writes, changed tells that
// a file holds the altered design.
inline void ExpectSavesAndLoadsTellTheirTarget(const std::string& dir, const std::string& name, const std::string& ext,
                                               const std::function<void(const std::string&)>& save,
                                               const std::function<void(const std::string&)>& load,
                                               const std::function<void()>& change,
                                               const std::function<bool(const std::string&)>& changed) {
    const std::string path = dir + "/" + name;
    // In a child, so that a hang fails the test instead of stalling it.
    const std::string fifo = dir + "/f" + ext;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string said;
    EXPECT_EQ(RunInChild(
                  [&](std::string& out) {
                      out = MessageOf([&] { save(fifo); }) + "\n" + MessageOf([&] { load(fifo); });
                      return 0;
                  },
                  &said, 8000),
              0);
    const std::string notAFile = fifo + " is a pipe, socket or device, not a file";
    EXPECT_EQ(said, notAFile + "\n" + notAFile);
    EXPECT_TRUE(IsFifo(fifo));
    ::unlink(fifo.c_str());

    // Read-only by its mode, which holds for the superuser too.
    save(path);
    const std::string old = ReadFile(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    change();
    EXPECT_EQ(MessageOf([&] { save(path); }), path + " is marked as read-only");
    EXPECT_EQ(ReadFile(path), old);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

    const std::string link = dir + "/link" + ext;
    ASSERT_EQ(::symlink(name.c_str(), link.c_str()), 0);
    save(link);
    EXPECT_TRUE(IsLink(link));
    EXPECT_TRUE(changed(path));

    const std::string none = dir + "/none" + ext;
    EXPECT_EQ(MessageOf([&] { load(none); }), "Could not find the file " + none);
    std::vector<std::string> left{name, "link" + ext};
    std::sort(left.begin(), left.end());
    EXPECT_EQ(SortedEntries(dir), left);
}

}  // namespace gwtest
