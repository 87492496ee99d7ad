// User gradients in the shared settings file: names survive every
// character, an existing name is replaced whatever its case, and names a
// menu could not show are refused.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>

#include "artkit/UserGradients.h"
#include "platform/Exception.h"
#include "tests/support/TempSettings.h"

using UserGradientsTest = TempSettingsTest;

TEST_F(UserGradientsTest, NamesRoundTripAndReplaceWithoutCase) {
    const std::vector<std::string> names = {"a/b", "a\\b", "A&B", " x ", "Grüße", "Dark && Muddy", "gold"};
    for (size_t i = 0; i < names.size(); ++i) WriteUserGradient(names[i], std::to_string(i + 1) + ";");
    auto listed = UserGradientNames();
    std::sort(listed.begin(), listed.end());
    auto expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ReadUserGradient(names[i]), std::to_string(i + 1) + ";");

    WriteUserGradient("Gold", "99;");
    listed = UserGradientNames();
    EXPECT_EQ(listed.size(), names.size());
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "Gold"), 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "gold"), 0);
    EXPECT_EQ(ReadUserGradient("gOLD"), "99;");
    EXPECT_EQ(ReadUserGradient("missing"), "nil");
}

TEST_F(UserGradientsTest, RefusedNamesWriteNothing) {
    for (const char* bad : {"", "-", "   ", "\t"}) {
        EXPECT_FALSE(UserGradientNameProblem(bad).empty()) << '"' << bad << '"';
        EXPECT_THROW(WriteUserGradient(bad, "1;"), EConvertError);
    }
    for (const char* fine : {"--", " - x", "a-b", "&"}) EXPECT_TRUE(UserGradientNameProblem(fine).empty()) << fine;
    EXPECT_TRUE(UserGradientNames().empty());
    EXPECT_FALSE(QFile::exists(Dir.filePath("Glimworks.conf")));
}

TEST(UserGradientCaption, DoublesEveryAmpersand) {
    EXPECT_EQ(UserGradientCaption("A&B"), "A&&B");
    EXPECT_EQ(UserGradientCaption("Dark && Muddy"), "Dark &&&& Muddy");
    EXPECT_EQ(UserGradientCaption("plain"), "plain");
}
