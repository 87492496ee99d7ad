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
}  // namespace gwtest
