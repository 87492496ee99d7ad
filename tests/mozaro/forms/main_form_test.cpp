#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "artkit/forms/splash.h"
#include "image/PGClipboard.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "image/PGraphic.h"
#include "menus97/Edit97.h"
#include "mozaro/Layer.h"
#include "mozaro/Seams.h"
#include "mozaro/Wallpaper.h"
#include "mozaro/engine_support.h"
#include "mozaro/forms/ImageListBox.h"
#include "mozaro/forms/form_support.h"
#include "mozaro/forms/main_form.h"
#include "platform/Application.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"
#include "support/TestFiles.h"
#include "widgets/ArtLabel.h"
#include "widgets/Notebook.h"
#include "widgets/RxSlider.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_dlgs.h"

namespace {

using mozaro::kResultTab;
using mozaro::Tmain;
using mztest::Checksum;

// The engine's picture of a record, for comparing with what the form shows.
uint32_t EngineLayer(const TLayerRecord& record, const TPixelGraphic* import = nullptr) {
    TPixelGraphic layer;
    THeightMapCache maps;
    RenderLayer(LayerParamsOf(record), PaletteTextToTable(record.PaletteText), maps, import, layer);
    return Checksum(layer);
}

// The top-left width x height part of a picture.
uint32_t TopLeft(const TPixelGraphic& g, int width, int height) {
    TPixelGraphic part;
    part.SetSize(width, height, 3);
    part.CopyRect(0, 0, g, 0, 0, width, height);
    return Checksum(part);
}

void ReleaseThumb(TRxSlider* slider) {
    QTest::mousePress(slider->Thumb(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseRelease(slider->Thumb(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
}

// One debounce tick, as the timer's thread would hand it over.
void Tick(Tmain& form) { form.timer1->GetOnTimer()(form.timer1); }

class MainForm : public mztest::CollectsMessageBoxes {
protected:
    void SetUp() override {
        CollectsMessageBoxes::SetUp();
        Dir = gwtest::TempDir("mozaro_main");
        Form = Start();
    }
    void TearDown() override {
        Form.reset();
        CollectsMessageBoxes::TearDown();
    }

    static mozaro::TStartOptions Options() { return mztest::QuickStart(); }
    // The forms as the program makes them, shown and past start-up.
    std::unique_ptr<Tmain> Start() {
        auto form = mozaro::CreateForms(Options());
        if (!form) return form;
        form->AskFileName = [](mozaro::TFileRequest) { return std::string(); };
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
        return form;
    }
    void Activate() {
        QApplication::setActiveWindow(Form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }

    std::unique_ptr<Tmain> Form;
    std::string Dir;
};

// ---- start-up -------------------------------------------------------------------------

TEST_F(MainForm, StartRendersTheDefaultTileOnce) {
    auto form = mozaro::CreateForms(Options());
    ASSERT_TRUE(form);
    // The palette editor's first render rendered the start tile, and only it.
    EXPECT_EQ(form->RenderCount(), 1);
    const TLayerRecord start;
    EXPECT_EQ(start.Seed, 2147483647);
    EXPECT_EQ(std::make_pair(start.Turbulence1, start.Turbulence2), std::make_pair(20, 20));
    EXPECT_EQ(form->Model().Layers[0].Seed, 2147483647);
    EXPECT_EQ(Checksum(form->Model().LayerImages[0]), EngineLayer(start));
    EXPECT_EQ(Checksum(form->ViewPicture()), TopLeft(form->Model().LayerImages[0], 150, 150));
    EXPECT_EQ(form->PGImage4->GetPixelGraphic()->GetWidth(), 256);
    EXPECT_EQ(form->PGImage4->GetPixelGraphic()->GetHeight(), 20);
    EXPECT_EQ(form->AutoImageComboBox1->currentText(), "Simple Plasma");
    EXPECT_FALSE(form->AmplitudeLabel->isEnabled());
    EXPECT_TRUE(form->RxSlider6->isEnabled());
    EXPECT_TRUE(form->PreviewForm() && form->PreviewForm()->isHidden());
    // The basic texture is active and has no blend mode to choose.
    EXPECT_TRUE(form->layeractive->isChecked());
    EXPECT_FALSE(form->layeractive->isEnabled());
    EXPECT_FALSE(form->BlendButton->isEnabled());
    EXPECT_TRUE(form->Model().Layers[0].Active);

    // Until the form is up nothing a user does renders; once it is shown
    // start-up ends without any activation.
    EXPECT_TRUE(form->InteractionLocked());
    ReleaseThumb(form->RxSlider3);
    EXPECT_EQ(form->RenderCount(), 1);
    form->show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->InteractionLocked());
    ReleaseThumb(form->RxSlider3);
    EXPECT_EQ(form->RenderCount(), 2);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainForm, TheSplashScreenShowsDuringStartUpAndForAbout) {
    auto o = Options();
    o.ShowSplash = true;
    o.SplashWaitMs = 20;
    // Looked for while start-up waits: the splash screen is up, with the
    // program's title.
    QString during;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<artkit::Tsplashscreen*>(w); splash && splash->isVisible())
                during = splash->ArtLabel1->GetCaption();
    });
    auto form = mozaro::CreateForms(o);
    EXPECT_EQ(during, "Mozaro !");
    bool splashSeen = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<artkit::Tsplashscreen*>(w)) splashSeen = splashSeen || w->isVisible();
    EXPECT_FALSE(splashSeen);  // closed once start-up is done
    EXPECT_EQ(form->RenderCount(), 1);

    QString shown;
    QTimer::singleShot(0, form.get(), [&] {
        auto* splash = qobject_cast<artkit::Tsplashscreen*>(QApplication::activeModalWidget());
        ASSERT_TRUE(splash);
        shown = splash->ArtLabel1->GetCaption();
        QTest::keyClick(splash, Qt::Key_Space);
    });
    form->About1->Click();
    EXPECT_EQ(shown, "Mozaro !");
}

TEST_F(MainForm, CaptionsAreExact) {
    static_cast<TApplication*>(QCoreApplication::instance())->SetTitle(mozaro::kApplicationTitle);
    EXPECT_EQ(Form->windowTitle(), "Mozaro!");
    EXPECT_EQ(Form->PaletteEditor()->windowTitle(), "Palette Editor");
    EXPECT_EQ(Form->PresetBrowser()->windowTitle(), "Presets");
    EXPECT_EQ(Form->PreviewForm()->windowTitle(), "Preview");
    // Nothing appends the program's title to the captions.
    EXPECT_NE(QGuiApplication::applicationDisplayName(), "Mozaro !");
    static_cast<TApplication*>(QCoreApplication::instance())->SetTitle("");
}

TEST_F(MainForm, AShallowDisplayEndsTheProgramWithTheMessage) {
    auto o = Options();
    o.ScreenDepth = [] { return 8; };
    EXPECT_FALSE(mozaro::CreateForms(o));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Sorry, but Mozaro! needs a High-\nor True-Color display to run!");
    EXPECT_EQ(Boxes[0].Caption, "Mozaro !");
    o.ScreenDepth = [] { return 16; };
    EXPECT_TRUE(mozaro::CreateForms(o));
}

TEST_F(MainForm, MenusCarryTheirShortCutsAndChecks) {
    EXPECT_EQ(Form->SaveTile1->GetShortCut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(Form->CopyTile1->GetShortCut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(Form->Exit1->GetShortCut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(Form->CopyLayerParameters1->GetShortCut(), QKeySequence("Ctrl+Del"));
    EXPECT_EQ(Form->PasteLayerParameters1->GetShortCut(), QKeySequence("Ctrl+Ins"));
    EXPECT_EQ(Form->MutateLayer1->GetShortCut(), QKeySequence("Ctrl+M"));
    EXPECT_EQ(Form->FullScreen1->GetShortCut(), QKeySequence("F12"));
    EXPECT_EQ(Form->Help1->GetShortCut(), QKeySequence("F1"));
    for (TMenuItem* item :
         {Form->MutationAlgorithm1, Form->MutationSliders1, Form->MutationSeed1, Form->MutationColors1})
        EXPECT_TRUE(item->GetChecked());
    Form->MutationSeed1->Click();
    EXPECT_FALSE(Form->MutationSeed1->GetChecked());
    EXPECT_EQ(Form->PGImage4->GetPicBoxHint(), "Left Click for presets, right click to edit colors...");
    // Without "Auto-Update" the update button shows.
    EXPECT_TRUE(Form->updatebtn->isHidden());
    Form->AutoUpdate->click();
    EXPECT_FALSE(Form->updatebtn->isHidden());
}

// ---- rendering -------------------------------------------------------------------------------

TEST_F(MainForm, SeedTypingRendersOnTheSecondTick) {
    const int before = Form->RenderCount();
    Form->KV_Edit1->setFocus();
    Form->KV_Edit1->selectAll();
    QTest::keyClicks(Form->KV_Edit1, "4711");
    EXPECT_EQ(Form->RenderCount(), before);  // not after every key
    EXPECT_TRUE(Form->timer1->GetEnabled());
    Tick(*Form);
    EXPECT_EQ(Form->RenderCount(), before);
    Tick(*Form);
    EXPECT_EQ(Form->RenderCount(), before + 1);
    EXPECT_FALSE(Form->timer1->GetEnabled());
    TLayerRecord expected;
    expected.Seed = 4711;
    EXPECT_EQ(Form->Model().Layers[0].Seed, 4711);
    EXPECT_EQ(Checksum(Form->Model().LayerImages[0]), EngineLayer(expected));

    // Without "Auto-Update" the ticks redraw the strip but render nothing.
    // The cycle moved without a release: the strip waits for the ticks,
    // then shows the palette shifted by it.
    Form->AutoUpdate->setChecked(false);
    const TPixelGraphic& strip = *Form->PGImage4->GetPixelGraphic();
    auto column = [&](int x) { return strip.GetPixelColor(x, 10); };
    std::vector<TColor> unshifted;
    unshifted.reserve(256);
    for (int x = 0; x < 256; ++x) unshifted.push_back(column(x));
    ASSERT_NE(unshifted[0], unshifted[128]);
    Form->RxSlider1->SetValue(40);
    QTest::keyClicks(Form->KV_Edit1, "1");
    Tick(*Form);
    EXPECT_EQ(column(100), unshifted[100]);  // not yet
    Tick(*Form);
    EXPECT_EQ(Form->RenderCount(), before + 1);
    EXPECT_FALSE(Form->timer1->GetEnabled());
    for (int x = 0; x < 256; ++x) {
        // Positions below 0 wrap round by 255, as the texture's do.
        EXPECT_EQ(column(x), unshifted[x >= 40 ? x - 40 : x - 40 + 255]) << x;
        EXPECT_EQ(strip.GetPixelColor(x, 0), column(x)) << x;
        EXPECT_EQ(strip.GetPixelColor(x, 19), column(x)) << x;
    }
}

TEST_F(MainForm, CheckBoxesRenderWithAutoUpdateAndSlidersAlways) {
    int n = Form->RenderCount();
    Form->fliph->click();
    EXPECT_EQ(Form->RenderCount(), ++n);
    Form->AutoUpdate->setChecked(false);
    Form->flipv->click();
    EXPECT_EQ(Form->RenderCount(), n);
    // Thumb releases and the algorithm render whatever "Auto-Update" says.
    ReleaseThumb(Form->RxSlider6);
    EXPECT_EQ(Form->RenderCount(), ++n);
    Form->AutoImageComboBox1->setCurrentIndex(algDots);
    EXPECT_EQ(Form->RenderCount(), ++n);
    TLayerRecord expected;
    expected.Algorithm = algDots, expected.FlipHorizontal = expected.FlipVertical = true;
    EXPECT_EQ(Checksum(Form->Model().LayerImages[0]), EngineLayer(expected));

    // A right click on the twist slider sets it back to 0 and renders.
    Form->twistslider->SetValue(7);
    QTest::mousePress(Form->twistslider, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(Form->twistslider->GetValue(), 0);
    EXPECT_EQ(Form->RenderCount(), ++n);
}

TEST_F(MainForm, JunkInACellEditKeepsTheSliderAndRenders) {
    const int before = Form->RenderCount();
    Form->CellWidthEdit->setText("abc");
    QTest::keyClick(Form->CellWidthEdit, Qt::Key_Return);
    EXPECT_EQ(Form->RxSlider2->GetValue(), 150);
    EXPECT_EQ(Form->CellWidthEdit->text(), "150");
    EXPECT_EQ(Form->RenderCount(), before + 1);

    Form->CellHeightEdit->setText("77");
    QTest::keyClick(Form->CellHeightEdit, Qt::Key_Return);
    EXPECT_EQ(Form->RxSlider4->GetValue(), 77);
    EXPECT_EQ(Form->ViewPicture().GetHeight(), 77);
    EXPECT_EQ(Form->ViewPicture().GetWidth(), 150);
    EXPECT_EQ(Checksum(Form->ViewPicture()), TopLeft(Form->Model().LayerImages[0], 150, 77));
    Form->CellHeightEdit->setText("999");
    QTest::keyClick(Form->CellHeightEdit, Qt::Key_Return);
    EXPECT_EQ(Form->RxSlider4->GetValue(), 256);
    EXPECT_EQ(Form->CellHeightEdit->text(), "256");
}

// A binary PPM's pixels.
struct TPpm {
    int Width = 0, Height = 0;
    std::string Pixels;
    int At(int x, int y, int c) const { return static_cast<unsigned char>(Pixels[(y * Width + x) * 3 + c]); }
};
TPpm ReadPpm(const std::string& bytes) {
    TPpm p;
    int maxValue = 0, consumed = 0;
    EXPECT_EQ(sscanf(bytes.c_str(), "P6 %d %d %d%n", &p.Width, &p.Height, &maxValue, &consumed), 3);
    EXPECT_EQ(maxValue, 255);
    p.Pixels = bytes.substr(static_cast<size_t>(consumed) + 1);
    EXPECT_EQ(p.Pixels.size(), static_cast<size_t>(p.Width) * p.Height * 3);
    return p;
}

TEST_F(MainForm, TheWholeTileIsSavedAndRepeatsWithoutASeam) {
    GW_NEED_TOOL("convert", "ImageMagick");
    for (auto [edit, slider] :
         {std::pair{Form->CellWidthEdit, Form->RxSlider2}, std::pair{Form->CellHeightEdit, Form->RxSlider4}}) {
        edit->setText("256");
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(slider->GetValue(), 256);
        EXPECT_EQ(edit->text(), "256");
    }
    const std::string bmp = Dir + "/whole.bmp", ppm = Dir + "/whole.ppm";
    Form->SaveTile(bmp);
    ASSERT_EQ(gwtest::Run("convert '" + bmp + "' '" + ppm + "'"), 0);
    const TPpm ppmTile = ReadPpm(gwtest::ReadFile(ppm));
    const mztest::TChannels tile{ppmTile.Width, ppmTile.Height,
                                 [&](int x, int y, int c) { return ppmTile.At(x, y, c); }};
    ASSERT_EQ(std::make_pair(tile.Width, tile.Height), std::make_pair(256, 256));
    const mztest::TSeams seams = mztest::MeasureSeams(tile);
    EXPECT_GT(seams.InnerColumns, 0);  // not a flat tile
    EXPECT_LE(seams.WrapColumns, seams.InnerColumns);
    EXPECT_LE(seams.WrapRows, seams.InnerRows);
    // The measure tells a seam: a tile cut one column short would show one.
    EXPECT_GT(mztest::ColumnStep(tile, 254, 0), seams.InnerColumns);
}

TEST_F(MainForm, TheResultTabComposesAnew) {
    Form->SelectTab(1);
    Form->layeractive->click();
    Form->PopupMenu1->GetItems()->Find("50 % Opaque")->Click();
    Form->AutoImageComboBox1->setCurrentIndex(algRadialGradient);
    Form->SelectTab(kResultTab);
    TLayerModel& m = Form->Model();
    EXPECT_TRUE(m.Layers[1].Active);
    EXPECT_EQ(m.Layers[1].BlendTag, 3);
    auto composed = [&] {
        TPixelGraphic result;
        result.SetSize(256, 256, 3);
        TExpressionCache cache;
        PostProcessAndCompose(result, m.LayerImages[0], {&m.LayerImages[1], m.Layers[1].Active, 3},
                              {&m.LayerImages[2], m.Layers[2].Active, 1}, TPostProcessSettings(), cache);
        return Checksum(result);
    };
    const uint32_t first = Checksum(m.Result);
    EXPECT_EQ(first, composed());
    EXPECT_EQ(Checksum(Form->ViewPicture()), TopLeft(m.Result, 150, 150));
    EXPECT_FALSE(Form->BufferMenu->GetEnabled());
    EXPECT_FALSE(Form->MutationMenu->GetEnabled());
    EXPECT_TRUE(Form->StripBox->isHidden());

    // A layer changed since: the result follows.
    Form->SelectTab(0);
    Form->AutoImageComboBox1->setCurrentIndex(algHorizontalGradient);
    Form->SelectTab(kResultTab);
    EXPECT_NE(Checksum(m.Result), first);
    EXPECT_EQ(Checksum(m.Result), composed());

    // "Apply" runs the page's passes.
    Form->MatrixEdits[1]->setText("-1");
    Form->MatrixEdits[4]->setText("2");
    Form->conon->setChecked(true);
    Form->ApplyButton->click();
    EXPECT_EQ(m.PostProcess.Matrix[4], "2");
    EXPECT_NE(Checksum(m.Result), composed());
    EXPECT_EQ(Checksum(Form->ViewPicture()), TopLeft(m.Result, 150, 150));
}

TEST_F(MainForm, ThePaletteEditorOpensWithTheLastChosenPalette) {
    const std::string oak = "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;";
    // The editor's text of the start palette, "default".
    const std::string standard = "1;1;1;128;128;128;256;256;256;128;128;128;1;1;1;";
    // Opens the editor from the strip as a right click does; in the editor,
    // choose runs on what it shows and then it is closed.
    auto rightClick = [&](const std::function<void(Tgradmaker&)>& choose) {
        std::string opened;
        QTimer::singleShot(0, Form.get(), [&] {
            auto* editor = qobject_cast<Tgradmaker*>(QApplication::activeModalWidget());
            ASSERT_TRUE(editor);
            opened = editor->GetGradientText();
            if (choose) choose(*editor);
            editor->close();
        });
        QTest::mousePress(Form->PGImage4->GetPicBox(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        return opened;
    };
    EXPECT_EQ(
        rightClick([](Tgradmaker& editor) { editor.PopupMenu1->GetItems()->Find("Natural")->Find("Oak")->Click(); }),
        standard);
    EXPECT_EQ(Form->LastPaletteText(), oak);
    EXPECT_EQ(Form->Model().Layers[0].PaletteText, oak);

    // Another layer, with its own palette, is shown and its strip drawn: the
    // editor still starts from the palette chosen last.
    Form->SelectTab(1);
    EXPECT_EQ(Form->Model().Layers[1].PaletteText, "default");
    Form->RxSlider1->SetValue(30);
    Tick(*Form);
    Tick(*Form);  // the strip redrawn
    EXPECT_EQ(rightClick(nullptr), oak);
    EXPECT_EQ(Form->LastPaletteText(), oak);
    EXPECT_EQ(Form->Model().Layers[1].PaletteText, oak);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainForm, EscapeClosesThePaletteEditorAsItsCloseBoxDoes) {
    // Escape and the close box: the strip shows the editor's palette, the
    // layer is rendered once with it and the text is remembered.
    const std::function<void(Tgradmaker&)> closers[] = {
        // Into a stop field, where the key goes when one has the focus.
        [](Tgradmaker& e) { QTest::keyClick(e.SpinEdit(1), Qt::Key_Escape); },
        [](Tgradmaker& e) { e.close(); },
    };
    int value = 40;
    for (const auto& closeIt : closers) {
        SCOPED_TRACE(value);
        const int renders = Form->RenderCount();
        bool shown = false;
        QTimer::singleShot(0, Form.get(), [&] {
            auto* editor = qobject_cast<Tgradmaker*>(QApplication::activeModalWidget());
            ASSERT_TRUE(editor);
            shown = editor->isVisible();
            editor->SpinEdit(1)->SetValue(value);
            closeIt(*editor);
            // A key the editor left alone would leave it open: close it so
            // the test goes on, and the checks below fail.
            if (editor->isVisible()) editor->hide();
        });
        QTest::mousePress(Form->PGImage4->GetPicBox(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        EXPECT_TRUE(shown);
        EXPECT_FALSE(Form->PaletteEditor()->isVisible());
        const std::string text = Form->PaletteEditor()->GetGradientText();
        EXPECT_EQ(text.substr(0, 3), std::to_string(value) + ";");
        EXPECT_EQ(Form->LastPaletteText(), text);
        EXPECT_EQ(Form->PGImage4->GetPixelGraphic()->GetPixelColor(0, 5), PaletteTextToTable(text)[0]);
        EXPECT_EQ(Form->RenderCount(), renders + 1);
        value += 30;
    }
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainForm, ATabChangeWithATickPendingRendersTheLayerLeft) {
    Form->KV_Edit1->setText("99");
    EXPECT_TRUE(Form->timer1->GetEnabled());
    const int before = Form->RenderCount();
    Form->SelectTab(2);
    EXPECT_EQ(Form->RenderCount(), before + 1);
    EXPECT_FALSE(Form->timer1->GetEnabled());
    TLayerRecord expected;
    expected.Seed = 99;
    EXPECT_EQ(Form->Model().Layers[0].Seed, 99);
    EXPECT_EQ(Checksum(Form->Model().LayerImages[0]), EngineLayer(expected));
    // The new tab shows its own record.
    EXPECT_EQ(Form->KV_Edit1->text(), "2147483647");
    EXPECT_EQ(Form->GetTab(), 2);
    EXPECT_FALSE(Form->InteractionLocked());
}

TEST_F(MainForm, TheTabBarStaysWhileAChangeIsIgnored) {
    auto form = mozaro::CreateForms(Options());
    ASSERT_TRUE(form->InteractionLocked());
    form->TabSet1->setCurrentIndex(2);
    EXPECT_EQ(form->TabSet1->currentIndex(), 0);
    EXPECT_EQ(form->GetTab(), 0);
    EXPECT_TRUE(form->InteractionLocked());
}

TEST_F(MainForm, PlasmasEnableTheTurbulencesAgain) {
    Form->AutoImageComboBox1->setCurrentIndex(algHorizontalGradient);
    EXPECT_FALSE(Form->RxSlider6->isEnabled());
    EXPECT_FALSE(Form->Turbulence2Label->isEnabled());
    EXPECT_FALSE(Form->RxSlider5->isEnabled());
    Form->AutoImageComboBox1->setCurrentIndex(algSimplePlasma);
    EXPECT_TRUE(Form->RxSlider6->isEnabled());
    EXPECT_TRUE(Form->RxSlider7->isEnabled());
    EXPECT_TRUE(Form->Turbulence1Label->isEnabled());
    EXPECT_FALSE(Form->RxSlider5->isEnabled());
    EXPECT_FALSE(Form->AmplitudeLabel->isEnabled());
    Form->AutoImageComboBox1->setCurrentIndex(algWeave);
    EXPECT_TRUE(Form->RxSlider5->isEnabled());
}

TEST_F(MainForm, ZoomStaysWithinItsBounds) {
    for (int i = 0; i < 6; ++i) Form->ZoomInButton->Click();
    EXPECT_EQ(static_cast<double>(Form->Zoom()), 8.0);
    EXPECT_EQ(Form->ZoomLabel->text(), "800%");
    for (int i = 0; i < 9; ++i) Form->ZoomOut();
    EXPECT_EQ(static_cast<double>(Form->Zoom()), 0.125);
    EXPECT_EQ(Form->ZoomLabel->text(), "12%");
    Form->ZoomIn();
    EXPECT_EQ(Form->ZoomLabel->text(), "25%");
    Form->TiledPreview->click();
    EXPECT_EQ(Form->pgimage1->GetTiling(), tRepeat);
}

TEST_F(MainForm, LayoutKeepsEveryControlAtItsSizeAndPlace) {
    auto settle = [&] {
        Form->centralWidget()->layout()->activate();
        QCoreApplication::processEvents();
    };
    settle();
    // The zoom label keeps apart from the "+" button.
    const QRect plus = Form->ZoomInButton->geometry(), zoom = Form->ZoomLabel->geometry();
    EXPECT_EQ(Form->ZoomInButton->parentWidget(), Form->ZoomLabel->parentWidget());
    EXPECT_GE(zoom.left() - (plus.right() + 1), 4);
    EXPECT_GE(plus.left() - (Form->ZoomOutButton->geometry().right() + 1), 2);

    // The update button comes and goes without moving the cell controls.
    const std::vector<QWidget*> cell = {Form->RxSlider2,      Form->RxSlider4,    Form->CellWidthEdit,
                                        Form->CellHeightEdit, Form->TiledPreview, Form->pgimage1};
    auto places = [&] {
        std::vector<QRect> r;
        r.reserve(cell.size());
        for (QWidget* w : cell) r.push_back(w->geometry());
        return r;
    };
    const auto before = places();
    Form->AutoUpdate->click();
    settle();
    ASSERT_TRUE(Form->updatebtn->isVisible());
    EXPECT_EQ(places(), before);
    Form->AutoUpdate->click();
    settle();
    ASSERT_FALSE(Form->updatebtn->isVisible());
    EXPECT_EQ(places(), before);

    // At the form's minimum size every edit of both pages keeps its own
    // height.
    for (int tab : {0, kResultTab}) {
        Form->SelectTab(tab);
        Form->resize(1, 1);
        settle();
        EXPECT_EQ(Form->size(), Form->minimumSize());
        for (TEdit97* edit : Form->findChildren<TEdit97*>())
            if (edit->isVisible()) {
                EXPECT_GE(edit->height(), edit->sizeHint().height()) << edit->text().toStdString() << " on " << tab;
            }
    }
}

// ---- buffer and keys -----------------------------------------------------------------------

TEST_F(MainForm, ShortCutsWinOverAFocusedEdit) {
    Activate();
    Form->RxSlider3->SetValue(-40);
    Form->KV_Edit1->setText("1234");
    Form->KV_Edit1->setFocus();
    QTest::keyClick(Form->KV_Edit1, Qt::Key_Delete, Qt::ControlModifier);  // copy the layer
    EXPECT_EQ(Form->Model().CopyBuffer.Brightness, -40);
    EXPECT_EQ(Form->Model().CopyBuffer.Seed, 1234);
    EXPECT_EQ(Form->KV_Edit1->text(), "1234");

    Form->RxSlider3->SetValue(10);
    Form->KV_Edit1->setText("5");
    const int before = Form->RenderCount();
    QTest::keyClick(Form->KV_Edit1, Qt::Key_Insert, Qt::ControlModifier);  // paste it
    EXPECT_EQ(Form->RxSlider3->GetValue(), -40);
    EXPECT_EQ(Form->KV_Edit1->text(), "1234");
    EXPECT_GT(Form->RenderCount(), before);
    EXPECT_EQ(Form->Model().Layers[0].Seed, 1234);
    TLayerRecord expected;
    expected.Brightness = -40, expected.Seed = 1234, expected.Active = true;
    EXPECT_EQ(Checksum(Form->Model().LayerImages[0]), EngineLayer(expected));

    // Ctrl+C copies the tile, not the edit's text.
    QTest::keyClick(Form->KV_Edit1, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(ClipboardHasGraphic());
    TPixelGraphic pasted;
    PasteGraphicFromClipboard(pasted);
    EXPECT_EQ(Checksum(pasted), Checksum(Form->ViewPicture()));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainForm, OnResultTheLayerCommandsDoNothing) {
    Activate();
    Form->SelectTab(kResultTab);
    const auto layers = Form->Model().Layers;
    const int before = Form->RenderCount();
    QTest::keyClick(Form.get(), Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(Form.get(), Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(Form.get(), Qt::Key_Delete, Qt::ControlModifier);
    Form->MutateLayer();
    Form->PasteLayerParameters();
    Form->CopyLayerParameters();
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(Form->Model().Layers, layers);
    EXPECT_EQ(Form->RenderCount(), before);
    for (TMenuItem* item : {Form->MutateLayer1, Form->CopyLayerParameters1, Form->PasteLayerParameters1})
        EXPECT_FALSE(item->GetEnabled());
    Form->SelectTab(1);
    EXPECT_TRUE(Form->PasteLayerParameters1->GetEnabled());
}

TEST_F(MainForm, CopyRightAfterTogglingEmbossedHoldsTheNewValue) {
    Form->embossed1->click();  // renders embossed
    Form->CopyLayerParameters();
    EXPECT_TRUE(Form->Model().CopyBuffer.Embossed);
    Form->AutoUpdate->setChecked(false);
    Form->embossed1->click();  // no render
    Form->CopyLayerParameters();
    EXPECT_FALSE(Form->Model().CopyBuffer.Embossed);

    // So do the blend tag and "Layer is active" on a shader layer with the
    // preview hidden.
    Form->SelectTab(1);
    Form->layeractive->click();
    Form->PopupMenu1->GetItems()->Find("Lighten")->Click();
    Form->CopyLayerParameters();
    EXPECT_TRUE(Form->Model().CopyBuffer.Active);
    EXPECT_EQ(Form->Model().CopyBuffer.BlendTag, 5);
}

TEST_F(MainForm, LayerIsActiveFollowsEveryChangeWithThePreviewShown) {
    Form->Preview1->Click();
    ASSERT_TRUE(Form->PreviewShown());
    EXPECT_TRUE(Form->Preview1->GetChecked());
    Form->SelectTab(1);
    Form->AutoImageComboBox1->setCurrentIndex(algHorizontalGradient);
    const uint32_t alone = Checksum(Form->Model().Result);
    Form->layeractive->setFocus();
    QTest::keyClick(Form->layeractive, Qt::Key_Space);
    EXPECT_TRUE(Form->Model().Layers[1].Active);
    EXPECT_NE(Checksum(Form->Model().Result), alone);
    EXPECT_EQ(Checksum(*Form->PreviewForm()->PGImage1->GetPixelGraphic()), Checksum(Form->Model().Result));
    Form->Preview1->Click();
    EXPECT_FALSE(Form->PreviewShown());
    EXPECT_FALSE(Form->Preview1->GetChecked());
}

TEST_F(MainForm, MutationWithAFixedGeneratorGivesAFixedLayer) {
    auto mutate = [&](Tmain& form) {
        TRandomGenerator rng(20240601);
        form.SetMutationRandom(&rng);
        form.PaletteEditor()->RandomGenerator().SetSeed(77);
        form.MutateLayer();
        form.SetMutationRandom(nullptr);
        return std::make_pair(form.Model().Layers[0], Checksum(form.Model().LayerImages[0]));
    };
    const auto first = mutate(*Form);
    TRandomGenerator e(20240601);
    const TLayerRecord& r = first.first;
    EXPECT_EQ(r.Algorithm, e.NextInt(20));
    EXPECT_EQ(r.Brightness, e.NextInt(200) - 100);
    EXPECT_EQ(r.Cycle, e.NextInt(255) - 255);
    EXPECT_EQ(r.Turbulence1, e.NextInt(79) + 1);
    EXPECT_EQ(r.Turbulence2, e.NextInt(79) + 1);
    EXPECT_EQ(r.Amplitude, e.NextInt(96) + 32);
    EXPECT_EQ(r.Seed, e.NextInt(2147483647));
    EXPECT_NE(r.PaletteText, TLayerRecord().PaletteText);
    EXPECT_EQ(first.second, EngineLayer(r));
    EXPECT_EQ(Form->AutoImageComboBox1->currentIndex(), r.Algorithm);
    EXPECT_FALSE(Form->InteractionLocked());

    auto other = Start();
    EXPECT_EQ(mutate(*other), first);

    // Unchecked parts stay as they are.
    for (TMenuItem* item :
         {Form->MutationAlgorithm1, Form->MutationSliders1, Form->MutationSeed1, Form->MutationColors1})
        item->Click();
    mutate(*Form);
    EXPECT_EQ(Form->Model().Layers[0], r);
}

// ---- files ---------------------------------------------------------------------------------

TEST_F(MainForm, SaveTileWritesJpegAt80AfterAParameterSave) {
    if (!gwtest::HaveTool("identify")) GTEST_SKIP() << "ImageMagick's identify is missing";
    Form->SaveParameters(Dir + "/tile.mzo");
    JpegQuality = 30;  // as the JPEG saver leaves it
    Form->SaveTile(Dir + "/tile.jpg");
    const std::string out = Dir + "/quality.txt";
    ASSERT_EQ(gwtest::Run("identify -format %Q '" + Dir + "/tile.jpg' > '" + out + "'"), 0);
    EXPECT_EQ(gwtest::ReadFile(out), "80");
    ASSERT_EQ(gwtest::Run("identify -format %wx%h '" + Dir + "/tile.jpg' > '" + out + "'"), 0);
    EXPECT_EQ(gwtest::ReadFile(out), "150x150");
    EXPECT_EQ(JpegQuality, 30);
    JpegQuality = 80;
}

TEST_F(MainForm, ASavedPresetReloadsToTheSameResult) {
    Form->RxSlider2->SetValue(200);
    Form->AutoImageComboBox1->setCurrentIndex(algTreeBark);
    Form->SelectTab(2);
    Form->layeractive->click();
    Form->AutoImageComboBox1->setCurrentIndex(algWeave);
    Form->PopupMenu1->GetItems()->Find("Bitwise XOR")->Click();
    Form->SelectTab(kResultTab);
    Form->rgbon->setChecked(true);
    Form->gpedit->setText("255-g");
    Form->SelectTab(1);  // stays on a layer: the save stores it
    Form->twistslider->SetValue(5);
    const std::string path = Dir + "/preset.mzo";
    Form->SaveParameters(path);
    const auto layers = Form->Model().Layers;
    const uint32_t result = Checksum(Form->Model().Result);
    EXPECT_EQ(layers[1].Twist, 5);

    auto other = Start();
    const int before = other->RenderCount();
    other->LoadParameters(path);
    EXPECT_EQ(other->RenderCount(), before);  // nothing renders while loading
    EXPECT_EQ(other->Model().Layers, layers);
    EXPECT_EQ(Checksum(other->Model().Result), result);
    EXPECT_EQ(other->GetTab(), kResultTab);
    EXPECT_EQ(other->TabSet1->currentIndex(), kResultTab);
    EXPECT_EQ(other->gpedit->text(), "255-g");
    EXPECT_EQ(other->RxSlider2->GetValue(), 200);
    EXPECT_EQ(Checksum(other->ViewPicture()), TopLeft(other->Model().Result, 200, 150));
    EXPECT_TRUE(other->ColorPanel1->isHidden());
    EXPECT_FALSE(other->LoadingLocked());

    // Applying a loaded record moves the picker without rendering.
    other->SelectTab(2);
    EXPECT_EQ(other->RenderCount(), before);
    EXPECT_EQ(other->AutoImageComboBox1->currentIndex(), int(algWeave));
    EXPECT_EQ(Checksum(other->ViewPicture()), TopLeft(other->Model().LayerImages[2], 200, 150));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainForm, VariousBrowsesTheMiscFolderAndLoadsTheChoice) {
    Form->AutoImageComboBox1->setCurrentIndex(algKaleidoscope);
    Form->SaveParameters(Dir + "/chosen.mzo");
    const auto layers = Form->Model().Layers;
    QDir(QString::fromStdString(Dir)).mkpath("presets/misc");
    QFile::copy(QString::fromStdString(Dir + "/chosen.mzo"), QString::fromStdString(Dir + "/presets/misc/Kaleido.mzo"));

    auto other = Start();
    other->PresetRoot = Dir + "/presets";
    EXPECT_EQ(std::string(mozaro::kPresetFolders[4].Caption), "Various");
    bool seen = false;
    QTimer::singleShot(0, other.get(), [&] {
        Tpreset_dlg* browser = other->PresetBrowser();
        seen = browser->isVisible() && other->ColorPanel1->isHidden();
        ASSERT_EQ(browser->Thumbnails().size(), 1u);
        browser->thumbclick(browser->Thumbnails()[0]);
    });
    other->BrowsePresets1->Find("Various")->Click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(other->Model().Layers, layers);
    EXPECT_EQ(other->GetTab(), kResultTab);
    EXPECT_EQ(other->ColorPanel1->GetCaption().toStdString(), "Parsing file... Please be patient :-)");
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainForm, TheJpegSaverLeavesTheLibraryAt30) {
    const std::string path = Dir + "/smart.jpg";
    Form->AskFileName = [&](mozaro::TFileRequest r) { return r == mozaro::frSaveJpeg ? path : std::string(); };
    QTimer::singleShot(0, Form.get(), [] {
        auto* saver = qobject_cast<Tjpeger_f*>(QApplication::activeModalWidget());
        ASSERT_TRUE(saver);
        saver->RxSlider1->SetValue(55);
        saver->OKClick();
    });
    Form->SmartJPEGSaver1->Click();
    EXPECT_EQ(JpegQuality, 30);
    TPixelGraphic saved;
    saved.LoadFromFile(path);
    EXPECT_EQ(saved.GetWidth(), 150);
    if (gwtest::HaveTool("identify")) {
        ASSERT_EQ(gwtest::Run("identify -format %Q '" + path + "' > '" + Dir + "/q.txt'"), 0);
        EXPECT_EQ(gwtest::ReadFile(Dir + "/q.txt"), "55");
    }
    JpegQuality = 80;
}

// A desktop that cannot be told.
class TDeafDesktop : public TWallpaperBackend {
public:
    std::string Name() const override { return "deaf"; }
    void Apply(const std::string&, bool) override { throw EWallpaperError("no desktop here"); }
};

TEST_F(MainForm, TheWallpaperNameIsAskedForWithAPromptAndBlankNamesAreRefused) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(Dir + "/config"));
    SetWallpaperFolder(Dir + "/pictures");
    SetWallpaperBackend(std::make_unique<TDeafDesktop>());
    // From the menu as a user goes; the dialog answered with name.
    auto setWallpaper = [&](const QString& name) {
        QString prompt;
        QTimer::singleShot(0, Form.get(), [&] {
            QTimer::singleShot(0, Form.get(), [&] {
                auto* dialog = qobject_cast<Tinputdlgform*>(QApplication::activeModalWidget());
                ASSERT_TRUE(dialog);
                EXPECT_EQ(dialog->windowTitle(), "Set as Windows Wallpaper");
                if (dialog->Label1->isVisible()) prompt = dialog->Label1->text();
                EXPECT_GE(dialog->Edit1->y(), dialog->Label1->geometry().bottom());
                dialog->Edit1->setText(name);
                dialog->BitBtn1->click();
            });
            Form->Wallpaper1->Find("Tiled")->Click();
        });
        QCoreApplication::processEvents();
        return prompt;
    };
    for (const QString& blank : {QString(), QStringLiteral("   ")}) {
        Boxes.clear();
        EXPECT_EQ(setWallpaper(blank), "Name of the wallpaper picture:");
        ASSERT_EQ(Boxes.size(), 1u) << "\"" << blank.toStdString() << "\"";
        EXPECT_EQ(Boxes[0].Text, "Please give the wallpaper a name.");
    }
    EXPECT_TRUE(gwtest::ListDir(Dir + "/pictures").empty());

    // Saved, but the desktop was not told: a warning that says where it is.
    Boxes.clear();
    setWallpaper("tile");
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Type, mtWarning);
    const std::string path = Dir + "/pictures/tile.bmp";
    EXPECT_NE(Boxes[0].Text.find(path), std::string::npos) << Boxes[0].Text;
    TPixelGraphic saved;
    saved.LoadFromFile(path);
    EXPECT_EQ(Checksum(saved), Checksum(Form->ViewPicture()));
    SetWallpaperBackend(nullptr);
    SetWallpaperFolder("");
}

TEST_F(MainForm, SavingIntoAMissingFolderSaysSo) {
    const std::string folder = Dir + "/gone";
    Form->AskFileName = [&](mozaro::TFileRequest r) {
        return r == mozaro::frSaveParameters ? folder + "/tile.mzo" : std::string();
    };
    // As from the menu: the message loop shows what the command raised.
    QTimer::singleShot(0, Form.get(), [&] { Form->SaveParameters1->Click(); });
    QCoreApplication::processEvents();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "The folder " + folder + " does not exist.");
    EXPECT_TRUE(gwtest::ListDir(Dir).empty());
}

TEST_F(MainForm, AFailedLoadShowsTheMessageAndChangesNothing) {
    gwtest::WriteFile(Dir + "/junk.mzo", "not a tile at all");
    Form->AutoImageComboBox1->setCurrentIndex(algDots);
    const auto layers = Form->Model().Layers;
    Form->AskFileName = [&](mozaro::TFileRequest r) {
        return r == mozaro::frLoadParameters ? Dir + "/junk.mzo" : std::string();
    };
    // As from the menu: the message loop shows what the command raised.
    QTimer::singleShot(0, Form.get(), [&] { Form->LoadParameters1->Click(); });
    QCoreApplication::processEvents();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Type, mtError);
    EXPECT_EQ(Form->Model().Layers, layers);
    EXPECT_EQ(Form->GetTab(), 0);
    EXPECT_TRUE(Form->ColorPanel1->isHidden());
    EXPECT_FALSE(Form->LoadingLocked());
    EXPECT_FALSE(Form->InteractionLocked());
    const int before = Form->RenderCount();
    ReleaseThumb(Form->RxSlider3);
    EXPECT_EQ(Form->RenderCount(), before + 1);
}

TEST_F(MainForm, ImportedPicturesAreStretchedIntoTheLayer) {
    auto picture = mztest::Picture(64, 32, [](int x, int y) { return RGB(4 * x, 8 * y, 100); });
    picture->SaveToFile(Dir + "/in.bmp");
    Form->SelectTab(1);
    Form->ImportPicture(Dir + "/in.bmp");
    EXPECT_EQ(Form->AutoImageComboBox1->currentIndex(), int(algImageFile));
    TPixelGraphic expected;
    expected.SetSize(256, 256, 3);
    expected.StretchFrom(*picture);
    EXPECT_EQ(Checksum(Form->Model().ImportImages[1]), Checksum(expected));
    EXPECT_EQ(Checksum(Form->Model().LayerImages[1]), Checksum(expected));
    // A file that does not read changes nothing.
    gwtest::WriteFile(Dir + "/bad.bmp", "BMxx");
    Form->AutoImageComboBox1->setCurrentIndex(algDots);
    EXPECT_ANY_THROW(Form->ImportPicture(Dir + "/bad.bmp"));
    EXPECT_EQ(Form->AutoImageComboBox1->currentIndex(), int(algDots));
    EXPECT_EQ(Checksum(Form->Model().ImportImages[1]), Checksum(expected));
}

TEST_F(MainForm, HelpNamesAMissingFile) {
    const QString cwd = QDir::currentPath();
    Form->ShowHelp();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_NE(Boxes[0].Text.find("Mozaro.hlp"), std::string::npos);
    EXPECT_EQ(QDir::currentPath(), cwd);
}

// ---- closing --------------------------------------------------------------------------------

TEST_F(MainForm, ClosingWithThePreviewShownEndsTheLoop) {
    Form->Preview1->Click();
    ASSERT_TRUE(Form->PreviewShown());
    bool timedOut = false;
    QTimer::singleShot(0, Form.get(), [&] { Form->Exit1->Click(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Form->PreviewForm(), nullptr);
}

}  // namespace
