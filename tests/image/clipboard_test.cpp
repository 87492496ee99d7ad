// Pictures through the system clipboard: the packed DIB for us, an image
// for everybody else.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "PeerImages.h"
#include "image/PGClipboard.h"

using namespace peer;

TEST_F(FormatTest, CopyAndPasteKeepThePictureExactly) {
    TPixelGraphic src, back;
    src.SetSize(7, 5, 2);
    src.SetPaletteType(pSpecial216);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) src.SetPixel(x, y, uint32_t(x * 30 + y));
    CopyGraphicToClipboard(src);
    ASSERT_TRUE(ClipboardHasGraphic());
    const QImage image = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    const uint32_t c = src.GetPixelColor(3, 4);
    EXPECT_EQ(image.pixel(3, 4), qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));  // for other programs
    PasteGraphicFromClipboard(back);
    EXPECT_EQ(back.GetBitCount() * 100 + back.GetPaletteType(), 800 + pSpecial216);
    EXPECT_EQ(Difference(FromGraphic(src), FromGraphic(back)), 0);

    TMemoryStream block;  // a block made elsewhere goes on as it is
    int format = 0;
    ToGraphic(Pattern(3, 3), src);
    src.SaveToClipboardFormat(format, block);
    SetClipboardFormatData(format, block.Data());
    PasteGraphicFromClipboard(back);
    EXPECT_EQ(Difference(FromGraphic(src), FromGraphic(back)), 0);
}

TEST_F(FormatTest, ForeignClipboardContentIsRefused) {
    QGuiApplication::clipboard()->setText("just text");
    TPixelGraphic g;
    EXPECT_FALSE(ClipboardHasGraphic());
    EXPECT_THROW(PasteGraphicFromClipboard(g), EPGUnknownClipboardFormat);
    EXPECT_THROW(SetClipboardFormatData(2, {1, 2, 3}), EPGUnknownClipboardFormat);
    EXPECT_THROW(SetClipboardFormatData(CF_DIB, {40, 0, 0}), EPGBMPFileFormatReader);
    EXPECT_THROW(g.LoadFromClipboardFormat(CF_DIB, nullptr), EPGUnknownClipboardFormat);
}
