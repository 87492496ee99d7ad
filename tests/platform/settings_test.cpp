// The settings file: names survive every character, replace without case,
// and a file that cannot be written is reported.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>

#include "platform/Exception.h"
#include "platform/Settings.h"
#include "tests/support/TempSettings.h"

using SettingsTest = TempSettingsTest;

TEST_F(SettingsTest, NamesKeepEveryCharacterAndReplaceWithoutCase) {
    const std::vector<std::string> names = {"a/b", "a\\b", "A&B", " x ", "Grüße", "Dark && Muddy", "50%2F", "gold"};
    for (const auto& n : names) SettingsWriteString("Gradients", n, "text of " + n);
    EXPECT_EQ(SettingsFileName(), Dir.filePath("Glimworks.conf").toStdString());
    auto listed = SettingsValueNames("Gradients");
    std::sort(listed.begin(), listed.end());
    auto expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    for (const auto& n : names) EXPECT_EQ(SettingsReadString("Gradients", n), "text of " + n);

    SettingsWriteString("Gradients", "Gold", "new");
    listed = SettingsValueNames("Gradients");
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "Gold"), 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "gold"), 0);
    EXPECT_EQ(SettingsReadString("Gradients", "GOLD"), "new");
    EXPECT_EQ(SettingsReadString("Gradients", "missing", "dflt"), "dflt");
    EXPECT_EQ(SettingsReadString("Other", "a/b"), "");

    SettingsDeleteValue("Gradients", "a/B");
    EXPECT_EQ(SettingsReadString("Gradients", "a/b", "gone"), "gone");
    EXPECT_EQ(SettingsValueNames("Gradients").size(), names.size() - 1);
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReported) {
    // A folder where the file should be: the write cannot succeed.
    ASSERT_TRUE(QDir(Dir.path()).mkdir("Glimworks.conf"));
    EXPECT_THROW(SettingsWriteString("Gradients", "x", "y"), EWriteError);
}
