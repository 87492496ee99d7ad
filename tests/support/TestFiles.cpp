#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gwtest {

std::string TempDir(const std::string& name) {
    static std::atomic<int> counter{0};
    const char* base = std::getenv("GW_TEST_TMP");
    std::string root = base && *base ? base : "/tmp";
    std::string dir = root + "/" + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
    ::mkdir(root.c_str(), 0755);
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") out.push_back(n);
        }
        ::closedir(d);
    }
    return out;
}

int Run(const std::string& command) {
    int rc = std::system(command.c_str());
    return rc == -1 ? -1 : WEXITSTATUS(rc);
}

bool HaveTool(const std::string& name) { return Run("command -v " + name + " >/dev/null 2>&1") == 0; }

bool PeerAvailable(const std::string& tool) {
    if (HaveTool(tool)) return true;
    if (PeersRequired()) ADD_FAILURE() << "peer tool missing: " << tool;
    return false;
}

bool PeersRequired() {
    const char* v = std::getenv("GW_REQUIRE_PEERS");
    return v && *v && std::string(v) != "0";
}

}  // namespace gwtest
