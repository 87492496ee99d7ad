#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "image/PGFormats.h"
#include "mozaro/Layer.h"
#include "mozaro/engine_support.h"
#include "mozaro/forms/ImageListBox.h"
#include "mozaro/forms/form_support.h"
#include "mozaro/forms/fullscreen.h"
#include "mozaro/forms/main_form.h"
#include "mozaro/forms/preview_form.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"

namespace {

// A 16 x 16 picture in two colours, left half red.
TPixelGraphic& TwoColourTile() {
    static TPixelGraphic g;
    if (g.GetEmpty()) {
        g.SetSize(16, 16, 3);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) g.SetPixelColor(x, y, x < 8 ? clRed : clBlue);
    }
    return g;
}

void ClickCentre(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center()); }

}  // namespace

TEST(PreviewWindow, LookAndStartState) {
    QWidget mainForm;
    TPreForm preview(&mainForm);
    EXPECT_EQ(preview.windowTitle(), "Preview");
    EXPECT_TRUE(preview.isWindow());
    EXPECT_EQ(preview.parentWidget(), &mainForm);
    EXPECT_TRUE(preview.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(preview.windowType(), Qt::Tool);
    EXPECT_FALSE(preview.isVisible());
    EXPECT_EQ(preview.PGImage1->GetStretch(), sAlwaysKAR);
    TPixelGraphic* g = preview.PGImage1->GetPixelGraphic();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetWidth(), 75);
    EXPECT_EQ(g->GetHeight(), 75);
    EXPECT_EQ(g->GetBitCount(), 24);
    EXPECT_EQ(preview.Tiling1->GetCaption(), "&Tiling");
    EXPECT_EQ(preview.PopupMenu1->GetItems()->Count(), 1);
    EXPECT_FALSE(preview.GetTiling());
    EXPECT_EQ(preview.PGImage1->GetTiling(), tNone);
    EXPECT_EQ(preview.PGImage1->PopupMenu, preview.PopupMenu1->GetWidget());
    EXPECT_EQ(preview.PGImage1->GetPicBoxPopupMenu(), preview.PopupMenu1->GetWidget());
}

TEST(PreviewWindow, ClicksToggleTiling) {
    TPreForm preview;
    preview.resize(300, 150);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    preview.ShowPicture(TwoColourTile());
    EXPECT_EQ(preview.PGImage1->GetGraphicWidth(), 16);

    ClickCentre(preview.PGImage1->GetPicBox());  // the picture
    EXPECT_TRUE(preview.GetTiling());
    EXPECT_TRUE(preview.Tiling1->GetChecked());
    EXPECT_EQ(preview.PGImage1->GetTiling(), tRepeat);

    preview.Tiling1->Click();  // the menu item
    EXPECT_FALSE(preview.GetTiling());
    EXPECT_EQ(preview.PGImage1->GetTiling(), tNone);

    // The client area beside the stretched picture.
    const TRect box = preview.PGImage1->GetPicBoxRect();
    QWidget* client = preview.PGImage1->GetClientWidget();
    ASSERT_LT(box.Right, client->width() - 10);
    QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(client->width() - 5, client->height() / 2));
    EXPECT_TRUE(preview.GetTiling());
    // Tiled, the area beside the picture shows it again.
    const QImage shot = client->grab().toImage();
    EXPECT_EQ(ImagePixelColor(shot, box.Right + 2, client->height() / 2), clRed);
}

TEST(PreviewWindow, ClosingHidesAndReportsIt) {
    bool menuChecked = true;  // "Preview Result in 2nd Window"
    TPreForm preview;
    preview.OnClose = [&](QObject* sender) {
        EXPECT_EQ(sender, &preview);
        menuChecked = false;
    };
    preview.show();
    preview.SetTiling(true);
    EXPECT_TRUE(preview.close());
    EXPECT_FALSE(preview.isVisible());
    EXPECT_FALSE(menuChecked);
    // Shown again it keeps its state.
    preview.show();
    EXPECT_TRUE(preview.GetTiling());
    EXPECT_EQ(preview.PGImage1->GetTiling(), tRepeat);
}

TEST(PreviewWindow, RefreshResultStoresTheShownLayerThenComposes) {
    TLayerModel model;
    TPreForm preview;
    preview.show();
    // On "Result" (3) there is no layer to store: the result is composed.
    preview.RefreshResult(model, 3, model.ApplyLayerParams(0));
    EXPECT_EQ(preview.PGImage1->GetGraphicWidth(), 256);
    EXPECT_EQ(preview.PGImage1->GetPixelGraphic()->GetPixelColor(10, 20), model.Result.GetPixelColor(10, 20));

    // On a layer tab the shown controls become that layer's record first.
    TLayerControls shown = model.ApplyLayerParams(1);
    shown.Params.Brightness = 37;
    preview.RefreshResult(model, 1, shown);
    EXPECT_EQ(model.Layers[1].Brightness, 37);
    // Hidden, nothing happens.
    preview.hide();
    shown.Params.Brightness = 12;
    preview.RefreshResult(model, 1, shown);
    EXPECT_EQ(model.Layers[1].Brightness, 37);
}

// The program's forms, shown and past start-up, message boxes collected.
class WithMainForm : public mztest::CollectsMessageBoxes {
protected:
    void SetUp() override {
        CollectsMessageBoxes::SetUp();
        Form = mozaro::CreateForms(mztest::QuickStart());
        ASSERT_TRUE(Form);
        Form->move(0, 0);
        Form->show();
        QApplication::setActiveWindow(Form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }
    void TearDown() override {
        Form.reset();
        CollectsMessageBoxes::TearDown();
    }
    std::unique_ptr<mozaro::Tmain> Form;
};

TEST_F(WithMainForm, ActivatingThePreviewRunsTheFormsLayerIsActiveHandler) {
    Form->SelectTab(1);
    Form->AutoImageComboBox1->setCurrentIndex(algHorizontalGradient);
    Form->Preview1->Click();
    TPreForm* preview = Form->PreviewForm();
    ASSERT_TRUE(preview->isVisible());
    const uint32_t alone = mztest::Checksum(*preview->PGImage1->GetPixelGraphic());
    // "Layer is active" ticked without its handler: neither the record nor
    // the preview knows yet.
    {
        const QSignalBlocker quiet(Form->layeractive);
        Form->layeractive->setChecked(true);
    }
    EXPECT_FALSE(Form->Model().Layers[1].Active);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(preview, &activate);
    // The form's handler stored the layer and composed the result anew.
    EXPECT_TRUE(Form->Model().Layers[1].Active);
    const uint32_t shown = mztest::Checksum(*preview->PGImage1->GetPixelGraphic());
    EXPECT_NE(shown, alone);
    EXPECT_EQ(shown, mztest::Checksum(Form->Model().Result));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(WithMainForm, ThePreviewOpensBesideTheFormNotOverItsMenuAndTabs) {
    Form->Preview1->Click();
    TPreForm* preview = Form->PreviewForm();
    ASSERT_TRUE(preview->isVisible());
    const QRect work = Form->screen()->availableGeometry();
    const QRect frame = Form->frameGeometry();
    const int tabsBottom = Form->TabSet1->mapToGlobal(QPoint(0, Form->TabSet1->height())).y();
    const QRect menuAndTabs(frame.left(), frame.top(), frame.width(), tabsBottom - frame.top());
    const QRect placed = preview->frameGeometry();
    EXPECT_TRUE(work.contains(placed)) << placed.x() << "," << placed.y();
    EXPECT_FALSE(placed.intersects(menuAndTabs)) << placed.x() << "," << placed.y();
    // Hidden and shown again it stays where it was.
    Form->Preview1->Click();
    preview->move(placed.topLeft() + QPoint(-5, -3));
    Form->Preview1->Click();
    EXPECT_EQ(preview->frameGeometry().topLeft(), placed.topLeft() + QPoint(-5, -3));
    // Moved over the tabs, it is placed again.
    Form->Preview1->Click();
    preview->move(frame.topLeft());
    Form->Preview1->Click();
    EXPECT_EQ(preview->frameGeometry().topLeft(), placed.topLeft());
}

TEST(PreviewWindow, PlacedBesideTheMainWindowWithinTheWorkArea) {
    const QRect work(0, 0, 1280, 900);
    const QSize size(200, 200);
    const QRect keep(0, 0, 1000, 60);  // a main window's menu bar and tabs
    // Room on the right: there, top-aligned, 8 pixels apart.
    EXPECT_EQ(PlaceBeside(QRect(0, 0, 1000, 700), keep, size, work), QPoint(1008, 0));
    // None on the right: on the left.
    EXPECT_EQ(PlaceBeside(QRect(300, 100, 900, 700), QRect(300, 100, 900, 60), size, work), QPoint(92, 100));
    // A main window low on the screen: its top is followed as far as the
    // work area allows.
    EXPECT_EQ(PlaceBeside(QRect(0, 800, 600, 100), QRect(0, 800, 600, 30), size, work), QPoint(608, 700));
    // Wide, not tall: below it.
    EXPECT_EQ(PlaceBeside(QRect(10, 20, 1260, 500), QRect(10, 20, 1260, 60), size, work), QPoint(10, 528));
    // A work area that does not start at 0 (a panel on the left and top).
    EXPECT_EQ(PlaceBeside(QRect(40, 30, 1000, 700), QRect(40, 30, 1000, 60), size, QRect(40, 30, 1240, 870)),
              QPoint(1048, 30));
    // No room anywhere: the work area's bottom-right corner, over the main
    // window's view but below its tabs.
    EXPECT_EQ(PlaceBeside(QRect(0, 0, 1280, 900), QRect(0, 0, 1280, 60), size, work), QPoint(1080, 700));
    EXPECT_EQ(PlaceBeside(QRect(0, 0, 800, 600), QRect(0, 0, 800, 450), QSize(200, 200), QRect(0, 0, 800, 600)),
              QPoint(600, 450));
}

TEST(FullScreenView, LookOverTheWholeScreen) {
    QPointer<Tfullscreen> view = new Tfullscreen(nullptr, TwoColourTile());
    view->ShowFullScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    EXPECT_EQ(view->geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(view->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(view->image->GetTiling(), tRepeat);
    EXPECT_EQ(view->image->GetColor(), clBlack);
    EXPECT_EQ(view->image->GetGraphicWidth(), 16);
    const char* captions[] = {"White Text",  "Black Text",  "Red Text",  "Green Text", "Blue Text",
                              "Yellow Text", "Purple Text", "Teal Text", "Cream Text"};
    const TColor colors[] = {clWhite, clBlack, clRed, clGreen, clBlue, clYellow, clPurple, clTeal, clCream};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(view->Labels[i]->GetCaption(), captions[i]);
        EXPECT_EQ(GetFontColor(view->Labels[i]), colors[i]);
        EXPECT_TRUE(view->Labels[i]->GetTransparent());
        EXPECT_TRUE(view->Labels[i]->isVisible());
    }
    // Tiles everywhere, from the top-left corner.
    const QImage shot = view->grab().toImage();
    EXPECT_EQ(ImagePixelColor(shot, 500, 500), clRed);   // 500 mod 16 = 4
    EXPECT_EQ(ImagePixelColor(shot, 510, 500), clBlue);  // 510 mod 16 = 14
    EXPECT_EQ(ImagePixelColor(shot, 1, 1), clRed);
    // The cursor is hidden over the view and its children.
    EXPECT_EQ(view->cursor().shape(), Qt::BlankCursor);
    EXPECT_EQ(view->Labels[0]->cursor().shape(), Qt::BlankCursor);
    EXPECT_EQ(view->image->GetClientWidget()->cursor().shape(), Qt::BlankCursor);
    view->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.isNull(); }, 3000));
}

TEST(FullScreenView, KeyOrClickClosesAndFreesIt) {
    for (int how = 0; how < 3; ++how) {
        QPointer<Tfullscreen> view = new Tfullscreen(nullptr, TwoColourTile());
        view->ShowFullScreen();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        if (how == 0) QTest::keyClick(view->focusWidget() ? view->focusWidget() : view.data(), Qt::Key_A);
        else if (how == 1) ClickCentre(view->image->GetPicBox());
        else ClickCentre(view->Labels[3]);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.isNull(); }, 3000)) << how;
    }
    // Modal: returns once a key closed it.
    QTimer::singleShot(100, [] {
        auto* modal = qobject_cast<Tfullscreen*>(QApplication::activeModalWidget());
        ASSERT_NE(modal, nullptr);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    Tfullscreen::Execute(nullptr, TwoColourTile());
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<Tfullscreen*>(w), nullptr);
}

TEST_F(WithMainForm, TheCursorAndTheKeyboardComeBackToTheForm) {
    const QPoint pointer = Form->pgimage1->mapToGlobal(Form->pgimage1->rect().center());
    QCursor::setPos(pointer);
    auto shownAt = [&] {
        QWidget* w = QApplication::widgetAt(pointer);
        return w ? w->cursor().shape() : Qt::ArrowCursor;
    };
    EXPECT_NE(shownAt(), Qt::BlankCursor);
    Qt::CursorShape during = Qt::ArrowCursor;
    bool viewActive = false;  // the view had the keyboard
    QWidget other;
    other.setGeometry(700, 700, 50, 50);
    auto answer = [&] {
        QTimer::singleShot(50, Form.get(), [&] {
            auto* view = qobject_cast<Tfullscreen*>(QApplication::activeModalWidget());
            ASSERT_TRUE(view);
            during = shownAt();
            viewActive = QApplication::activeWindow() == view;
            QTest::keyClick(view, Qt::Key_Space);
            // Whatever the platform activates once the view has gone (with
            // no window manager: nothing), the form takes the keyboard back.
            QCoreApplication::processEvents();
            other.show();
            QApplication::setActiveWindow(&other);
        });
    };
    answer();
    Form->FullScreen1->Click();
    EXPECT_EQ(during, Qt::BlankCursor);
    EXPECT_TRUE(viewActive);
    // Closed: the pointer shows the form's own cursor, and the form has the
    // keyboard, so its short-cut opens the view again without a click.
    QCoreApplication::processEvents();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Form->isAncestorOf(QApplication::widgetAt(pointer)));
    EXPECT_NE(shownAt(), Qt::BlankCursor);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == Form.get(); }, 2000));
    viewActive = false;
    answer();
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : Form.get();
    QTest::keyClick(focus, Qt::Key_F12);
    EXPECT_TRUE(viewActive);
    EXPECT_TRUE(Boxes.empty());
}
