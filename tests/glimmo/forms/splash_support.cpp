#include "glimmo/forms/splash_support.h"

#include "artkit/forms/splash.h"
#include "widgets/ArtLabel.h"

namespace gwtest {
std::string SplashCaption(const artkit::Tsplashscreen& splash) { return splash.ArtLabel1->GetCaption().toStdString(); }

bool SplashCaptionShown(const artkit::Tsplashscreen& splash) {
    return splash.ArtLabel1->isVisible() && splash.rect().contains(splash.ArtLabel1->geometry());
}
}  // namespace gwtest
