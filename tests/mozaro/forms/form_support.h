#pragma once
// What the tile generator's form tests share: a start without waits or
// splash screen on a pretended true-colour display, and a fixture that
// collects the message boxes instead of showing them.
#include <gtest/gtest.h>

#include <vector>

#include "image/PGFormats.h"
#include "mozaro/forms/main_form.h"
#include "platform/MessageBox.h"

namespace mztest {

inline mozaro::TStartOptions QuickStart() {
    mozaro::TStartOptions o;
    o.SplashWaitMs = 0;
    o.ShowSplash = false;
    o.ScreenDepth = [] { return 24; };
    return o;
}

class CollectsMessageBoxes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        FOldHandler = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            Boxes.push_back(r);
            return mrOk;
        });
    }
    void TearDown() override { SetMessageBoxHandler(FOldHandler); }

    std::vector<TMessageBoxRequest> Boxes;

private:
    TMessageBoxHandler FOldHandler;
};

}  // namespace mztest
