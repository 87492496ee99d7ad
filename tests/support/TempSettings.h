#pragma once
// A test whose settings file lives in a folder of its own, emptied for every
// test, so one test's stored values never reach the next.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

class TempSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path());
    }
    QTemporaryDir Dir;
};
