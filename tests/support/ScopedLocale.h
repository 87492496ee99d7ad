#pragma once
// A locale for the C library and as Qt's default while a TScopedLocale
// lives: the C locale, or the German one (comma as decimal separator) where
// the system has it. ./test generates the German locale and runs the whole
// suite under it once more.
#include <QLocale>
#include <string>

#include "support/TestFiles.h"

namespace gwtest {

class TScopedLocale {
public:
    enum TKind { lkC, lkGerman };
    explicit TScopedLocale(TKind kind);
    ~TScopedLocale();
    TScopedLocale(const TScopedLocale&) = delete;
    TScopedLocale& operator=(const TScopedLocale&) = delete;
    bool Active() const { return FActive; }

private:
    std::string FOldC;
    QLocale FOldQt;
    bool FActive = false;
};

}  // namespace gwtest

// Skips the test when the locale is missing, or fails it where peer tools
// are required (./test makes the German locale).
#define GW_NEED_LOCALE(scoped)                                                          \
    do {                                                                                \
        if (!(scoped).Active()) {                                                       \
            if (gwtest::PeersRequired()) FAIL() << "the de_DE.UTF-8 locale is missing"; \
            GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";                  \
        }                                                                               \
    } while (0)
