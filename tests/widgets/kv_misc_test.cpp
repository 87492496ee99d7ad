#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "widgets/kv_ctrls.h"
#include "widgets/kv_dlgs.h"
#include "widgets/kv_timer.h"
#include "widgets/widgets_support.h"

using wtest::PixelAt;
using wtest::THost;

TEST(KVTimer, TicksOnlyWithHandlerIntervalAndEnabled) {
    TKV_Timer timer;
    EXPECT_TRUE(timer.GetEnabled());
    EXPECT_EQ(timer.GetInterval(), 1000u);
    EXPECT_FALSE(timer.IsRunning());  // no handler yet

    int ticks = 0;
    timer.SetInterval(0);
    timer.SetOnTimer([&](QObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_FALSE(timer.IsRunning());  // interval 0
    QTest::qWait(30);
    EXPECT_EQ(ticks, 0);

    timer.SetInterval(5);
    EXPECT_TRUE(timer.IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 2000);  // re-armed after each tick

    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(30);
    EXPECT_EQ(ticks, stopped);

    // Clearing the handler stops it as well.
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.IsRunning());
    timer.SetOnTimer(nullptr);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(KVTimer, HandlerMayStopOrRestartItsTimer) {
    TKV_Timer timer;
    timer.SetInterval(5);
    int ticks = 0;
    // Disables itself on the second tick: exactly two ticks.
    timer.SetOnTimer([&](QObject*) {
        if (++ticks == 2) timer.SetEnabled(false);
    });
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 2, 2000);
    QTest::qWait(30);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(timer.IsRunning());

    // Disable-and-enable in the handler (the debounce pattern) keeps it going.
    ticks = 0;
    timer.SetOnTimer([&](QObject*) {
        ++ticks;
        timer.SetEnabled(false);
        timer.SetEnabled(true);
    });
    timer.SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 2000);
}

namespace {
// Answers the next modal input dialog: checks what it shows, types text
// (unless null) and presses OK or Cancel.
void AnswerDialog(const QString& expectEdit, const QString& expectCaption, const QString& type, bool ok) {
    QTimer::singleShot(0, [=] {
        auto* form = qobject_cast<Tinputdlgform*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Edit1->text(), expectEdit);
        EXPECT_EQ(form->windowTitle(), expectCaption);
        EXPECT_EQ(form->size(), QSize(278, 72));
        EXPECT_EQ(form->Edit1->geometry(), QRect(7, 8, 265, 21));
        if (!type.isNull()) form->Edit1->setText(type);
        QTest::mouseClick(ok ? form->BitBtn1 : form->BitBtn2, Qt::LeftButton);
    });
}
}  // namespace

TEST(InputDialog, OkTakesTheTextCancelKeepsIt) {
    Tinputdlg dlg;
    dlg.SetCaption(QStringLiteral("Name"));
    AnswerDialog(QString(), QStringLiteral("Name"), QStringLiteral("first"), true);
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.GetText(), QStringLiteral("first"));

    AnswerDialog(QStringLiteral("first"), QStringLiteral("Name"), QStringLiteral("changed"), false);
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.GetText(), QStringLiteral("first"));

    AnswerDialog(QStringLiteral("first"), QStringLiteral("Name"), QString(), true);
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.GetText(), QStringLiteral("first"));
    for (QWidget* w : QApplication::topLevelWidgets())  // the form is freed
        EXPECT_EQ(qobject_cast<Tinputdlgform*>(w), nullptr);
}

TEST(InputDialog, APromptLineStandsAboveTheEdit) {
    Tinputdlg dlg;
    dlg.SetPrompt(QStringLiteral("Name of it:"));
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<Tinputdlgform*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(form->Label1->isVisible());
        EXPECT_EQ(form->Label1->text(), QStringLiteral("Name of it:"));
        // Label, edit and buttons one below the other, none covering another.
        EXPECT_LT(form->Label1->geometry().bottom(), form->Edit1->geometry().top());
        EXPECT_LT(form->Edit1->geometry().bottom(), form->BitBtn1->geometry().top());
        EXPECT_LE(form->BitBtn1->geometry().bottom(), form->height());
        EXPECT_LE(form->BitBtn2->geometry().bottom(), form->height());
        EXPECT_EQ(form->Edit1->width(), 265);
        QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    });
    EXPECT_FALSE(dlg.Execute());
    // Without one the form is as it always was (checked above).
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<Tinputdlgform*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_FALSE(form->Label1->isVisible());
        EXPECT_EQ(form->size(), QSize(278, 72));
        QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    });
    dlg.SetPrompt(QString());
    EXPECT_FALSE(dlg.Execute());
}

TEST(KVBevel, ColoursAreLimitedToTheByteRange) {
    TKV_Bevel bevel;
    EXPECT_EQ(bevel.GetShadowColor(), clBtnShadow);
    bevel.SetColor(static_cast<TColor>(0xF0F0F0));
    EXPECT_EQ(bevel.GetHighlightColor(), static_cast<TColor>(0xFFFFFF));
    EXPECT_EQ(bevel.GetShadowColor(), static_cast<TColor>(0xD7D7D7));
    bevel.SetColor(static_cast<TColor>(RGB(10, 100, 240)));
    EXPECT_EQ(bevel.GetShadowColor(), static_cast<TColor>(RGB(0, 75, 215)));
    EXPECT_EQ(bevel.GetHighlightColor(), static_cast<TColor>(RGB(35, 125, 255)));
    bevel.SetColor(clBtnFace);
    EXPECT_EQ(bevel.GetShadowColor(), clBtnShadow);
    EXPECT_EQ(bevel.GetHighlightColor(), clBtnHighlight);
}

TEST(KVBevel, ShapesPixelExact) {
    const TColor light = 0xFFFFFF, dark = 0xD7D7D7, fill = 0xF0F0F0;
    THost host(5, 4);
    auto* bevel = new TKV_Bevel(&host);
    bevel->SetBounds(0, 0, 5, 4);
    bevel->SetColor(fill);
    auto rows = [&] {
        const QImage img = host.Shot();
        std::vector<std::string> out;
        for (int y = 0; y < 4; ++y) {
            std::string r;
            for (int x = 0; x < 5; ++x) {
                const TColor c = PixelAt(img, x, y);
                r += c == light ? 'h' : c == dark ? 's' : c == fill ? 'f' : c == clLime ? '.' : '?';
            }
            out.push_back(r);
        }
        return out;
    };
    // Transparent by default: the host shows inside.
    EXPECT_EQ(rows(), (std::vector<std::string>{"ssssh", "s...h", "s...h", "shhhh"}));
    bevel->SetTransparent(false);
    bevel->SetStyle(bsRaised);
    EXPECT_EQ(rows(), (std::vector<std::string>{"hhhhs", "hfffs", "hfffs", "hssss"}));
    bevel->SetShape(bsFrame);
    EXPECT_EQ(rows(), (std::vector<std::string>{"hhhhf", "hsshs", "hhhhs", "fssss"}));
    bevel->SetShape(bsBottomLine);
    bevel->SetStyle(bsLowered);
    EXPECT_EQ(rows(), (std::vector<std::string>{"fffff", "fffff", "sssss", "hhhhh"}));
    bevel->SetShape(bsRightLine);
    EXPECT_EQ(rows(), (std::vector<std::string>{"fffsh", "fffsh", "fffsh", "fffsh"}));
    bevel->SetShape(bsSpacer);
    EXPECT_EQ(rows(), (std::vector<std::string>{"fffff", "fffff", "fffff", "fffff"}));
}
