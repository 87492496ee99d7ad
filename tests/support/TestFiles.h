#pragma once
// Small file helpers for tests: private temporary folders, reading whole
// files, running peer tools (ImageMagick, netpbm, libtiff) at test time.
#include <string>
#include <vector>

namespace gwtest {
// A fresh empty folder below the build's test-tmp (or /tmp), unique per call.
std::string TempDir(const std::string& name);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::vector<std::string> ListDir(const std::string& dir);
// Runs a shell command; returns its exit status (0 = success).
int Run(const std::string& command);
// True when the named program is on PATH.
bool HaveTool(const std::string& name);
// True when GW_REQUIRE_PEERS is set (./test installs the peer tools, so a
// missing one there is a broken install, not a reason to skip).
bool PeersRequired();
// HaveTool for optional checks within a test: a missing tool is a failure
// where peers are required.
bool PeerAvailable(const std::string& tool);
}  // namespace gwtest

// Skips the test when a peer tool is missing, or fails it where peers are
// required. For test bodies and fixtures' SetUp.
#define GW_NEED_TOOL(tool, package)                                                        \
    do {                                                                                   \
        if (!gwtest::HaveTool(tool)) {                                                     \
            if (gwtest::PeersRequired()) FAIL() << (package) << " is missing: " << (tool); \
            GTEST_SKIP() << (package) << " is not installed";                              \
        }                                                                                  \
    } while (0)
