// JPEG files: against ImageMagick in both directions, the information
// texts, warnings, aborts and broken files.
#include <thread>

#include "PeerImages.h"
#include "platform/MessageBox.h"

using namespace peer;

namespace {

class JpegPeerTest : public FormatTest {
protected:
    void SetUp() override {
        if (!HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
        Dir = gwtest::TempDir("jpeg");
        Source = Dir + "/source.ppm";
        WritePPM(Source, TestPattern(64, 48));
    }
    std::string Make(const std::string& name, const std::string& options) {
        const std::string path = Dir + "/" + name;
        EXPECT_EQ(Convert("'" + Source + "' " + options + " '" + path + "'"), 0) << options;
        return path;
    }
    std::string Dir, Source;
};

// A baseline JPEG made by us, for the tests that damage one.
std::string SmallJpeg(int width = 32, int height = 24) {
    TPixelGraphic g;
    ToGraphic(TestPattern(width, height), g);
    return SaveBytes(g, "jpg");
}

std::string LoadError(const std::string& bytes, TPGWarningAction mode = pgwaRaise) {
    TPixelGraphic g;
    try {
        LoadBytes(g, bytes, "jpg", mode);
    } catch (const EPixelGraphic& e) {
        return e.Message();
    }
    return "";
}

// A stream that fails once a number of bytes were read.
class TFailingStream : public TMemoryStream {
public:
    TFailingStream(std::vector<uint8_t> data, int64_t failAt) : TMemoryStream(std::move(data)), FFailAt(failAt) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (GetPosition() + count > FFailAt) throw EReadError("disk gone");
        return TMemoryStream::Read(buffer, count);
    }

private:
    int64_t FFailAt;
};

}  // namespace

TEST_F(JpegPeerTest, DecodesLikeImageMagick) {
    const struct {
        const char* Name;
        const char* Options;
        int BitCount;
        const char* SubFormat;
    } kCases[] = {
        {"colour.jpg", "-quality 90", 24, "JFIF, YCbCr"},
        {"grey.jpg", "-colorspace Gray", 8, "JFIF, GrayScale"},
        {"progressive.jpg", "-interlace Plane", 24, "JFIF, YCbCr, Progressive"},
    };
    for (const auto& c : kCases) {
        const std::string path = Make(c.Name, c.Options);
        TPixelGraphic g;
        LoadFile(g, path);
        EXPECT_EQ(g.GetBitCount(), c.BitCount) << c.Name;
        if (c.BitCount == 8) {
            EXPECT_EQ(g.GetPaletteType(), pGray256);
        }
        const TRGBImage ours = FromGraphic(g), theirs = PeerDecode(path);
        EXPECT_LT(MeanDifference(ours, theirs), 1.0) << c.Name;
        EXPECT_LE(MaxDifference(ours, theirs), 12) << c.Name;
        TPictureInfo info;
        ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
        EXPECT_EQ(info.SubFormat, c.SubFormat);
        EXPECT_EQ(info.Width, 64);
        EXPECT_EQ(info.Height, 48);
        EXPECT_EQ(info.BitsPerPixel, c.BitCount);
        EXPECT_EQ(info.ColorCount, c.BitCount == 8 ? "256" : "16.7M");
        EXPECT_EQ(info.Description, "JPEG (JFIF compliant)");
    }
}

TEST_F(JpegPeerTest, CmykIsRefusedButDescribed) {
    const std::string path = Make("cmyk.jpg", "-colorspace CMYK");
    TPixelGraphic g;
    try {
        LoadFile(g, path);
        ADD_FAILURE() << "loaded a CMYK file";
    } catch (const EPGJPGFileFormatReaderWriter& e) {
        EXPECT_EQ(e.Message(), "JPG: Not supported subformat");
    }
    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
    EXPECT_EQ(info.SubFormat, "Adope, YCbCrK");  // ImageMagick stores CMYK transformed
    EXPECT_EQ(info.BitsPerPixel, 32);
    EXPECT_EQ(info.ColorCount, "4294.9M");
}

TEST_F(JpegPeerTest, ImageMagickReadsWhatWeWrite) {
    // ImageMagick sees what we see, and our loss is no worse than its own
    // encoder's at the same quality.
    const TRGBImage pattern = TestPattern(64, 48);
    const double theirLoss = MeanDifference(PeerDecode(Make("theirs.jpg", "-quality 80")), pattern);
    const auto check = [&](TPixelGraphic& g, const std::string& name, double loss) {
        const std::string path = Dir + "/" + name;
        g.SaveToFile(path);
        TPixelGraphic back;
        LoadFile(back, path);
        const TRGBImage peer = PeerDecode(path);
        EXPECT_LT(MeanDifference(peer, FromGraphic(back)), 1.0) << name;
        EXPECT_LT(MeanDifference(peer, FromGraphic(g)), loss) << name;
    };
    TPixelGraphic g;
    ToGraphic(pattern, g);
    check(g, "ours.jpg", theirLoss + 1.0);

    TPixelGraphic red;
    red.SetSize(16, 16, 3);
    red.SetBackgroundColor(RGB(250, 20, 10));
    red.Clear();
    check(red, "red.jpg", 2.0);

    // A 256-grey picture is stored with one component.
    TPixelGraphic grey;
    grey.SetSize(64, 48, 2);
    grey.SetPaletteType(pGray256);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) grey.SetPixel(x, y, uint32_t((x * 4 + y) & 0xFF));
    check(grey, "grey.jpeg", 2.0);
    TPictureInfo info;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/grey.jpeg", 0, info));
    EXPECT_EQ(info.SubFormat, "JFIF, GrayScale");

    // Progressive on request.
    JpegProgressive = true;
    check(g, "progressive.jpg", theirLoss + 1.0);
    JpegProgressive = false;
    ASSERT_TRUE(GetPictureFileInfo(Dir + "/progressive.jpg", 0, info));
    EXPECT_EQ(info.SubFormat, "JFIF, YCbCr, Progressive");
}

TEST_F(FormatTest, QualityDecidesTheSizeAndCanBeGivenPerSave) {
    TPixelGraphic g;
    ToGraphic(TestPattern(80, 60), g);
    JpegQuality = 95;
    const size_t fine = SaveBytes(g, "jpg").size();
    TMemoryStream thumb;
    SaveToStreamExtWithJpegQuality(g, thumb, "jpg", 30);
    EXPECT_LT(size_t(thumb.GetSize()), fine * 2 / 3);
    EXPECT_EQ(JpegQuality, 95);
    EXPECT_EQ(CurrentJpegQuality(), 95);
    EXPECT_EQ(SaveBytes(g, "jpg").size(), fine);
    JpegQuality = 80;
}

TEST_F(FormatTest, WriterTakesOnly24BitsAndGrey) {
    TPixelGraphic g;
    g.SetSize(8, 8, 1);
    g.SetPaletteType(pGray16);
    TFileFormatWriter* writer = FindFileFormatWriter("jpg");
    ASSERT_NE(writer, nullptr);
    TMemoryStream s;
    try {
        writer->Write(s, g);
        ADD_FAILURE();
    } catch (const EPGJPGFileFormatReaderWriter& e) {
        EXPECT_EQ(e.Message(), "JPG: Invalid value for BitCount");
    }
    // Through the save path the picture is converted instead.
    g.SetSaveColorResWarningAction(pgwaIgnore);
    TPixelGraphic back;
    LoadBytes(back, SaveBytes(g, "jpg"), "jpg");
    EXPECT_EQ(back.GetBitCount(), 8);  // 16 greys fall to 256 greys
}

TEST_F(FormatTest, UserAbortEndsTheReadQuietly) {
    const std::string bytes = SmallJpeg(32, 24);
    TPixelGraphic g;
    int rows = 0, ends = 0;
    g.OnProgress = [&](TPixelGraphic*, int step, int max, bool& abort) {
        EXPECT_EQ(max, 24);
        EXPECT_EQ(step, ++rows);
        abort = rows == 5;
    };
    g.OnProgressEnd = [&](TPixelGraphic*) { ++ends; };
    LoadBytes(g, bytes, "jpg");
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(g.GetHeight(), 24);
    EXPECT_NE(g.GetPixelColor(31, 0), 0u);
    EXPECT_EQ(g.GetPixelColor(31, 23), 0u);  // never decoded
}

TEST_F(FormatTest, TruncatedFileWarnsByTheWarningMode) {
    const std::string bytes = SmallJpeg(64, 64);
    const size_t scan = bytes.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const std::string cut = bytes.substr(0, (scan + bytes.size()) / 2);
    EXPECT_EQ(LoadError(cut, pgwaRaise).rfind("JPG: Premature end of JPEG file", 0), 0u) << LoadError(cut);
    EXPECT_EQ(LoadError(cut, pgwaIgnore), "");

    std::vector<TMessageBoxRequest> shown;
    int answer = mrCancel;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        shown.push_back(r);
        return answer;
    });
    EXPECT_EQ(LoadError(cut, pgwaOKCancelBox), "JPG: Operation aborted on user request");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "JPG Warning");
    EXPECT_EQ(shown[0].Type, mtWarning);
    EXPECT_EQ(shown[0].Buttons, mbOKCancel);
    answer = mrOk;
    EXPECT_EQ(LoadError(cut, pgwaOKCancelBox), "");
    EXPECT_EQ(LoadError(cut, pgwaOKBox), "");
    EXPECT_EQ(shown.back().Buttons, mbOK);

    // A worker thread shows no box and goes on.
    shown.clear();
    std::string fromThread = "not run";
    std::thread([&] { fromThread = LoadError(cut, pgwaOKCancelBox); }).join();
    EXPECT_EQ(fromThread, "");
    EXPECT_TRUE(shown.empty());
    SetMessageBoxHandler(old);
}

TEST_F(FormatTest, BrokenFilesRaiseTheFormatsException) {
    const std::string bytes = SmallJpeg();
    // Garbage after the start marker.
    EXPECT_EQ(LoadError(bytes.substr(0, 2) + std::string(200, '\x11')).rfind("JPG: ", 0), 0u);
    // Nothing but the start marker.
    EXPECT_EQ(LoadError(bytes.substr(0, 2)).rfind("JPG: ", 0), 0u);
    // A frame header claiming 65000 x 65000 pixels is refused before decoding.
    std::string huge = bytes;
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = huge[sof + 7] = '\xFD';
    huge[sof + 6] = huge[sof + 8] = '\xE8';
    EXPECT_EQ(LoadError(huge), "JPG: Invalid size of Image");

    TPixelGraphic g;
    EXPECT_THROW(
        {
            TMemoryStream s(Bytes(bytes));
            g.LoadFromStreamIndex(s, "jpg", 1);
        },
        EPGJPGFileFormatReaderWriter);

    // The stream's own failure comes through unchanged.
    TFailingStream failing(Bytes(bytes), 100);
    EXPECT_THROW(g.LoadFromStream(failing), EReadError);
}

TEST_F(FormatTest, DecodedDataIsGivenBackToTheStream) {
    // A JPEG inside a larger stream leaves the stream right behind it.
    const std::string bytes = SmallJpeg();
    TMemoryStream s(Bytes(bytes + "TRAILER"));
    TPixelGraphic g;
    g.SetFastRead(true);
    g.LoadFromStreamExt(s, "jpg");
    EXPECT_EQ(s.GetPosition(), int64_t(bytes.size()));
}
