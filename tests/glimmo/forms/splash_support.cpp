#include "glimmo/forms/splash_support.h"

#include "glimmo/forms/splash.h"
#include "widgets/ArtLabel.h"

namespace gwtest {
std::string SplashCaption(const glimmo::Tsplashscreen& splash) { return splash.ArtLabel1->GetCaption().toStdString(); }

bool SplashCaptionShown(const glimmo::Tsplashscreen& splash) {
    return splash.ArtLabel1->isVisible() && splash.rect().contains(splash.ArtLabel1->geometry());
}
}  // namespace gwtest
