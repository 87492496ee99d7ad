#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/DrawText.h"

namespace {
QFont TestFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(14);
    return f;
}

// Leftmost and rightmost columns and top and bottom rows holding a non-white pixel.
TRect InkBounds(const QImage& img) {
    TRect r(img.width(), img.height(), -1, -1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                r.Left = std::min(r.Left, x);
                r.Right = std::max(r.Right, x + 1);
                r.Top = std::min(r.Top, y);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

QImage Draw(const QString& text, TRect rect, unsigned format, int w = 200, int h = 100, int* result = nullptr) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(TestFont());
    p.setPen(Qt::black);
    int r = DrawText(p, text, rect, format);
    if (result) *result = r;
    return img;
}
}  // namespace

TEST(DrawTextMeasure, SingleLinesAndLineEnds) {
    QFontMetrics fm(TestFont());
    TRect r(10, 20, 11, 21);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("Hello"), r, DT_SINGLELINE), fm.height());
    EXPECT_EQ(r, TRect(10, 20, 10 + fm.horizontalAdvance(QStringLiteral("Hello")), 20 + fm.height()));

    // Empty text measures nothing: callers append a blank to get a height.
    r = TRect(0, 0, 100, 100);
    EXPECT_EQ(MeasureText(fm, QString(), r, 0), 0);
    EXPECT_EQ(r, TRect(0, 0, 0, 0));

    // CR, LF and CRLF each end a line; a final break adds none.
    r = TRect(0, 0, 100, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("a\r\nbb\rc\nd\r\n"), r, 0), 4 * fm.height());
    EXPECT_EQ(r.Width(), fm.horizontalAdvance(QStringLiteral("bb")));
    r = TRect(0, 0, 100, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("a\n\nb"), r, 0), 3 * fm.height());
    // A single line ignores them.
    r = TRect(0, 0, 100, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("a\r\nb"), r, DT_SINGLELINE), fm.height());
}

TEST(DrawTextMeasure, WordBreaking) {
    QFontMetrics fm(TestFont());
    const int wordW = fm.horizontalAdvance(QStringLiteral("word"));
    const int pairW = fm.horizontalAdvance(QStringLiteral("word word"));
    // Room for two words but not three: two lines, blanks at the break dropped.
    TRect r(0, 0, pairW + 2, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("word word    word"), r, DT_WORDBREAK), 2 * fm.height());
    EXPECT_EQ(r.Width(), pairW);
    // Exactly fitting needs no break.
    r = TRect(0, 0, pairW, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("word word"), r, DT_WORDBREAK), fm.height());
    r = TRect(0, 0, pairW - 1, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("word word"), r, DT_WORDBREAK), 2 * fm.height());
    EXPECT_EQ(r.Width(), wordW);

    // A word wider than the rectangle stays whole and widens it ...
    const QString longWord = QStringLiteral("extraordinarily");
    r = TRect(5, 0, 5 + wordW, 0);
    EXPECT_EQ(MeasureText(fm, longWord, r, DT_WORDBREAK), fm.height());
    EXPECT_EQ(r.Width(), fm.horizontalAdvance(longWord));
    // ... unless an edit control's breaking is asked for.
    r = TRect(5, 0, 5 + wordW, 0);
    int h = MeasureText(fm, longWord, r, DT_WORDBREAK | DT_EDITCONTROL);
    EXPECT_GT(h, fm.height());
    EXPECT_LE(r.Width(), wordW);
    // Without DT_WORDBREAK nothing wraps.
    r = TRect(0, 0, 10, 0);
    EXPECT_EQ(MeasureText(fm, QStringLiteral("word word word"), r, 0), fm.height());
}

TEST(DrawTextMeasure, PrefixesAndTabs) {
    QFontMetrics fm(TestFont());
    TRect r(0, 0, 500, 0);
    MeasureText(fm, QStringLiteral("&File && more&"), r, DT_SINGLELINE);
    EXPECT_EQ(r.Width(), fm.horizontalAdvance(QStringLiteral("File & more")));
    r = TRect(0, 0, 500, 0);
    MeasureText(fm, QStringLiteral("a&&b"), r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(r.Width(), fm.horizontalAdvance(QStringLiteral("a&&b")));

    // Expanded tabs go to stops of eight average character widths.
    const int stop = 8 * fm.averageCharWidth();
    r = TRect(0, 0, 500, 0);
    MeasureText(fm, QStringLiteral("a\tb"), r, DT_SINGLELINE | DT_EXPANDTABS);
    EXPECT_EQ(r.Width(), stop + fm.horizontalAdvance(QStringLiteral("b")));
    TDrawTextParams params;
    params.iTabLength = 2;
    params.iLeftMargin = 3;
    params.iRightMargin = 4;
    r = TRect(0, 0, 500, 0);
    MeasureText(fm, QStringLiteral("a\tb"), r, DT_SINGLELINE | DT_EXPANDTABS, &params);
    EXPECT_EQ(r.Width(), 3 + 2 * fm.averageCharWidth() + fm.horizontalAdvance(QStringLiteral("b")) + 4);
    EXPECT_EQ(params.uiLengthDrawn, 3u);
}

TEST(DrawTextPaint, AlignmentClippingAndUnderline) {
    QFontMetrics fm(TestFont());
    const TRect box(20, 10, 180, 90);
    // Left, centre and right put the ink at the expected side of the box.
    TRect left = InkBounds(Draw(QStringLiteral("IIII"), box, DT_SINGLELINE | DT_LEFT));
    TRect right = InkBounds(Draw(QStringLiteral("IIII"), box, DT_SINGLELINE | DT_RIGHT));
    TRect centre = InkBounds(Draw(QStringLiteral("IIII"), box, DT_SINGLELINE | DT_CENTER));
    const int w = fm.horizontalAdvance(QStringLiteral("IIII"));
    EXPECT_GE(left.Left, 20);
    EXPECT_LT(left.Left, 20 + 4);
    EXPECT_LE(right.Right, 180);
    EXPECT_GT(right.Right, 180 - 4);
    const int shift = (20 + 180 - w) / 2;  // centring moves by whole pixels
    EXPECT_NEAR(centre.Left - shift, left.Left - 20, 1);

    // Vertical centring on a single line, and the offset it returns.
    int result = 0;
    TRect vc = InkBounds(Draw(QStringLiteral("IIII"), box, DT_SINGLELINE | DT_VCENTER, 200, 100, &result));
    const int top = (10 + 90 - fm.height()) / 2;
    EXPECT_EQ(result, top + fm.height() - 10);
    EXPECT_GE(vc.Top, top);
    EXPECT_LE(vc.Bottom, top + fm.height());
    TRect bottom = InkBounds(Draw(QStringLiteral("IIII"), box, DT_SINGLELINE | DT_BOTTOM));
    EXPECT_LE(bottom.Bottom, 90);
    EXPECT_GE(bottom.Top, 90 - fm.height());

    // Clipped to the rectangle unless DT_NOCLIP.
    TRect small(20, 10, 30, 90);
    EXPECT_LE(InkBounds(Draw(QStringLiteral("WWWW"), small, DT_SINGLELINE)).Right, 30);
    EXPECT_GT(InkBounds(Draw(QStringLiteral("WWWW"), small, DT_SINGLELINE | DT_NOCLIP)).Right, 30);

    // The prefixed character is underlined: ink below the baseline that the
    // plain text does not have.
    TRect plain = InkBounds(Draw(QStringLiteral("IIII"), box, DT_SINGLELINE));
    TRect marked = InkBounds(Draw(QStringLiteral("&IIII"), box, DT_SINGLELINE));
    TRect hidden = InkBounds(Draw(QStringLiteral("&IIII"), box, DT_SINGLELINE | DT_HIDEPREFIX));
    EXPECT_GT(marked.Bottom, plain.Bottom);
    EXPECT_EQ(hidden, plain);

    // Nothing is drawn when only measuring.
    EXPECT_EQ(InkBounds(Draw(QStringLiteral("IIII"), box, DT_CALCRECT)).Right, -1);
}

TEST(DrawTextPaint, EllipsisAndEditControlLines) {
    QFontMetrics fm(TestFont());
    const QString text = QStringLiteral("a rather long caption");
    const int w = fm.horizontalAdvance(QStringLiteral("a rather"));
    TRect ink = InkBounds(Draw(text, TRect(0, 0, w, 50), DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP));
    EXPECT_LE(ink.Right, w);

    // Two and a half lines of room: an edit control draws two.
    const int h = fm.height() * 5 / 2;
    TRect r(0, 0, fm.horizontalAdvance(QStringLiteral("caption")), h);
    TRect all = InkBounds(Draw(QStringLiteral("one\ntwo\nthree"), r, DT_NOCLIP));
    TRect edit = InkBounds(Draw(QStringLiteral("one\ntwo\nthree"), r, DT_NOCLIP | DT_EDITCONTROL));
    EXPECT_GT(all.Bottom, 2 * fm.height());
    EXPECT_LE(edit.Bottom, 2 * fm.height());
}

TEST(DrawTextPaint, OpaqueBackgroundFillsTheLine) {
    QImage img(100, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(TestFont());
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(QColor(0, 0, 255));
    TRect r(0, 0, 100, 40);
    DrawText(p, QStringLiteral("x"), r, DT_SINGLELINE);
    p.end();
    EXPECT_EQ(img.pixel(0, 1) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(99, 1) & 0xFFFFFF, 0xFFFFFFu);
}
