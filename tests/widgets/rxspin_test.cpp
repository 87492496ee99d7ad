#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLocale>
#include <QTest>
#include <limits>

#include "widgets/RxSpin.h"
#include "widgets/RxUtils.h"
#include "widgets/rx_support.h"
#include "widgets/widgets_support.h"

using rxtest::Click;
using rxtest::Press;
using rxtest::Release;

namespace {

void Leave(QWidget* w) {
    QFocusEvent e(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &e);
}

void Paste(QWidget* w, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
}

const QChar kDot(QLatin1Char('.')), kComma(QLatin1Char(','));

}  // namespace

TEST(SpinArithmetic, HalfOfTheButton) {
    EXPECT_FALSE(SpinButtonBottomHalf(5, 5, 20, 20));
    EXPECT_TRUE(SpinButtonBottomHalf(15, 15, 20, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(10, 10, 20, 20));  // on the diagonal: top
    EXPECT_TRUE(SpinButtonBottomHalf(10, 11, 20, 20));
    // Not square: the halves are still the two drawn triangles.
    EXPECT_TRUE(SpinButtonBottomHalf(20, 11, 40, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(30, 3, 40, 20));
    // No height or width: no division by zero, all top half.
    EXPECT_FALSE(SpinButtonBottomHalf(5, 5, 20, 0));
    EXPECT_FALSE(SpinButtonBottomHalf(5, 5, 0, 20));
}

TEST(SpinArithmetic, LimitsAndCharacters) {
    EXPECT_EQ(SpinCheckValue(-1e9, 0, 0), -1e9);  // equal limits: none
    EXPECT_EQ(SpinCheckValue(300, 0, 256), 256);
    EXPECT_EQ(SpinCheckValue(-3, 1, 256), 1);
    EXPECT_TRUE(SpinCharAllowed(kComma, vtFloat, kComma, true));
    EXPECT_FALSE(SpinCharAllowed(kDot, vtFloat, kComma, true));
    // Editor off: no digit and no backspace; other control characters pass.
    EXPECT_FALSE(SpinCharAllowed(QChar(8), vtInteger, kComma, false));
    EXPECT_TRUE(SpinCharAllowed(QChar(13), vtInteger, kComma, false));
    EXPECT_EQ(FilterSpinText(QStringLiteral(" 1x2,5e"), vtFloat, kComma), QStringLiteral("12,5"));
    EXPECT_EQ(FilterSpinText(QStringLiteral("-1,5"), vtInteger, kComma), QStringLiteral("-15"));
    EXPECT_EQ(SpinEditMinHeight(13, 16), 13 + 3 + 5);
    EXPECT_EQ(SpinEditMinHeight(20, 16), 20 + 4 + 5);
}

TEST(SpinArithmetic, FormatInTheCAndACommaLocale) {
    const struct {
        double x;
        int decimal;
        const char* text;
    } cases[] = {
        {1, 2, "1.00"},
        {0, 0, "0"},
        {-2.5, 1, "-2.5"},
        {2.675, 2, "2.67"},  // the double lies below 2.675
        {0.125, 2, "0.13"},  // an exact half rounds up
        {9.996, 2, "10.00"},
        {0.006, 2, "0.01"},
        {-0.004, 2, "0.00"},
        {1234.5678, 0, "1235"},
        {0.1 + 0.2, 18, "0.300000000000000000"},  // 15 significant digits, then zeros
        {123456789012345.67, 2, "123456789012346.00"},
        {1.0 / 3, 20, "0.333333333333333000"},
        {std::numeric_limits<double>::quiet_NaN(), 1, "0.0"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSpinValue(c.x, vtFloat, c.decimal, kDot), QLatin1String(c.text)) << c.x;
    EXPECT_EQ(FormatSpinValue(1, vtFloat, 2, kComma), QStringLiteral("1,00"));
    EXPECT_FALSE(FormatSpinValue(1e300, vtFloat, 2, kDot).isEmpty());
    EXPECT_EQ(FormatSpinValue(2.5, vtInteger, 2, kDot), QStringLiteral("2"));  // halves to even
    EXPECT_EQ(FormatSpinValue(3.5, vtInteger, 2, kDot), QStringLiteral("4"));
    EXPECT_EQ(FormatSpinValue(-200, vtInteger, 2, kDot), QStringLiteral("-200"));
    EXPECT_EQ(FormatSpinValue(1e300, vtInteger, 2, kDot), QStringLiteral("0"));
}

TEST(SpinArithmetic, ParseInTheCAndACommaLocale) {
    const struct {
        const char* text;
        TValueType type;
        QChar sep;
        double value;  // NaN: does not parse
    } cases[] = {
        {"1.5", vtFloat, kDot, 1.5},
        {"1,5", vtFloat, kComma, 1.5},
        {"-,25", vtFloat, kComma, -0.25},
        {" 7. ", vtFloat, kDot, 7},
        {"1e3", vtFloat, kDot, 1000},
        {"+42", vtInteger, kDot, 42},
        {"-2147483648", vtInteger, kDot, -2147483648.0},
    };
    for (const auto& c : cases) {
        double v = 0;
        EXPECT_TRUE(ParseSpinValue(QLatin1String(c.text), c.type, c.sep, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    double v = 0;
    for (const char* bad : {"1.5", "", "abc", ".", "-", "1e", "1,2,3", "1 2", "1e999", "0x10"})
        EXPECT_FALSE(ParseSpinValue(QLatin1String(bad), vtFloat, kComma, v)) << bad;
    for (const char* bad : {"2147483648", "1.5", "12a", "--1", ""})
        EXPECT_FALSE(ParseSpinValue(QLatin1String(bad), vtInteger, kDot, v)) << bad;
}

TEST(SpinButton, Faces) {
    const QImage up = LoadBitmapResource("RXSPINUP"), down = LoadBitmapResource("RXSPINDOWN");
    const QImage normal = DrawSpinButtonFace(20, 20, 0, up, down);
    const QImage top = DrawSpinButtonFace(20, 20, 1, up, down);
    const QImage bottom = DrawSpinButtonFace(20, 20, 2, up, down);
    EXPECT_EQ(ImagePixelColor(normal, 10, 9), clBlack);  // anti-diagonal
    EXPECT_EQ(ImagePixelColor(normal, 1, 5), clWhite);   // raised top half
    EXPECT_EQ(ImagePixelColor(top, 1, 5), clGray);       // pressed top half
    EXPECT_EQ(ImagePixelColor(normal, 18, 18), clGray);
    EXPECT_EQ(ImagePixelColor(bottom, 18, 18), clWhite);
    // The up arrow in the upper-left quarter, a pixel further when pressed.
    EXPECT_EQ(ImagePixelColor(normal, 5, 5), clBlack);
    EXPECT_EQ(ImagePixelColor(top, 6, 5), clBlack);
    EXPECT_TRUE(DrawSpinButtonFace(0, 20, 0, up, down).isNull());

    TRxSpinButton b;  // no height: presses and paints without trouble
    b.resize(20, 0);
    Click(&b, QPoint(3, 0));
    b.grab();
}

TEST(SpinButton, RepeatsAfter400ThenEvery100Milliseconds) {
    TRxSpinButton b;
    b.resize(20, 20);
    int tops = 0, bottoms = 0;
    b.OnTopClick = [&](QObject*) { ++tops; };
    b.OnBottomClick = [&](QObject*) { ++bottoms; };
    QElapsedTimer clock;
    clock.start();
    Press(&b, QPoint(4, 4));
    EXPECT_EQ(tops, 1);  // at once
    ASSERT_NE(b.RepeatTimer(), nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(tops, 2, 3000);
    EXPECT_GE(clock.elapsed(), 395);
    EXPECT_EQ(b.RepeatTimer()->interval(), 100);
    QTRY_COMPARE_WITH_TIMEOUT(tops, 3, 3000);

    // On the other half the repeats pause without a release.
    rxtest::SendMouse(&b, QEvent::MouseMove, QPoint(16, 16), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(b.State(), 0);
    const int held = tops;
    QTest::qWait(250);
    EXPECT_EQ(tops, held);
    Release(&b, QPoint(16, 16));
    QTest::qWait(150);
    EXPECT_EQ(tops, held);
    EXPECT_EQ(bottoms, 0);

    // A release outside leaves the button ready for the next press.
    Press(&b, QPoint(16, 16));
    Release(&b, QPoint(60, 60));
    EXPECT_EQ(b.State(), 0);
    Click(&b, QPoint(16, 16));
    EXPECT_EQ(bottoms, 2);

    // An exception from a handler stops the repeats.
    b.OnTopClick = [&](QObject*) {
        if (++tops > held + 1) throw Exception("stop");
    };
    Press(&b, QPoint(4, 4));
    EXPECT_THROW(QMetaObject::invokeMethod(b.RepeatTimer(), "timeout"), Exception);
    EXPECT_FALSE(b.RepeatTimer()->isActive());
    Release(&b, QPoint(4, 4));
}

TEST(SpinEdit, TypingIsFilteredAndLeavingClamps) {
    TRxSpinEdit e;
    e.SetRange(0, 256, 1);
    e.selectAll();
    QTest::keyClicks(&e, "300");
    EXPECT_EQ(e.text(), QStringLiteral("300"));
    Leave(&e);
    EXPECT_EQ(e.text(), QStringLiteral("256"));

    e.selectAll();
    QTest::keyClicks(&e, "1a2b");  // letters refused
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), QStringLiteral("1"));

    // With the editor off even digits are refused, but the arrows step.
    e.SetEditorEnabled(false);
    QTest::keyClicks(&e, "9");
    QTest::keyClick(&e, Qt::Key_Backspace);
    QTest::keyClick(&e, Qt::Key_Up);
    EXPECT_EQ(e.text(), QStringLiteral("2"));
    for (int i = 0; i < 3; ++i) QTest::keyClick(&e, Qt::Key_Down);
    EXPECT_EQ(e.text(), QStringLiteral("0"));  // held at the minimum
    Paste(&e, QStringLiteral("77"));
    EXPECT_EQ(e.text(), QStringLiteral("0"));

    e.SetEditorEnabled(true);
    e.setReadOnly(true);
    e.UpClick();
    EXPECT_EQ(e.text(), QStringLiteral("0"));
}

TEST(SpinEdit, PastedTextIsFilteredOnLeaving) {
    TRxSpinEdit e;
    e.SetRange(0, 256, 1);
    e.clear();
    Paste(&e, QStringLiteral("1x2y"));
    if (e.text().isEmpty()) GTEST_SKIP() << "no clipboard on this platform";
    EXPECT_EQ(e.text(), QStringLiteral("1x2y"));
    Leave(&e);
    EXPECT_EQ(e.text(), QStringLiteral("12"));
    e.clear();
    Paste(&e, QStringLiteral("99 999"));
    Leave(&e);
    EXPECT_EQ(e.text(), QStringLiteral("256"));
}

TEST(SpinEdit, ValuesLimitsAndFormats) {
    // A spin edit writes in the user's locale; the texts below are the C
    // locale's, whatever the locale this test runs in.
    const QLocale user;
    QLocale::setDefault(QLocale::c());
    struct TRestore {
        const QLocale& Locale;
        ~TRestore() { QLocale::setDefault(Locale); }
    } restore{user};
    TRxSpinEdit e;
    EXPECT_EQ(e.text(), QStringLiteral("0"));
    // Without limits any value goes, and increments may be fractional.
    e.SetValue(-123456);
    EXPECT_EQ(e.GetValue(), -123456);
    e.SetRange(0, 0, 0.25);
    e.SetValueType(vtFloat);
    e.SetValue(1);
    e.UpClick();
    EXPECT_EQ(e.GetValue(), 1.25);

    e.SetValue(1);
    EXPECT_EQ(e.text(), QStringLiteral("1.00"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    e.SetValue(1);
    EXPECT_EQ(e.text(), QStringLiteral("1,00"));
    e.setText(QStringLiteral("2,5"));
    EXPECT_EQ(e.GetValue(), 2.5);
    QLocale::setDefault(QLocale::c());

    // Text that does not parse reads as MinValue.
    e.SetRange(1.6, 256, 1);
    e.setText(QStringLiteral("abc"));
    EXPECT_EQ(e.GetValue(), 1.6);

    // Changing the type or the decimals writes the value anew.
    e.SetValueType(vtFloat);
    e.SetValue(7.5);
    e.SetDecimal(3);
    EXPECT_EQ(e.text(), QStringLiteral("7.500"));
    e.SetValueType(vtInteger);
    EXPECT_EQ(e.text(), QStringLiteral("8"));
}

TEST(SpinEdit, EmbeddedButtonAndHeight) {
    wtest::THost host(200, 60);
    TRxSpinEdit e(&host);
    int changes = 0;
    e.OnChange = [&](QObject*) { ++changes; };
    e.setGeometry(10, 10, 121, 25);
    host.show();
    EXPECT_EQ(e.Button()->size(), QSize(21, 21));
    EXPECT_EQ(e.Button()->mapTo(&e, QPoint(0, 0)), QPoint(121 - 25 + 2, 2));
    e.resize(121, 3);
    EXPECT_EQ(e.height(), e.MinHeight());

    e.SetValue(5);
    Click(e.Button(), QPoint(3, 3));
    EXPECT_EQ(e.GetValue(), 6);
    Click(e.Button(), QPoint(e.Button()->width() - 3, e.Button()->height() - 3));
    EXPECT_EQ(e.GetValue(), 5);
    EXPECT_EQ(changes, 3);
}
