// JPEG files against ImageMagick; information texts, warnings, aborts and
// broken files.
#include <thread>

#include "PeerImages.h"
#include "platform/MessageBox.h"

using namespace peer;

TEST_F(PeerTest, DecodesLikeImageMagickAndDescribesTheFile) {
    const std::string src = WritePPM(Dir + "/src.ppm", Pattern(64, 48));
    const struct {
        const char *Options, *Output, *SubFormat;
        int Bits;
    } kCases[] = {
        {"-quality 90", "colour.jpg", "JFIF, YCbCr", 24},
        {"-colorspace Gray", "grey.jpeg", "JFIF, GrayScale", 8},
        {"-interlace Plane", "JPEG:progressive.jif", "JFIF, YCbCr, Progressive", 24},
        {"-colorspace CMYK", "cmyk.jpg", "Adope, YCbCrK", 32},  // ImageMagick stores CMYK transformed
    };
    for (const auto& c : kCases) {
        const std::string path = Make(src, c.Options, c.Output);
        TPictureInfo info;
        ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
        EXPECT_EQ(info.SubFormat, c.SubFormat);
        EXPECT_EQ(info.BitsPerPixel, c.Bits);
        EXPECT_EQ(info.ColorCount, c.Bits == 8 ? "256" : c.Bits == 24 ? "16.7M" : "4294.9M");
        EXPECT_EQ(info.Width * 100 + info.Height, 6448);
        if (c.Bits == 32) {
            EXPECT_EQ(LoadError(gwtest::ReadFile(path), "jpg"), "JPG: Not supported subformat");
            continue;
        }
        TPixelGraphic g;
        const TRGB ours = LoadFile(path, &g), theirs = PeerDecode(path);
        EXPECT_EQ(g.GetBitCount(), c.Bits);
        EXPECT_EQ(g.GetPaletteType(), c.Bits == 8 ? pGray256 : pTrueColor);
        EXPECT_LT(Difference(ours, theirs, true), 1.0) << c.Output;
        EXPECT_LE(Difference(ours, theirs), 12) << c.Output;
    }
}

TEST_F(PeerTest, ImageMagickReadsWhatWeWrite) {
    // ImageMagick sees what we see, and we lose no more than its own
    // encoder at the same quality.
    const TRGB pattern = Pattern(64, 48);
    const double theirLoss =
        Difference(PeerDecode(Make(WritePPM(Dir + "/src.ppm", pattern), "-quality 80", "theirs.jpg")), pattern, true);
    TPixelGraphic colour, red, grey;
    ToGraphic(pattern, colour);
    red.SetSize(16, 16, 3);
    red.SetBackgroundColor(RGB(250, 20, 10));
    red.Clear();
    grey.SetSize(64, 48, 2);
    grey.SetPaletteType(pGray256);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) grey.SetPixel(x, y, uint32_t((x * 4 + y) & 0xFF));
    const struct {
        TPixelGraphic* Picture;
        const char* Name;
        bool Progressive;
        double Loss;
        const char* SubFormat;
    } kCases[] = {{&colour, "ours.jpg", false, theirLoss + 1, "JFIF, YCbCr"},
                  {&red, "red.jpg", false, 2, "JFIF, YCbCr"},
                  {&grey, "grey.jpg", false, 2, "JFIF, GrayScale"},
                  {&colour, "progressive.jpg", true, theirLoss + 1, "JFIF, YCbCr, Progressive"}};
    for (const auto& c : kCases) {
        const std::string path = Dir + "/" + c.Name;
        JpegProgressive = c.Progressive;
        c.Picture->SaveToFile(path);
        JpegProgressive = false;
        const TRGB peer = PeerDecode(path);
        EXPECT_LT(Difference(peer, LoadFile(path), true), 1.0) << c.Name;
        EXPECT_LT(Difference(peer, FromGraphic(*c.Picture), true), c.Loss) << c.Name;
        TPictureInfo info;
        ASSERT_TRUE(GetPictureFileInfo(path, 0, info));
        EXPECT_EQ(info.SubFormat, c.SubFormat);
    }
}

TEST_F(FormatTest, QualityCanBeGivenPerSave) {
    TPixelGraphic g;
    ToGraphic(Pattern(80, 60), g);
    JpegQuality = 95;
    const size_t fine = SaveBytes(g, "jpg").size();
    TMemoryStream thumb;
    SaveToStreamExtWithJpegQuality(g, thumb, "jpg", 30);
    EXPECT_LT(size_t(thumb.GetSize()), fine * 2 / 3);
    EXPECT_EQ(CurrentJpegQuality(), 95);
    EXPECT_EQ(SaveBytes(g, "jpg").size(), fine);
    JpegQuality = 80;
}

TEST_F(FormatTest, ZeroGammaDividesByNothing) {
    TPixelGraphic g;
    DisplayGamma = 0;
    LoadBytes(g, PatternBytes(4, 4, "jpg"), "jpg");
    DisplayGamma = 1.8L;
    EXPECT_EQ(g.GetWidth(), 4);
    g.SetGamma(0);  // no gamma chunk rather than 1 / 0
    EXPECT_EQ(LoadError(SaveBytes(g, "png"), "png"), "");
}

TEST_F(FormatTest, WriterTakesOnly24BitsAndGreyTheSavePathConverts) {
    TPixelGraphic g;
    g.SetSize(8, 8, 1);
    g.SetPaletteType(pGray16);
    TMemoryStream s;
    try {
        FindFileFormatWriter("jpg")->Write(s, g);
        ADD_FAILURE();
    } catch (const EPGJPGFileFormatReaderWriter& e) {
        EXPECT_EQ(e.Message(), "JPG: Invalid value for BitCount");
    }
    g.SetSaveColorResWarningAction(pgwaIgnore);
    TPixelGraphic back;
    LoadBytes(back, SaveBytes(g, "jpg"), "jpg");
    EXPECT_EQ(back.GetBitCount(), 8);  // 16 greys go to 256 greys
}

TEST_F(FormatTest, UserAbortEndsTheReadQuietly) {
    TPixelGraphic g;
    int rows = 0, ends = 0;
    g.OnProgress = [&](TPixelGraphic*, int step, int max, bool& abort) {
        EXPECT_EQ(step * 100 + max, ++rows * 100 + 24);
        abort = rows == 5;
    };
    g.OnProgressEnd = [&](TPixelGraphic*) { ++ends; };
    LoadBytes(g, PatternBytes(32, 24, "jpg"), "jpg");
    EXPECT_EQ(rows * 10 + ends, 51);
    EXPECT_NE(g.GetPixelColor(31, 0), 0u);
    EXPECT_EQ(g.GetPixelColor(31, 23), 0u);  // never decoded
}

TEST_F(FormatTest, WarningsFollowTheWarningMode) {
    const std::string bytes = PatternBytes(64, 64, "jpg");
    const std::string cut = bytes.substr(0, (bytes.find("\xFF\xDA") + bytes.size()) / 2);
    EXPECT_EQ(LoadError(cut, "jpg").rfind("JPG: Premature end of JPEG file", 0), 0u);
    EXPECT_EQ(LoadError(cut, "jpg", pgwaIgnore), "");
    std::vector<TMessageBoxRequest> shown;
    int answer = mrCancel;
    auto old = SetMessageBoxHandler([&](const TMessageBoxRequest& r) {
        shown.push_back(r);
        return answer;
    });
    EXPECT_EQ(LoadError(cut, "jpg", pgwaOKCancelBox), "JPG: Operation aborted on user request");
    answer = mrOk;
    EXPECT_EQ(LoadError(cut, "jpg", pgwaOKCancelBox), "");
    EXPECT_EQ(LoadError(cut, "jpg", pgwaOKBox), "");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].Caption, "JPG Warning");
    EXPECT_EQ(shown[0].Buttons * 10 + shown[2].Buttons, mbOKCancel * 10 + mbOK);
    std::string fromThread = "not run";  // a worker shows nothing and goes on
    std::thread([&] { fromThread = LoadError(cut, "jpg", pgwaOKCancelBox); }).join();
    SetMessageBoxHandler(old);
    EXPECT_EQ(fromThread, "");
    EXPECT_EQ(shown.size(), 3u);
}

TEST_F(FormatTest, BrokenFilesAndFailingStreams) {
    const std::string bytes = PatternBytes(32, 24, "jpg");
    EXPECT_EQ(LoadError(bytes.substr(0, 2) + std::string(200, '\x11'), "jpg").rfind("JPG: ", 0), 0u);
    std::string huge = bytes;  // a frame of 65000 x 65000 is refused before decoding
    const size_t sof = huge.find("\xFF\xC0");
    huge.replace(sof + 5, 4, "\xFD\xE8\xFD\xE8");
    EXPECT_EQ(LoadError(huge, "jpg"), "JPG: Invalid size of Image");

    // An 8 x 8 file whose frame claims 18000 x 18000: its few bytes cannot
    // hold a bit for each block, whatever the warning mode would let pass.
    TPixelGraphic small;
    small.SetSize(8, 8, 3);
    std::string forged = SaveBytes(small, "jpg");
    ASSERT_LT(forged.size(), 1000u);
    forged.replace(forged.find("\xFF\xC0") + 5, 4, "\x46\x50\x46\x50");
    for (TPGWarningAction mode : {pgwaIgnore, pgwaOKBox, pgwaOKCancelBox, pgwaRaise})
        EXPECT_EQ(LoadError(forged, "jpg", mode), "JPG: Invalid size of Image") << mode;
    // A flat picture, its coefficients in runs of empty blocks, still loads.
    TPixelGraphic flat;
    flat.SetSize(1024, 1024, 2);
    flat.SetPaletteType(pGray256);
    JpegProgressive = true;
    const std::string flatBytes = SaveBytes(flat, "jpg");
    JpegProgressive = false;
    EXPECT_EQ(LoadError(flatBytes, "jpg"), "");

    // A failure of the stream inside the codec comes out as it was raised.
    struct TFailing : TMemoryStream {
        using TMemoryStream::TMemoryStream;
        int64_t Read(void* b, int64_t n) override {
            if (GetPosition() + n > 100) throw EReadError("disk gone");
            return TMemoryStream::Read(b, n);
        }
    } failing(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    TPixelGraphic g;
    EXPECT_THROW(g.LoadFromStream(failing), EReadError);

    // A JPEG inside a longer stream leaves the stream right behind it.
    const std::string longer = bytes + "TRAILER";
    TMemoryStream s(std::vector<uint8_t>(longer.begin(), longer.end()));
    g.SetFastRead(true);
    g.LoadFromStreamExt(s, "jpg");
    EXPECT_EQ(s.GetPosition(), int64_t(bytes.size()));
}
