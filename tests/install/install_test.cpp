// Installs the build into a fresh prefix, as `cmake --install BUILD --prefix
// P` does for a user, and checks what a desktop finds there: the programs,
// their preset folders, the desktop entries and the icons; then starts each
// installed program the way its desktop entry does and has it load a preset.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "support/TestFiles.h"

namespace {

const std::string kBuild = GW_BUILD_DIR;
const std::vector<std::string> kPrograms = {"glimmo", "mozaro"};
const std::vector<int> kUsualIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// Runs command through the shell; its standard output, and the exit status.
int Capture(const std::string& command, std::string& out) {
    out.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsRegularFile(const std::string& path, bool executable = false) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (!executable || (st.st_mode & S_IXUSR));
}

// The files of folder whose names end in extension.
std::set<std::string> FilesWith(const std::string& folder, const std::string& extension) {
    std::set<std::string> names;
    for (const std::string& name : gwtest::ListDir(folder))
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            names.insert(name);
    return names;
}

// Key=value lines of a desktop entry's main group.
std::map<std::string, std::string> EntryKeys(const std::string& path) {
    std::map<std::string, std::string> keys;
    std::istringstream in(gwtest::ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != '#') keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

class Install : public testing::Test {
protected:
    static void SetUpTestSuite() {
        Root = gwtest::TempDir("install");
        Prefix = Root + "/usr";
        std::string out;
        InstallStatus =
            Capture(Quoted(GW_CMAKE) + " --install " + Quoted(kBuild) + " --prefix " + Quoted(Prefix) + " 2>&1", out);
        InstallOutput = out;
    }
    // The sanitizer builds of the programs are large.
    static void TearDownTestSuite() { gwtest::Run("rm -rf " + Quoted(Root)); }
    void SetUp() override { ASSERT_EQ(InstallStatus, 0) << InstallOutput; }

    static inline std::string Root, Prefix;
    static inline int InstallStatus = -1;
    static inline std::string InstallOutput;
};

TEST_F(Install, ProgramsAndEveryPresetGoWhereTheProgramsLook) {
    for (const std::string& program : kPrograms)
        EXPECT_TRUE(IsRegularFile(Prefix + "/bin/" + program, true)) << program;

    const std::string data = Prefix + "/share/glimworks";
    const std::set<std::string> buttons = FilesWith(kBuild + "/glimmo", ".glw");
    EXPECT_FALSE(buttons.empty());
    EXPECT_EQ(FilesWith(data + "/glimmo", ".glw"), buttons);
    EXPECT_EQ(gwtest::ListDir(data + "/glimmo").size(), buttons.size()) << "only the presets are installed";
    for (const char* folder : {"wood", "stone", "industrial", "ornamental", "misc"}) {
        const std::set<std::string> tiles = FilesWith(kBuild + "/mozaro/" + folder, ".mzo");
        EXPECT_FALSE(tiles.empty()) << folder;
        EXPECT_EQ(FilesWith(data + "/mozaro/" + folder, ".mzo"), tiles) << folder;
    }
}

TEST_F(Install, DesktopEntriesAreValidAndNameTheirProgramAndIcon) {
    for (const std::string& program : kPrograms) {
        const std::string entry = Prefix + "/share/applications/" + program + ".desktop";
        std::map<std::string, std::string> keys = EntryKeys(entry);
        EXPECT_EQ(keys["Type"], "Application") << entry;
        EXPECT_EQ(keys["Exec"], program);
        EXPECT_EQ(keys["Icon"], program);
        EXPECT_FALSE(keys["Name"].empty());
        EXPECT_FALSE(keys["Comment"].empty());
        EXPECT_NE((";" + keys["Categories"]).find(";Graphics;"), std::string::npos) << keys["Categories"];
        if (gwtest::PeerAvailable("desktop-file-validate")) {
            std::string out;
            EXPECT_EQ(Capture("desktop-file-validate " + Quoted(entry) + " 2>&1", out), 0) << out;
            EXPECT_EQ(out, "") << "no warning either";
        }
    }
}

TEST_F(Install, IconsInTheUsualSizesShowAPicture) {
    for (const std::string& program : kPrograms)
        for (const int size : kUsualIconSizes) {
            const std::string folder = std::to_string(size) + "x" + std::to_string(size);
            const std::string icon = Prefix + "/share/icons/hicolor/" + folder + "/apps/" + program + ".png";
            ASSERT_TRUE(IsRegularFile(icon)) << icon;
            EXPECT_EQ(gwtest::ReadFile(icon).substr(0, 8), "\x89PNG\r\n\x1a\n") << icon;
            if (!gwtest::PeerAvailable("identify")) continue;
            // Size and number of distinct colours as ImageMagick reads them:
            // an engine that drew nothing gives one or two colours.
            std::string out;
            ASSERT_EQ(Capture("identify -format '%w %h %k' " + Quoted(icon), out), 0) << icon;
            int w = 0, h = 0, colours = 0;
            std::istringstream(out) >> w >> h >> colours;
            EXPECT_EQ(w, size) << icon;
            EXPECT_EQ(h, size) << icon;
            EXPECT_GE(colours, 8) << icon;
        }
}

// The command line of the desktop entry, run with the installed bin/ first
// on the path, starts the program; it loads the first preset it finds.
TEST_F(Install, InstalledProgramsLoadAPresetFromTheInstalledFolder) {
    const std::map<std::string, std::string> expected = {{"glimmo", Prefix + "/share/glimworks/glimmo/"},
                                                         {"mozaro", Prefix + "/share/glimworks/mozaro/wood/"}};
    for (const std::string& program : kPrograms) {
        std::map<std::string, std::string> keys = EntryKeys(Prefix + "/share/applications/" + program + ".desktop");
        ASSERT_FALSE(keys["Exec"].empty()) << program;
        std::string out;
        const int status =
            Capture("cd / && PATH=" + Quoted(Prefix + "/bin") + ":\"$PATH\" QT_QPA_PLATFORM=offscreen timeout 120 " +
                        keys["Exec"] + " --load-first-preset",
                    out);
        EXPECT_EQ(status, 0) << program << ": " << out;
        EXPECT_EQ(out.rfind("loaded " + expected.at(program), 0), 0u) << out;
    }
}

// Run from the build, the same programs use the build's preset folders.
TEST(BuildTree, ProgramsLoadAPresetFromTheBuildFolder) {
    const std::map<std::string, std::string> expected = {{"glimmo", kBuild + "/glimmo/"},
                                                         {"mozaro", kBuild + "/mozaro/wood/"}};
    for (const std::string& program : kPrograms) {
        std::string out;
        const int status = Capture("cd / && QT_QPA_PLATFORM=offscreen timeout 120 " +
                                       Quoted(kBuild + "/bin/" + program) + " --load-first-preset",
                                   out);
        EXPECT_EQ(status, 0) << program << ": " << out;
        EXPECT_EQ(out.rfind("loaded " + expected.at(program), 0), 0u) << out;
    }
}

}  // namespace
