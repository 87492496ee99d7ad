// Pictures through the system clipboard: the packed DIB for us, an image
// for everybody else.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "PeerImages.h"
#include "image/PGClipboard.h"

using namespace peer;

TEST_F(FormatTest, CopyAndPasteKeepThePictureExactly) {
    TPixelGraphic src;
    src.SetSize(7, 5, 2);
    src.SetPaletteType(pSpecial216);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) src.SetPixel(x, y, uint32_t(x * 30 + y));
    CopyGraphicToClipboard(src);
    ASSERT_TRUE(ClipboardHasGraphic());

    // Other programs find an image with the same colours.
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasImage());
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    ASSERT_EQ(image.width(), 7);
    const uint32_t c = src.GetPixelColor(3, 4);
    EXPECT_EQ(image.pixel(3, 4) & 0xFFFFFF, QColor(GetRValue(c), GetGValue(c), GetBValue(c)).rgb() & 0xFFFFFF);

    TPixelGraphic back;
    PasteGraphicFromClipboard(back);
    EXPECT_EQ(back.GetBitCount(), 8);
    EXPECT_EQ(back.GetPaletteType(), pSpecial216);
    EXPECT_EQ(MaxDifference(FromGraphic(src), FromGraphic(back)), 0);
}

TEST_F(FormatTest, ForeignClipboardContentIsRefused) {
    QGuiApplication::clipboard()->setText("just text");
    EXPECT_FALSE(ClipboardHasGraphic());
    TPixelGraphic g;
    EXPECT_THROW(PasteGraphicFromClipboard(g), EPGUnknownClipboardFormat);
    EXPECT_THROW(SetClipboardFormatData(2, {1, 2, 3}), EPGUnknownClipboardFormat);
    EXPECT_THROW(SetClipboardFormatData(CF_DIB, {40, 0, 0}), EPGBMPFileFormatReader);

    // A block made elsewhere goes on the clipboard as it is.
    TPixelGraphic src;
    ToGraphic(TestPattern(3, 3), src);
    TMemoryStream block;
    int format = 0;
    src.SaveToClipboardFormat(format, block);
    SetClipboardFormatData(format, block.Data());
    PasteGraphicFromClipboard(g);
    EXPECT_EQ(MaxDifference(FromGraphic(src), FromGraphic(g)), 0);
}
