#pragma once
// What every test program's main does around its application object: no
// test may touch the user's own settings or data.
class QTemporaryDir;

namespace gwtest {
// Points the configuration and data folders into home and picks the
// offscreen platform unless one is set; call before the application object.
void IsolateTestRun(const QTemporaryDir& home);
// Sends the settings file to a private folder of this run.
void UseTestSettings();
}  // namespace gwtest
