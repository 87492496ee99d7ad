#pragma once
// The splash screen's art label, read apart from the design types (the art
// label's gradient styles share names with the button's).
#include <string>

namespace artkit {
class Tsplashscreen;
}

namespace gwtest {
// The caption of the splash screen's art label.
std::string SplashCaption(const artkit::Tsplashscreen& splash);
// Whether the label shows, within the window.
bool SplashCaptionShown(const artkit::Tsplashscreen& splash);
}  // namespace gwtest
