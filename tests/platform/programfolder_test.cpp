#include <gtest/gtest.h>

#include <QDir>
#include <fstream>

#include "platform/ProgramFolder.h"
#include "support/TestFiles.h"

// A program run from the build lies in <build>/bin, its folder is <build>;
// installed in <prefix>/bin, its folder is <prefix>/share/glimworks.
TEST(ProgramFolder, BuildFolderUnlessTheInstalledDataFolderIsBeside) {
    const std::string root = gwtest::TempDir("programfolder");
    QDir().mkpath(QString::fromStdString(root + "/bin"));
    EXPECT_EQ(ProgramFolderFor(root + "/bin"), root);
    EXPECT_EQ(ProgramFolderFor(root + "/bin/"), root);

    // A file of that name is no data folder.
    QDir().mkpath(QString::fromStdString(root + "/share"));
    std::ofstream(root + "/share/glimworks") << "x";
    EXPECT_EQ(ProgramFolderFor(root + "/bin"), root);
    QDir().remove(QString::fromStdString(root + "/share/glimworks"));

    QDir().mkpath(QString::fromStdString(root + "/share/glimworks"));
    EXPECT_EQ(ProgramFolderFor(root + "/bin"), root + "/share/glimworks");
    EXPECT_EQ(ProgramFolderFor(root + "/bin/"), root + "/share/glimworks");
    // Another project's data folder does not count.
    const std::string other = gwtest::TempDir("programfolder");
    QDir().mkpath(QString::fromStdString(other + "/bin"));
    QDir().mkpath(QString::fromStdString(other + "/share/glimmo"));
    EXPECT_EQ(ProgramFolderFor(other + "/bin"), other);
}
