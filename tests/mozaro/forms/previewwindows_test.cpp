#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "mozaro/forms/fullscreen.h"
#include "mozaro/forms/preview_form.h"

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

TEST(PreviewWindow, ActivationRunsTheMainFormsHandler) {
    TLayerModel model;
    TPreForm preview;
    int activations = 0;
    int tab = 3;  // "Result"
    preview.OnActivate = [&](QObject*) {
        ++activations;
        preview.RefreshResult(model, tab, model.ApplyLayerParams(0));
    };
    preview.show();
    QEvent activate(QEvent::WindowActivate);
    EXPECT_NO_THROW(QApplication::sendEvent(&preview, &activate));
    EXPECT_EQ(activations, 1);
    // The composed result is on view.
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

TEST(FullScreenView, LookOverTheWholeScreen) {
    QPointer<Tfullscreen> view = new Tfullscreen(nullptr, TwoColourTile());
    view->ShowFullScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    EXPECT_EQ(view->geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(view->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(view->image->GetTiling(), tRepeat);
    EXPECT_EQ(view->image->GetColor(), clBlack);
    EXPECT_EQ(view->image->GetGraphicWidth(), 16);
    const char* captions[] = {"White Text", "Black Text",  "Red Text",   "Green Text", "Blue Text",
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
    QTRY_VERIFY(view.isNull());
}

TEST(FullScreenView, KeyOrClickClosesAndFreesIt) {
    for (int how = 0; how < 3; ++how) {
        QPointer<Tfullscreen> view = new Tfullscreen(nullptr, TwoColourTile());
        view->ShowFullScreen();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        if (how == 0) QTest::keyClick(view->focusWidget() ? view->focusWidget() : view.data(), Qt::Key_A);
        else if (how == 1) ClickCentre(view->image->GetPicBox());
        else ClickCentre(view->Labels[3]);
        QTRY_VERIFY_WITH_TIMEOUT(view.isNull(), 3000);
        // The cursor is back: nothing overrides it.
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
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
