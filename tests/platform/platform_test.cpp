#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "platform/Colors.h"
#include "platform/MathUtil.h"
#include "platform/MessageBox.h"
#include "platform/Random.h"
#include "platform/Streams.h"
#include "platform/StringList.h"
#include "support/SaveTargets.h"
#include "support/TestFiles.h"

TEST(Rounding, HalvesGoToEven) {
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-0.5), 0);
    EXPECT_EQ(Round(-1.5), -2);
    EXPECT_EQ(Trunc(-1.7), -1);
    EXPECT_EQ(Div(-7, 2), -3);
    EXPECT_EQ(PosMod(-1, 256), 255);
}

TEST(RandomGenerator, FollowsTheLinearCongruence) {
    TRandomGenerator g(0);
    EXPECT_EQ(g.NextInt(100), static_cast<int32_t>((uint64_t(1) * 100) >> 32));
    EXPECT_EQ(g.GetSeed(), 1u);
    g.NextReal();
    EXPECT_EQ(g.GetSeed(), 134775813u + 1u);
    g.SetSeed(0xFFFFFFFFu);
    double r = g.NextReal();
    EXPECT_EQ(g.GetSeed(), 0xFFFFFFFFu * 134775813u + 1u);
    EXPECT_DOUBLE_EQ(r, g.GetSeed() / 4294967296.0);
    // Integer draws stay in range and are the high word of s * n.
    g.SetSeed(12345);
    for (int i = 0; i < 1000; ++i) {
        uint32_t before = g.GetSeed() * 134775813u + 1u;
        int32_t v = g.NextInt(7);
        EXPECT_EQ(v, static_cast<int32_t>((uint64_t(before) * 7) >> 32));
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
    SetRandSeed(42);
    EXPECT_EQ(GetRandSeed(), 42u);
}

TEST(StringListText, UsesCrLfAndSplitsAnyBreak) {
    TStringList l{"a", "", "b"};
    EXPECT_EQ(l.GetText(), "a\r\n\r\nb\r\n");
    l.SetText("x\ny\r\nz\rw");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[3], "w");
    l.SetText("only\r\n");
    EXPECT_EQ(l.Count(), 1);
    EXPECT_THROW(l.Get(1), EListError);
    TMemoryStream m;
    l.SaveToStream(m);
    m.SetPosition(0);
    TStringList back;
    back.LoadFromStream(m);
    EXPECT_EQ(back, l);
}

TEST(ColorText, IdentifiersAndHexRoundTrip) {
    EXPECT_EQ(ColorToString(clBlack), "clBlack");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(StringToColor("clWhite"), clWhite);
    EXPECT_EQ(StringToColor("$00123456"), 0x123456);
    EXPECT_EQ(StringToColor("255"), 255);
    EXPECT_EQ(StringToColor(ColorToString(clInfoBk)), clInfoBk);
    EXPECT_THROW(StringToColor("bogus"), EConvertError);
    EXPECT_THROW(StringToColor("$123456789"), EConvertError);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
    EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0xABCDEFu);
}

TEST(MemoryStreamIO, ReadWriteSeekAndShortRead) {
    TMemoryStream m;
    m.WriteValue<uint32_t>(0x11223344);
    m.WriteBuffer("abc", 3);
    EXPECT_EQ(m.GetSize(), 7);
    m.SetPosition(0);
    EXPECT_EQ(m.ReadValue<uint32_t>(), 0x11223344u);
    char buf[8];
    EXPECT_THROW(m.ReadBuffer(buf, 4), EReadError);
    m.Seek(-3, soEnd);
    EXPECT_EQ(m.Read(buf, 8), 3);
}

TEST(SafeFileStream, ReplacesOnlyOnCommit) {
    std::string dir = gwtest::TempDir("safefile");
    std::string path = dir + "/f.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("old", 3);
    }
    {
        TSafeFileStream s(path);
        s.WriteBuffer("new content", 11);
        // Not committed: the old file stays.
    }
    EXPECT_EQ(gwtest::ReadFile(path), "old");
    {
        TSafeFileStream s(path);
        s.WriteBuffer("new", 3);
        s.Commit();
    }
    EXPECT_EQ(gwtest::ReadFile(path), "new");
    EXPECT_EQ(gwtest::ListDir(dir).size(), 1u);  // no temporary left behind
    EXPECT_THROW(TFileStream(dir + "/missing", fmOpenRead), EFOpenError);
}

TEST(SafeFileStream, TheLongestNameSavesAndATakenNameIsLeftAlone) {
    std::string dir = gwtest::TempDir("safefile");
    // 255 bytes, the longest entry a folder takes; its temporary file's name
    // must still fit.
    const std::string longest = dir + "/" + std::string(251, 'n') + ".bin";
    {
        TSafeFileStream s(longest);
        s.WriteBuffer("long", 4);
        s.Commit();
    }
    EXPECT_EQ(gwtest::ReadFile(longest), "long");

    const std::string taken = dir + "/taken.bin", free = dir + "/free.bin";
    gwtest::WriteFile(taken, "theirs");
    {
        TSafeFileStream s(dir + "/mine.bin");
        s.WriteBuffer("mine", 4);
        EXPECT_FALSE(s.CommitAs(taken, false));
        EXPECT_EQ(gwtest::ReadFile(taken), "theirs");
        EXPECT_TRUE(s.CommitAs(free, false));
        EXPECT_EQ(s.Target(), free);
    }
    EXPECT_EQ(gwtest::ReadFile(free), "mine");
    {
        TSafeFileStream s(dir + "/mine.bin");
        s.WriteBuffer("dropped", 7);
        EXPECT_FALSE(s.CommitAs(taken, false));
    }  // given up: its temporary file goes
    EXPECT_EQ(gwtest::ReadFile(taken), "theirs");
    EXPECT_EQ(gwtest::ListDir(dir).size(), 3u);
}

namespace {
// Runs body in a child process that stops at the entry and the exit of every
// system call it makes; look runs at each stop, while the child waits.
// Returns the child's exit status (77: it could not be traced).
int AtEverySystemCall(const std::function<void()>& body, const std::function<void()>& look) {
    const pid_t pid = gwtest::Spawn([&] {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(77);
        ::raise(SIGSTOP);
        body();
    });
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFSTOPPED(status)) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // ptrace takes its options and signals as pointers.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    ::ptrace(PTRACE_SYSCALL, pid, nullptr, nullptr);
    for (;;) {
        ::waitpid(pid, &status, 0);
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        if (WIFSIGNALED(status)) return -1;
        long signal = 0;
        if (WSTOPSIG(status) == (SIGTRAP | 0x80)) look();
        else signal = WSTOPSIG(status);
        ::ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void*>(signal));  // NOLINT(performance-no-int-to-ptr)
    }
}

unsigned ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Restores the umask the test changed.
struct TUmask {
    mode_t Old;
    explicit TUmask(mode_t mask) : Old(::umask(mask)) {}
    ~TUmask() { ::umask(Old); }
};
}  // namespace

TEST(SafeFileStream, TheNewContentOfAPrivateFileIsNeverOpenToOthers) {
    const std::string dir = gwtest::TempDir("safefile");
    const std::string path = dir + "/design.glw";
    gwtest::WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    // Between any two system calls of the save, whatever temporary file
    // there is beside the design is private.
    int looks = 0, seen = 0;
    unsigned others = 0;
    const int status = AtEverySystemCall(
        [&] {
            TSafeFileStream s(path);
            s.WriteBuffer("new", 3);
            s.Commit();
        },
        [&] {
            ++looks;
            for (const std::string& name : gwtest::ListDir(dir)) {
                if (name == "design.glw") continue;
                ++seen;
                others |= ModeOf(dir + "/" + name) & 0077;
            }
        });
    if (status == 77) GTEST_SKIP() << "the system does not let the test trace its child";
    ASSERT_EQ(status, 0);
    EXPECT_GT(seen, 0) << "no temporary file in " << looks << " looks";
    EXPECT_EQ(others, 0u) << "a temporary file of a 0600 file had group or other bits " << std::oct << others;
    EXPECT_EQ(gwtest::ReadFile(path), "new");
    EXPECT_EQ(ModeOf(path), 0600u);

    // A copy under another name gets the mode too; a new file the one its
    // umask gives.
    {
        TSafeFileStream s(path);
        s.WriteBuffer("copy", 4);
        EXPECT_TRUE(s.CommitAs(dir + "/1.design.glw", false));
    }
    EXPECT_EQ(ModeOf(dir + "/1.design.glw"), 0600u);
    for (const auto& [mask, mode] : {std::pair<mode_t, unsigned>{022, 0644}, {027, 0640}, {077, 0600}}) {
        const TUmask umask(mask);
        const std::string fresh = dir + "/new" + std::to_string(mask) + ".glw";
        TSafeFileStream s(fresh);
        s.WriteBuffer("x", 1);
        s.Commit();
        EXPECT_EQ(ModeOf(fresh), mode) << std::oct << mask;
    }
}

TEST(FilePaths, SplitWithSlashes) {
    EXPECT_EQ(ExtractFileExt("/a.b/c.BMP"), ".BMP");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFilePath("/x/y.z"), "/x/");
    EXPECT_EQ(ChangeFileExt("/x.d/y.z", ".png"), "/x.d/y.png");
}

TEST(MessageBoxService, HandlerSeesTheRequest) {
    std::string seen;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        seen = r.Text;
        return mrCancel;
    });
    EXPECT_EQ(ShowMessageBox("hello", "cap", mtWarning, mbOKCancel), mrCancel);
    EXPECT_EQ(seen, "hello");
    SetMessageBoxHandler(old);
}
