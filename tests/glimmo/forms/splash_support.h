#pragma once
// The splash screen's art label, read apart from the design types (the art
// label's gradient styles share names with the button's).
#include <string>

namespace glimmo {
class Tsplashscreen;
}

namespace gwtest {
// The caption of the splash screen's art label.
std::string SplashCaption(const glimmo::Tsplashscreen& splash);
// Whether the label shows, within the window.
bool SplashCaptionShown(const glimmo::Tsplashscreen& splash);
}  // namespace gwtest
