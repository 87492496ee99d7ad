#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "platform/Controls.h"
#include "platform/Cursors.h"
#include "platform/ImageList.h"
#include "platform/Paint.h"

namespace {
QImage Canvas(int w, int h, TColor fill = clWhite) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ToQColor(fill));
    return img;
}

TColor At(const QImage& img, int x, int y) { return ImagePixelColor(img, x, y); }

// The image as rows of characters, one per pixel, from a colour legend.
std::vector<std::string> Rows(const QImage& img, const std::vector<std::pair<TColor, char>>& legend) {
    std::vector<std::string> rows;
    for (int y = 0; y < img.height(); ++y) {
        std::string row;
        for (int x = 0; x < img.width(); ++x) {
            char c = '?';
            for (const auto& [color, ch] : legend)
                if (static_cast<uint32_t>(At(img, x, y)) == ColorToRGB(color)) c = ch;
            row += c;
        }
        rows.push_back(row);
    }
    return rows;
}
}  // namespace

TEST(PaintLines, EndPointIsNotDrawnAndDashesRunOn) {
    QImage img = Canvas(8, 4);
    {
        QPainter p(&img);
        Line(p, TPen(clBlack), 1, 1, 5, 1);
        Polyline(p, TPen(clRed), {TPoint(0, 3), TPoint(2, 3), TPoint(2, 1)});
    }
    EXPECT_EQ(Rows(img, {{clWhite, '.'}, {clBlack, '#'}, {clRed, 'r'}}),
              (std::vector<std::string>{"........", ".####...", "..r.....", "rrr....."}));

    // A dotted pen: three on, three off, carried across the corner.
    QImage dots = Canvas(10, 3);
    {
        QPainter p(&dots);
        Polyline(p, TPen(clBlack, 1, psDot), {TPoint(0, 0), TPoint(4, 0), TPoint(4, 3)});
        Line(p, TPen(clBlack, 1, psClear), 0, 2, 9, 2);
    }
    EXPECT_EQ(Rows(dots, {{clWhite, '.'}, {clBlack, '#'}}),
              (std::vector<std::string>{"###.......", "..........", "....#....."}));
}

TEST(PaintRectangles, FrameRectangleAndFrame3D) {
    QImage img = Canvas(5, 4);
    {
        QPainter p(&img);
        Rectangle(p, TRect(0, 0, 5, 4), TPen(clBlack), clRed);
    }
    EXPECT_EQ(Rows(img, {{clWhite, '.'}, {clBlack, '#'}, {clRed, 'r'}}),
              (std::vector<std::string>{"#####", "#rrr#", "#rrr#", "#####"}));

    // A clear pen leaves the right column and bottom row alone.
    img = Canvas(4, 3);
    {
        QPainter p(&img);
        Rectangle(p, TRect(0, 0, 4, 3), TPen(clBlack, 1, psClear), clRed);
    }
    EXPECT_EQ(Rows(img, {{clWhite, '.'}, {clRed, 'r'}}), (std::vector<std::string>{"rrr.", "rrr.", "...."}));

    // Frame3D: the far corners belong to the bottom colour; r shrinks.
    img = Canvas(5, 5);
    TRect r(0, 0, 5, 5);
    {
        QPainter p(&img);
        Frame3D(p, r, clWhite, clBlack, 1);
    }
    EXPECT_EQ(r, TRect(1, 1, 4, 4));
    img = Canvas(5, 5, clGray);
    r = TRect(0, 0, 5, 5);
    {
        QPainter p(&img);
        Frame3D(p, r, clRed, clBlack, 2);
    }
    EXPECT_EQ(Rows(img, {{clGray, '.'}, {clBlack, '#'}, {clRed, 'r'}}),
              (std::vector<std::string>{"rrrr#", "rrr##", "rr.##", "r####", "#####"}));
}

TEST(PaintEdges, ClassicRaisedAndSunkenColours) {
    const char L = 'l', H = 'h', S = 's', D = 'd', F = 'f';
    const std::vector<std::pair<TColor, char>> legend = {{cl3DLight, L},    {clBtnHighlight, H}, {clBtnShadow, S},
                                                         {cl3DDkShadow, D}, {clBtnFace, F},      {clGreen, 'g'}};
    QImage img = Canvas(5, 5, clGreen);
    TRect r(0, 0, 5, 5);
    {
        QPainter p(&img);
        DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    EXPECT_EQ(Rows(img, legend), (std::vector<std::string>{"lllld", "lhhsd", "lhfsd", "lsssd", "ddddd"}));
    EXPECT_EQ(r, TRect(2, 2, 3, 3));

    img = Canvas(4, 4, clGreen);
    r = TRect(0, 0, 4, 4);
    {
        QPainter p(&img);
        DrawEdge(p, r, EDGE_SUNKEN, BF_RECT);
    }
    EXPECT_EQ(Rows(img, legend), (std::vector<std::string>{"sssh", "sdlh", "sllh", "hhhh"}));
    EXPECT_EQ(r, TRect(0, 0, 4, 4));

    // A lone inner edge draws on the outer pixels; only the chosen sides.
    img = Canvas(4, 3, clGreen);
    r = TRect(0, 0, 4, 3);
    {
        QPainter p(&img);
        DrawEdge(p, r, BDR_RAISEDINNER, BF_TOP | BF_LEFT);
    }
    EXPECT_EQ(Rows(img, legend), (std::vector<std::string>{"hhhh", "hggg", "hggg"}));
    // BF_SOFT swaps the top-left colours; BF_FLAT draws shadow only.
    img = Canvas(3, 3, clGreen);
    r = TRect(0, 0, 3, 3);
    {
        QPainter p(&img);
        DrawEdge(p, r, BDR_RAISEDOUTER, BF_RECT | BF_SOFT);
    }
    EXPECT_EQ(Rows(img, legend), (std::vector<std::string>{"hhd", "hgd", "ddd"}));
    img = Canvas(3, 3, clGreen);
    {
        QPainter p(&img);
        DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_FLAT);
    }
    EXPECT_EQ(Rows(img, legend), (std::vector<std::string>{"sss", "sfs", "sss"}));
}

TEST(PaintBevels, ShapesOfTheFrameworkBevel) {
    const std::vector<std::pair<TColor, char>> legend = {{clWhite, '.'}, {clRed, '1'}, {clBlue, '2'}};
    auto draw = [](TBevelShape shape) {
        QImage img = Canvas(4, 4);
        QPainter p(&img);
        PaintBevelShape(p, 4, 4, shape, clRed, clBlue);
        p.end();
        return img;
    };
    EXPECT_EQ(Rows(draw(bsBox), legend), (std::vector<std::string>{"1112", "1..2", "1..2", "1222"}));
    EXPECT_EQ(Rows(draw(bsFrame), legend), (std::vector<std::string>{"111.", "1212", "1112", ".222"}));
    EXPECT_EQ(Rows(draw(bsTopLine), legend), (std::vector<std::string>{"1111", "2222", "....", "...."}));
    EXPECT_EQ(Rows(draw(bsBottomLine), legend), (std::vector<std::string>{"....", "....", "1111", "2222"}));
    EXPECT_EQ(Rows(draw(bsLeftLine), legend), (std::vector<std::string>{"12..", "12..", "12..", "12.."}));
    EXPECT_EQ(Rows(draw(bsRightLine), legend), (std::vector<std::string>{"..12", "..12", "..12", "..12"}));
    EXPECT_EQ(Rows(draw(bsSpacer), legend), (std::vector<std::string>{"....", "....", "....", "...."}));
}

TEST(PaintBitmaps, MaskedCopyAndRasterOperations) {
    QImage src = Canvas(2, 2, clFuchsia);
    src.setPixel(1, 0, qRgb(0, 0, 255));
    src.setPixel(0, 1, qRgb(0, 255, 0));

    // The key colour leaves the target as it was.
    QImage dst = Canvas(3, 3, clGray);
    {
        QPainter p(&dst);
        MaskedBlit(p, 1, 1, src, clFuchsia);
    }
    EXPECT_EQ(Rows(dst, {{clGray, '.'}, {clBlue, 'b'}, {clLime, 'g'}}),
              (std::vector<std::string>{"...", "..b", ".g."}));

    // Stretched to 4 x 4 each pixel doubles.
    dst = Canvas(4, 4, clGray);
    {
        QPainter p(&dst);
        DrawBitmapTransparent(p, 0, 0, src, clFuchsia, 4, 4);
    }
    EXPECT_EQ(Rows(dst, {{clGray, '.'}, {clBlue, 'b'}, {clLime, 'g'}}),
              (std::vector<std::string>{"..bb", "..bb", "gg..", "gg.."}));

    // clNone copies every pixel.
    dst = Canvas(2, 2, clGray);
    {
        QPainter p(&dst);
        DrawBitmapTransparent(p, 0, 0, src, clNone);
    }
    EXPECT_EQ(At(dst, 0, 0), clFuchsia);

    // XOR, AND, XOR through a mask: black mask pixels show the source.
    QImage mask = Canvas(2, 2, clWhite);
    mask.setPixel(0, 0, qRgb(0, 0, 0));
    dst = Canvas(2, 2, clGray);
    {
        QPainter p(&dst);
        BitBlt(p, 0, 0, src, ropSrcInvert);
        BitBlt(p, 0, 0, mask, ropSrcAnd);
        BitBlt(p, 0, 0, src, ropSrcInvert);
    }
    EXPECT_EQ(At(dst, 0, 0), clFuchsia);
    EXPECT_EQ(At(dst, 1, 0), clGray);
    EXPECT_EQ(At(dst, 1, 1), clGray);
    EXPECT_EQ(MakeColorMask(src, clBlue).pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(MakeColorMask(src, clBlue).pixel(0, 0) & 0xFFFFFF, 0u);
}

TEST(PaintFocus, FocusRectangleInvertsEveryOtherPixelAndUndoes) {
    QImage img = Canvas(4, 3);
    {
        QPainter p(&img);
        DrawFocusRect(p, TRect(0, 0, 4, 3));
    }
    EXPECT_EQ(Rows(img, {{clWhite, '.'}, {clBlack, '#'}}), (std::vector<std::string>{"#.#.", "...#", "#.#."}));
    {
        QPainter p(&img);
        DrawFocusRect(p, TRect(0, 0, 4, 3));
    }
    EXPECT_EQ(Rows(img, {{clWhite, '.'}}), (std::vector<std::string>{"....", "....", "...."}));
}

TEST(CursorTable, RegisteredStockAndScreenCursors) {
    EXPECT_EQ(GetCursor(crHourGlass).shape(), Qt::WaitCursor);
    EXPECT_EQ(GetCursor(12345).shape(), Qt::ArrowCursor);
    SetCursor(14000, QCursor(Qt::PointingHandCursor));
    EXPECT_EQ(GetCursor(14000).shape(), Qt::PointingHandCursor);

    EXPECT_EQ(GetScreenCursor(), crDefault);
    {
        THourGlass wait;
        EXPECT_EQ(GetScreenCursor(), crHourGlass);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(GetScreenCursor(), crDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A 32 x 32 cursor from masks keeps its hot spot and its shape.
    std::vector<uint8_t> andMask(128, 0xFF), xorMask(128, 0x00);
    andMask[0] = 0x7F;  // top-left pixel black
    const QCursor c = MakeCursor(16, 12, 32, 32, andMask.data(), xorMask.data());
    EXPECT_EQ(c.hotSpot(), QPoint(16, 12));
    EXPECT_EQ(c.shape(), Qt::BitmapCursor);
}

TEST(ImageListTest, CellsMasksAndChanges) {
    TImageList list(4, 4);
    QSignalSpy changes(&list, &TImageList::Change);
    QImage strip = Canvas(12, 4, clRed);
    for (int y = 0; y < 4; ++y) strip.setPixel(4, y, qRgb(0, 0, 255));
    EXPECT_EQ(list.AddMasked(strip, clRed), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(changes.count(), 1);
    // Masked pixels take the background; others keep their colour.
    const QImage cell = list.GetBitmap(1, clGreen);
    EXPECT_EQ(At(cell, 0, 0), clBlue);
    EXPECT_EQ(At(cell, 1, 0), clGreen);
    EXPECT_TRUE(list.GetBitmap(3).isNull());

    // Drawing one image leaves the transparent pixels of the target.
    QImage target = Canvas(4, 4, clGray);
    {
        QPainter p(&target);
        list.Draw(p, 0, 0, 1);
        list.Draw(p, 0, 0, 99);
    }
    EXPECT_EQ(At(target, 0, 0), clBlue);
    EXPECT_EQ(At(target, 2, 2), clGray);

    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    list.SetSize(8, 8);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes.count(), 3);
}

TEST(GraphicControl, ClickOnlyForAReleaseOverTheControl) {
    QWidget host;
    host.resize(100, 100);
    host.show();
    TGraphicControl c(&host);
    c.SetBounds(10, 10, 30, 30);
    int clicks = 0, downs = 0;
    c.OnClick = [&](QObject* s) {
        EXPECT_EQ(s, &c);
        ++clicks;
    };
    c.OnMouseDown = [&](QObject*, TMouseButton b, TShiftState shift, int x, int y) {
        EXPECT_EQ(b, mbLeft);
        EXPECT_TRUE(shift & ssLeft);
        EXPECT_EQ(QPoint(x, y), QPoint(5, 6));
        ++downs;
    };
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(50, 6));
    EXPECT_EQ(clicks, 1);

    // Aligned controls follow the parent's size.
    c.SetAlign(alBottom);
    host.resize(120, 80);
    EXPECT_EQ(c.geometry(), QRect(0, 50, 120, 30));
    c.SetAlign(alClient);
    EXPECT_EQ(c.geometry(), QRect(0, 0, 120, 80));
}

TEST(GraphicControl, AcceleratorsAndFontColour) {
    EXPECT_EQ(AcceleratorOf(QStringLiteral("&File")), QChar('F'));
    EXPECT_EQ(AcceleratorOf(QStringLiteral("Save && e&xit")), QChar('X'));
    EXPECT_TRUE(AcceleratorOf(QStringLiteral("A && B")).isNull());
    EXPECT_TRUE(AcceleratorOf(QStringLiteral("Trailing&")).isNull());
    QWidget parent;
    QWidget child(&parent);
    SetFontColor(&parent, clMaroon);
    EXPECT_EQ(GetFontColor(&parent), clMaroon);
    EXPECT_EQ(GetFontColor(&child), clMaroon);  // inherited like the font
}
