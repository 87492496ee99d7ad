#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <limits>

#include "widgets/RxSpin.h"
#include "widgets/RxUtils.h"
#include "widgets/widgets_support.h"

namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Leave(QWidget* w) {
    QFocusEvent e(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &e);
}

// The default locale for the test's lifetime.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& l) : FOld(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(FOld); }

private:
    QLocale FOld;
};

QString Fmt(double x, int decimal, QChar sep = QLatin1Char('.')) { return FormatSpinValue(x, vtFloat, decimal, sep); }

}  // namespace

TEST(SpinArithmetic, HalfOfTheButton) {
    // Square: split along the line from bottom-left to top-right.
    EXPECT_FALSE(SpinButtonBottomHalf(5, 5, 20, 20));
    EXPECT_TRUE(SpinButtonBottomHalf(15, 15, 20, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(10, 10, 20, 20));  // on the line: top
    EXPECT_TRUE(SpinButtonBottomHalf(10, 11, 20, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(0, 19, 20, 20));
    // Wide: the line still runs corner to corner.
    EXPECT_TRUE(SpinButtonBottomHalf(20, 11, 40, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(20, 9, 40, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(30, 3, 40, 20));  // in the drawn top triangle
    // No height: no division by zero, every point in the top half.
    EXPECT_FALSE(SpinButtonBottomHalf(5, 5, 20, 0));
    EXPECT_FALSE(SpinButtonBottomHalf(5, 5, 0, 20));
    EXPECT_FALSE(SpinButtonBottomHalf(0, 0, 0, 0));
}

TEST(SpinArithmetic, CheckValueAndCharacters) {
    EXPECT_EQ(SpinCheckValue(-1e9, 0, 0), -1e9);  // equal limits: none
    EXPECT_EQ(SpinCheckValue(300, 0, 256), 256);
    EXPECT_EQ(SpinCheckValue(-3, 1, 256), 1);
    EXPECT_EQ(SpinCheckValue(2.5, 0, 256), 2.5);

    const QChar comma(QLatin1Char(','));
    for (char c : QByteArray("+-0123456789")) EXPECT_TRUE(SpinCharAllowed(QLatin1Char(c), vtInteger, comma, true));
    EXPECT_FALSE(SpinCharAllowed(QLatin1Char(','), vtInteger, comma, true));
    EXPECT_TRUE(SpinCharAllowed(QLatin1Char(','), vtFloat, comma, true));
    EXPECT_FALSE(SpinCharAllowed(QLatin1Char('.'), vtFloat, comma, true));
    EXPECT_FALSE(SpinCharAllowed(QLatin1Char('a'), vtFloat, comma, true));
    EXPECT_FALSE(SpinCharAllowed(QLatin1Char(' '), vtFloat, comma, true));
    EXPECT_TRUE(SpinCharAllowed(QChar(8), vtInteger, comma, true));
    EXPECT_TRUE(SpinCharAllowed(QChar(13), vtInteger, comma, true));
    // Editor off: no digit and no backspace, other control characters pass.
    EXPECT_FALSE(SpinCharAllowed(QLatin1Char('5'), vtInteger, comma, false));
    EXPECT_FALSE(SpinCharAllowed(QChar(8), vtInteger, comma, false));
    EXPECT_TRUE(SpinCharAllowed(QChar(13), vtInteger, comma, false));

    EXPECT_EQ(FilterSpinText(QStringLiteral(" 1x2,5e"), vtFloat, comma), QStringLiteral("12,5"));
    EXPECT_EQ(FilterSpinText(QStringLiteral("-1,5"), vtInteger, comma), QStringLiteral("-15"));
    EXPECT_EQ(SpinEditMinHeight(13, 16), 13 + 3 + 5);
    EXPECT_EQ(SpinEditMinHeight(20, 16), 20 + 4 + 5);
}

TEST(SpinArithmetic, FormatFixedPoint) {
    EXPECT_EQ(Fmt(1, 2), QStringLiteral("1.00"));
    EXPECT_EQ(Fmt(1, 2, QLatin1Char(',')), QStringLiteral("1,00"));
    EXPECT_EQ(Fmt(0, 0), QStringLiteral("0"));
    EXPECT_EQ(Fmt(-2.5, 1), QStringLiteral("-2.5"));
    EXPECT_EQ(Fmt(2.675, 2), QStringLiteral("2.67"));  // the double lies below 2.675
    EXPECT_EQ(Fmt(0.125, 2), QStringLiteral("0.13"));  // an exact half rounds up
    EXPECT_EQ(Fmt(9.996, 2), QStringLiteral("10.00"));
    EXPECT_EQ(Fmt(0.006, 2), QStringLiteral("0.01"));
    EXPECT_EQ(Fmt(0.004, 2), QStringLiteral("0.00"));
    EXPECT_EQ(Fmt(-0.004, 2), QStringLiteral("0.00"));
    EXPECT_EQ(Fmt(0.0001, 2), QStringLiteral("0.00"));
    EXPECT_EQ(Fmt(1234.5678, 0), QStringLiteral("1235"));
    // 15 significant digits, then zeros.
    EXPECT_EQ(Fmt(0.1 + 0.2, 18), QStringLiteral("0.300000000000000000"));
    EXPECT_EQ(Fmt(123456789012345.67, 2), QStringLiteral("123456789012346.00"));
    EXPECT_EQ(Fmt(1.0 / 3, 20), QStringLiteral("0.333333333333333000"));  // at most 18 decimals
    EXPECT_FALSE(Fmt(1e300, 2).isEmpty());
    EXPECT_EQ(Fmt(std::numeric_limits<double>::quiet_NaN(), 1), QStringLiteral("0.0"));

    EXPECT_EQ(FormatSpinValue(2.5, vtInteger, 2, QLatin1Char('.')), QStringLiteral("2"));
    EXPECT_EQ(FormatSpinValue(3.5, vtInteger, 2, QLatin1Char('.')), QStringLiteral("4"));
    EXPECT_EQ(FormatSpinValue(-200, vtInteger, 2, QLatin1Char('.')), QStringLiteral("-200"));
    EXPECT_EQ(FormatSpinValue(1e300, vtInteger, 2, QLatin1Char('.')), QStringLiteral("0"));
}

TEST(SpinArithmetic, ParseInTheCAndACommaLocale) {
    const QChar dot(QLatin1Char('.')), comma(QLatin1Char(','));
    double v = 0;
    auto parses = [&](const char* text, TValueType t, QChar sep) {
        return ParseSpinValue(QString::fromLatin1(text), t, sep, v);
    };
    EXPECT_TRUE(parses("1.5", vtFloat, dot));
    EXPECT_EQ(v, 1.5);
    EXPECT_TRUE(parses("1,5", vtFloat, comma));
    EXPECT_EQ(v, 1.5);
    EXPECT_FALSE(parses("1.5", vtFloat, comma));
    EXPECT_FALSE(parses("1,5", vtFloat, dot));
    EXPECT_TRUE(parses("-,25", vtFloat, comma));
    EXPECT_EQ(v, -0.25);
    EXPECT_TRUE(parses(" 7. ", vtFloat, dot));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(parses("1e3", vtFloat, dot));
    EXPECT_EQ(v, 1000);
    for (const char* bad : {"", "abc", ".", "-", "1e", "1.2.3", "1 2", "1e999", "0x10"})
        EXPECT_FALSE(parses(bad, vtFloat, dot)) << bad;

    EXPECT_TRUE(parses("+42", vtInteger, dot));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(parses("-2147483648", vtInteger, dot));
    EXPECT_EQ(v, -2147483648.0);
    for (const char* bad : {"2147483648", "1.5", "1,5", "12a", "--1", ""})
        EXPECT_FALSE(parses(bad, vtInteger, comma)) << bad;
}

TEST(SpinButton, FacesAndGlyphs) {
    const QImage up = LoadBitmapResource("RXSPINUP"), down = LoadBitmapResource("RXSPINDOWN");
    const QImage normal = DrawSpinButtonFace(20, 20, 0, up, down);
    const QImage top = DrawSpinButtonFace(20, 20, 1, up, down);
    const QImage bottom = DrawSpinButtonFace(20, 20, 2, up, down);
    EXPECT_EQ(ImagePixelColor(normal, 0, 0), clBlack);     // frame
    EXPECT_EQ(ImagePixelColor(normal, 10, 9), clBlack);    // anti-diagonal
    EXPECT_EQ(ImagePixelColor(normal, 1, 5), clWhite);     // raised top half
    EXPECT_EQ(ImagePixelColor(top, 1, 5), clGray);         // pressed top half
    EXPECT_EQ(ImagePixelColor(normal, 18, 18), clGray);    // bottom half's shadow
    EXPECT_EQ(ImagePixelColor(bottom, 18, 18), clWhite);
    // The up arrow sits in the upper-left quarter, one pixel further when pressed.
    EXPECT_EQ(ImagePixelColor(normal, 5, 5), clBlack);
    EXPECT_EQ(ImagePixelColor(normal, 5, 3), clSilver);
    EXPECT_EQ(ImagePixelColor(top, 6, 5), clBlack);
    EXPECT_TRUE(DrawSpinButtonFace(0, 20, 0, up, down).isNull());

    // A button of no height paints and takes presses without trouble.
    TRxSpinButton b;
    b.resize(20, 0);
    SendMouse(&b, QEvent::MouseButtonPress, QPoint(3, 0), Qt::LeftButton, Qt::LeftButton);
    SendMouse(&b, QEvent::MouseButtonRelease, QPoint(3, 0), Qt::LeftButton, Qt::NoButton);
    b.resize(0, 0);
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
    SendMouse(&b, QEvent::MouseButtonPress, QPoint(4, 4), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(tops, 1);  // at once
    EXPECT_EQ(b.State(), 1);
    ASSERT_NE(b.RepeatTimer(), nullptr);
    EXPECT_EQ(b.RepeatTimer()->interval(), 400);
    QTRY_COMPARE_WITH_TIMEOUT(tops, 2, 3000);
    EXPECT_GE(clock.elapsed(), 395);
    EXPECT_EQ(b.RepeatTimer()->interval(), 100);
    QTRY_COMPARE_WITH_TIMEOUT(tops, 3, 3000);

    // Moving onto the other half stops the repeats without releasing.
    SendMouse(&b, QEvent::MouseMove, QPoint(16, 16), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(b.State(), 0);
    const int held = tops;
    QTest::qWait(250);
    EXPECT_EQ(tops, held);
    SendMouse(&b, QEvent::MouseMove, QPoint(4, 4), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(b.State(), 1);
    SendMouse(&b, QEvent::MouseButtonRelease, QPoint(4, 4), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(b.State(), 0);
    EXPECT_FALSE(b.ButtonHeld());
    const int released = tops;
    QTest::qWait(150);
    EXPECT_EQ(tops, released);
    EXPECT_EQ(bottoms, 0);

    // A release outside leaves the button ready for the next press.
    SendMouse(&b, QEvent::MouseButtonPress, QPoint(16, 16), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(bottoms, 1);
    SendMouse(&b, QEvent::MouseButtonRelease, QPoint(60, 60), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(b.State(), 0);
    SendMouse(&b, QEvent::MouseButtonPress, QPoint(16, 16), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(bottoms, 2);
    SendMouse(&b, QEvent::MouseButtonRelease, QPoint(16, 16), Qt::LeftButton, Qt::NoButton);
}

TEST(SpinButton, AnExceptionFromTheHandlerStopsTheRepeats) {
    TRxSpinButton b;
    b.resize(20, 20);
    int calls = 0;
    b.OnTopClick = [&](QObject*) {
        if (++calls > 1) throw Exception("stop");
    };
    SendMouse(&b, QEvent::MouseButtonPress, QPoint(4, 4), Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(b.RepeatTimer(), nullptr);
    EXPECT_THROW(QMetaObject::invokeMethod(b.RepeatTimer(), "timeout"), Exception);
    EXPECT_FALSE(b.RepeatTimer()->isActive());
    SendMouse(&b, QEvent::MouseButtonRelease, QPoint(4, 4), Qt::LeftButton, Qt::NoButton);
}

TEST(SpinEdit, TypingIsFilteredAndLeavingClamps) {
    TRxSpinEdit e;
    e.SetRange(0, 256, 1);
    e.selectAll();
    QTest::keyClicks(&e, "300");
    EXPECT_EQ(e.text(), QStringLiteral("300"));
    Leave(&e);
    EXPECT_EQ(e.text(), QStringLiteral("256"));
    EXPECT_EQ(e.GetValue(), 256);

    // Letters are refused; the text stays as it was.
    e.selectAll();
    QTest::keyClicks(&e, "1a2b");
    EXPECT_EQ(e.text(), QStringLiteral("12"));
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), QStringLiteral("1"));

    // With the editor off even digits are refused, but the arrows step.
    e.SetEditorEnabled(false);
    QTest::keyClicks(&e, "9");
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), QStringLiteral("1"));
    QTest::keyClick(&e, Qt::Key_Up);
    EXPECT_EQ(e.text(), QStringLiteral("2"));
    QTest::keyClick(&e, Qt::Key_Down);
    QTest::keyClick(&e, Qt::Key_Down);
    QTest::keyClick(&e, Qt::Key_Down);
    EXPECT_EQ(e.text(), QStringLiteral("0"));  // held at the minimum

    // Read-only: no steps.
    e.SetEditorEnabled(true);
    e.setReadOnly(true);
    e.UpClick();
    EXPECT_EQ(e.text(), QStringLiteral("0"));
}

TEST(SpinEdit, PastedTextIsFilteredOnLeaving) {
    TRxSpinEdit e;
    e.SetRange(0, 256, 1);
    e.clear();
    QApplication::clipboard()->setText(QStringLiteral("1x2y"));
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    if (e.text().isEmpty()) GTEST_SKIP() << "no clipboard on this platform";
    EXPECT_EQ(e.text(), QStringLiteral("1x2y"));
    Leave(&e);
    EXPECT_EQ(e.text(), QStringLiteral("12"));

    e.clear();
    QApplication::clipboard()->setText(QStringLiteral("99 999"));
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    Leave(&e);
    EXPECT_EQ(e.text(), QStringLiteral("256"));

    // No paste with the editor off.
    e.SetEditorEnabled(false);
    e.selectAll();
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e.text(), QStringLiteral("256"));
}

TEST(SpinEdit, ValuesLimitsAndFormats) {
    TRxSpinEdit e;
    EXPECT_EQ(e.text(), QStringLiteral("0"));
    EXPECT_EQ(e.GetIncrement(), 1.0);
    EXPECT_EQ(e.GetDecimal(), 2);
    int changes = 0;
    e.OnChange = [&](QObject*) { ++changes; };
    // Without limits any value goes, fractional increments too.
    e.SetValue(-123456);
    EXPECT_EQ(e.GetValue(), -123456);
    e.SetRange(0, 0, 0.25);
    e.SetValueType(vtFloat);
    e.SetValue(1);
    e.UpClick();
    EXPECT_EQ(e.GetValue(), 1.25);
    EXPECT_GE(changes, 3);

    {
        LocaleScope c(QLocale::c());
        e.SetValue(1);
        EXPECT_EQ(e.text(), QStringLiteral("1.00"));
    }
    {
        LocaleScope de(QLocale(QLocale::German, QLocale::Germany));
        e.SetValue(1);
        EXPECT_EQ(e.text(), QStringLiteral("1,00"));
        EXPECT_EQ(e.GetValue(), 1.0);
        e.setText(QStringLiteral("2,5"));
        EXPECT_EQ(e.GetValue(), 2.5);
    }

    // Text that does not parse reads as MinValue (rounded for integers).
    e.SetRange(1.6, 256, 1);
    e.setText(QStringLiteral("abc"));
    EXPECT_EQ(e.GetValue(), 1.6);
    e.SetValueType(vtInteger);
    e.setText(QStringLiteral("abc"));
    EXPECT_EQ(e.GetValue(), 2);

    // Changing the type or the decimals writes the value anew.
    e.SetValueType(vtFloat);
    e.SetValue(7.5);
    e.SetDecimal(3);
    EXPECT_EQ(e.text(), QStringLiteral("7.500"));
    e.SetValueType(vtInteger);
    EXPECT_EQ(e.text(), QStringLiteral("8"));
    e.SetValue(1000);
    EXPECT_EQ(e.text(), QStringLiteral("256"));
}

TEST(SpinEdit, ButtonAndHeight) {
    wtest::THost host(200, 60);
    TRxSpinEdit e(&host);
    e.setGeometry(10, 10, 121, 25);
    host.show();
    EXPECT_EQ(e.Button()->size(), QSize(21, 21));
    EXPECT_EQ(e.Button()->mapTo(&e, QPoint(0, 0)), QPoint(121 - 25 + 2, 2));
    e.resize(121, 3);
    EXPECT_EQ(e.height(), e.MinHeight());

    // The embedded button steps the value.
    e.resize(121, 25);
    e.SetValue(5);
    SendMouse(e.Button(), QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton, Qt::LeftButton);
    SendMouse(e.Button(), QEvent::MouseButtonRelease, QPoint(3, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(e.GetValue(), 6);
    SendMouse(e.Button(), QEvent::MouseButtonPress, QPoint(18, 18), Qt::LeftButton, Qt::LeftButton);
    SendMouse(e.Button(), QEvent::MouseButtonRelease, QPoint(18, 18), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(e.GetValue(), 5);
}
