// The main form's controls and handlers, driven offscreen: defaults, the
// size locks of the shapes, the debounce timer, forced and automatic
// renders, zoom, colour swatches, palettes and the start-up splash.
#include <gtest/gtest.h>

#include <memory>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "artkit/Painters.h"
#include "artkit/PaletteText.h"
#include "artkit/forms/jpeger.h"
#include "artkit/forms/preset_dlg.h"
#include "artkit/forms/splash.h"
#include "glimmo/ButtonFile.h"
#include "glimmo/forms/main_form_support.h"
#include "glimmo/forms/splash_support.h"
#include "image/PGImage.h"
#include "platform/Application.h"
#include "platform/Menus.h"
#include "platform/Shape.h"
#include "support/PictureUtil.h"
#include "tests/support/TestFiles.h"
#include "widgets/AutoSpinImage.h"
#include "widgets/Notebook.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/RxSlider.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_timer.h"

namespace {

using gwtest::ClickControl;
using gwtest::DragSlider;
using gwtest::ReleaseThumb;
using gwtest::TMessageRecorder;
using gwtest::TTestMain;

// ---- defaults ----------------------------------------------------------------------

struct TSliderDefault {
    const char* Name;
    TRxSlider* TTestMain::*Slider;
    int Min, Max, Step, Value;
};

TEST(MainFormDefaults, SlidersLabelsAndSwatchesStartAsTheFormGivesThem) {
    TTestMain form;
    const TSliderDefault sliders[] = {
        {"width", &TTestMain::RxSlider3, 1, 200, 1, 100},
        {"height", &TTestMain::RxSlider4, 1, 200, 1, 25},
        {"inner luminance", &TTestMain::RxSlider8, -100, 100, 1, 0},
        // The bevel width's maximum follows the 100 x 25 preview: 25 div 2.
        {"bevel width", &TTestMain::RxSlider1, 1, 12, 1, 4},
        {"bevel opacity", &TTestMain::RxSlider2, 1, 100, 5, 80},
        {"relative offset", &TTestMain::RxSlider7, 0, 10, 1, 0},
        {"noise", &TTestMain::RxSlider5, 1, 200, 1, 100},
        {"brightness", &TTestMain::RxSlider6, 1, 100, 1, 50},
        {"font size", &TTestMain::RxSlider9, 5, 100, 1, 12},
        {"text opacity", &TTestMain::RxSlider10, 1, 100, 5, 80},
    };
    for (const TSliderDefault& s : sliders) {
        SCOPED_TRACE(s.Name);
        TRxSlider* slider = form.*s.Slider;
        EXPECT_EQ(slider->GetMinValue(), s.Min);
        EXPECT_EQ(slider->GetMaxValue(), s.Max);
        EXPECT_EQ(slider->GetIncrement(), s.Step);
        EXPECT_EQ(slider->GetValue(), s.Value);
    }

    const std::pair<QLabel*, const char*> labels[] = {
        {form.Label3, "Width: 100 pixels"},        {form.Label4, "Height: 25 pixels"},
        {form.Label8, "Inner Luminance: 0%"},      {form.Label1, "Bevel Width: 4 pixels"},
        {form.Label2, "Bevel Opacity: 80 %"},      {form.Label7, "Relative Offset:"},
        {form.Label10, "Total Text Opacity: 80%"}, {form.zoomlabel, "100%"},
    };
    for (const auto& [label, text] : labels) EXPECT_EQ(label->text().toStdString(), text);

    const std::pair<TShape*, TColor> swatches[] = {
        {form.Shape1, clWhite}, {form.Shape4, clBlack}, {form.Shape3, clWhite}, {form.Shape2, clBlack},
        {form.Shape7, clBlack}, {form.Shape5, clGray},  {form.Shape6, clWhite}, {form.Shape8, clBlack},
    };
    for (const auto& [swatch, colour] : swatches) EXPECT_EQ(swatch->GetBrushColor(), colour);
    // Solid bevels use two colours: the gradient's middle pair is hidden.
    EXPECT_FALSE(form.Shape2->isVisibleTo(&form));
    EXPECT_FALSE(form.Shape3->isVisibleTo(&form));
    EXPECT_TRUE(form.Shape1->isVisibleTo(&form));

    const std::pair<TRxSpinEdit*, double> spins[] = {{form.left1, 0},   {form.top1, 0},        {form.right1, 1},
                                                     {form.bottom1, 1}, {form.RxSpinEdit1, 0}, {form.RxSpinEdit2, 0}};
    for (const auto& [spin, value] : spins) EXPECT_EQ(spin->GetValue(), value);
    EXPECT_EQ(form.left1->GetMinValue(), -200);
    EXPECT_EQ(form.right1->GetMinValue(), 1);
    EXPECT_EQ(form.bottom1->GetMaxValue(), 500);
    EXPECT_EQ(form.RxSpinEdit2->GetMinValue(), -200);
    EXPECT_EQ(form.RxSpinEdit2->GetMaxValue(), 200);
}

TEST(MainFormDefaults, ButtonsChecksPagesAndMenus) {
    TTestMain form;
    EXPECT_EQ(form.windowTitle().toStdString(), "Glimmo !");
    for (TKV_Button* down : {form.Rectangle1, form.linear1, form.vcenter, form.alignC}) EXPECT_TRUE(down->GetDown());
    for (TKV_Button* up : {form.Square1, form.Circle1, form.Oval1, form.RoundRect1, form.diamond1, form.Triangle1,
                           form.triangle3, form.Triangle2, form.triangle4, form.linear2, form.radial1,
                           form.rectangular1, form.vtop, form.vbottom, form.alignL, form.alignR})
        EXPECT_FALSE(up->GetDown());
    for (TKV_ImageButton* up : {form.italic, form.underlined, form.bold, form.glow1}) EXPECT_FALSE(up->GetDown());

    // Lighting: tags 1, 2, 3 / 4, 6 / 7, 8, 9; tag 1 checked.
    EXPECT_EQ(form.GroupBox1->title().toStdString(), "Lightning:");
    const std::pair<QRadioButton*, int> radios[] = {
        {form.RadioButton1, 1}, {form.RadioButton2, 2}, {form.RadioButton3, 3}, {form.RadioButton6, 4},
        {form.RadioButton4, 6}, {form.RadioButton9, 7}, {form.RadioButton8, 8}, {form.RadioButton7, 9}};
    for (const auto& [radio, tag] : radios) {
        EXPECT_EQ(radio->property("Tag").toInt(), tag);
        EXPECT_EQ(radio->isChecked(), tag == 1);
    }
    EXPECT_FALSE(form.double1->isChecked());
    EXPECT_TRUE(form.NvOS8Checkbox1->GetChecked());
    EXPECT_FALSE(form.updatebtn->isVisibleTo(&form));
    EXPECT_EQ(form.updatebtn->GetCaption().toStdString(), "Update Now [F9]");
    EXPECT_EQ(form.KV_GradientButton5->GetCaption().toStdString(), "Update now");
    EXPECT_TRUE(form.original1->isChecked());
    EXPECT_FALSE(form.CheckBox2->isChecked());
    EXPECT_FALSE(form.inside->isChecked());
    EXPECT_EQ(form.SpinImage1->GetItemIndex(), 0);
    EXPECT_EQ(form.SpinImage1->GetHint().toStdString(), "Style");
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    EXPECT_FALSE(form.KV_Timer1->GetEnabled());
    EXPECT_EQ(form.KV_Timer1->GetInterval(), 500u);

    EXPECT_EQ(form.Notebook1->GetPages(), QStringList({"bitmap", "plasma", "gradient", "text", "text2", "Blank"}));

    // "Off" is where anti-aliasing starts: Percent 24 smooths nothing.
    EXPECT_TRUE(form.Off1->GetChecked());
    EXPECT_FALSE(form.Low1->GetChecked());
    EXPECT_FALSE(form.High1->GetChecked());
    EXPECT_EQ(form.Renderer().Design.AntiAliasing.Percent, 24);

    auto captions = [](TMenuItem* parent) {
        std::vector<std::string> out;
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->GetItem(i);
            const QString cut = ShortCutToText(item->GetShortCut());
            out.push_back(item->GetCaption().toStdString() + (cut.isEmpty() ? "" : " " + cut.toStdString()));
        }
        return out;
    };
    EXPECT_EQ(captions(form.File1),
              (std::vector<std::string>{"Browse Presets", "&Load Parameters Ctrl+L", "&Save Parameters Ctrl+S",
                                        "Export single &button Ctrl+E", "B&atch Render Ctrl+B", "&Smart JPEG Saver",
                                        "&Exit Ctrl+Q"}));
    EXPECT_EQ(captions(form.Help1), (std::vector<std::string>{"Help F1", "&About"}));
    EXPECT_EQ(captions(form.PopupMenu1->GetItems()), (std::vector<std::string>{"Solid", "Smooth", "Gradient"}));
    EXPECT_EQ(captions(form.PopupMenu2->GetItems()),
              (std::vector<std::string>{"Blank", "Bitmap", "Plasma", "Gradient"}));
    EXPECT_EQ(captions(form.PopupMenu3->GetItems()), (std::vector<std::string>{"Font && Style", "Caption"}));
    EXPECT_EQ(captions(form.PopupMenu5->GetItems()),
              (std::vector<std::string>{"Clouds", "Wood", "Marble", "Aquarell", "Bumpy Surface"}));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(form.PopupMenu5->GetItems()->GetItem(i)->GetTag(), i);
}

// The start design's button: the "Blank Color" grey under the white-and-
// black bevel at 80 %, lit from the top left.
void ExpectStartButton(const TPixelGraphic& p) {
    ASSERT_EQ(p.GetWidth(), 100);
    ASSERT_EQ(p.GetHeight(), 25);
    const int light = 204 + 26;  // 0.8 x 255 + 0.2 x 128 = 229.6
    const int dark = 26;         // 0.2 x 128 = 25.6
    auto near = [](uint32_t c, int v) {
        return std::abs(int(GetRValue(c)) - v) <= 1 && GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
    };
    // Four rings of 4 pixels' bevel; the shadow sides of the rings lie one
    // pixel inside the light ones, so the innermost shadow line falls
    // outside the picture: 4 light lines, 3 dark ones.
    for (int y = 4; y < 22; ++y)
        for (int x = 4; x < 97; ++x) ASSERT_EQ(p.GetPixelColor(x, y), RGB(128, 128, 128)) << x << "," << y;
    for (int k = 0; k < 4; ++k) {
        EXPECT_PRED2(near, p.GetPixelColor(50, k), light) << "top ring " << k;
        EXPECT_PRED2(near, p.GetPixelColor(k, 12), light) << "left ring " << k;
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_PRED2(near, p.GetPixelColor(50, 24 - k), dark) << "bottom ring " << k;
        EXPECT_PRED2(near, p.GetPixelColor(99 - k, 12), dark) << "right ring " << k;
    }
}

TEST(MainFormDefaults, TheStartDesignGivesOnePictureInThePreviewAnExportAReloadAndABatch) {
    TTestMain form;
    EXPECT_EQ(form.Renderer().RenderCount(), 1u);
    EXPECT_EQ(form.pgimage1->GetPixelGraphic(), &form.Renderer().Preview);
    EXPECT_EQ(form.Renderer().Design.FillMode, fmColor);
    TPixelGraphic preview;
    preview.Assign(&form.Renderer().Preview);
    {
        SCOPED_TRACE("preview");
        ExpectStartButton(preview);
    }

    const std::string dir = gwtest::TempDir("startdesign");
    ASSERT_TRUE(form.ExportButton(dir + "/start.bmp"));
    TPixelGraphic exported;
    exported.LoadFromFile(dir + "/start.bmp");
    EXPECT_TRUE(gwtest::SamePixels(exported, preview));

    // A batch line renders the design into a copy of the preview.
    TPixelGraphic batch;
    batch.Assign(&preview);
    form.Renderer().RenderButton(form.Renderer().Design, batch, "");
    EXPECT_TRUE(gwtest::SamePixels(batch, preview));

    ASSERT_TRUE(form.SaveParametersFile(dir + "/start.glw"));
    TTestMain other;
    other.LoadParametersFile(dir + "/start.glw");
    EXPECT_TRUE(gwtest::SamePixels(other.Renderer().Preview, preview));
    form.LoadParametersFile(dir + "/start.glw");
    EXPECT_TRUE(gwtest::SamePixels(form.Renderer().Preview, preview));
}

// ---- shapes and sizes -------------------------------------------------------------

TEST(MainFormShapes, SquareCircleAndTrianglesKeepHeightEqualToWidth) {
    TTestMain form;
    ClickControl(form.Square1);
    EXPECT_TRUE(form.Square1->GetDown());
    EXPECT_FALSE(form.Rectangle1->GetDown());
    EXPECT_EQ(form.RxSlider4->GetValue(), 100);
    EXPECT_EQ(form.Renderer().Preview.GetHeight(), 100);
    EXPECT_EQ(form.Renderer().Design.Shape, scSquare);

    DragSlider(form.RxSlider3, 60);
    EXPECT_EQ(form.RxSlider4->GetValue(), 60);
    DragSlider(form.RxSlider4, 70);
    EXPECT_EQ(form.RxSlider3->GetValue(), 70);
    EXPECT_EQ(form.Label3->text().toStdString(), "Width: 70 Pixels");
    EXPECT_EQ(form.Label4->text().toStdString(), "Height: 70 Pixels");
    EXPECT_EQ(form.Label8->text().toStdString(), "Inner Luminance: 0%");
    EXPECT_EQ(form.Renderer().Preview.GetWidth(), 70);
    EXPECT_EQ(form.Renderer().Preview.GetHeight(), 70);

    // Rounded rectangle, diamond and oval keep their own height.
    ClickControl(form.Rectangle1);
    for (TKV_Button* b : {form.RoundRect1, form.diamond1, form.Oval1}) {
        DragSlider(form.RxSlider4, 30);
        ClickControl(b);
        EXPECT_EQ(form.RxSlider4->GetValue(), 30);
        EXPECT_EQ(form.RxSlider3->GetValue(), 70);
    }
    // The circle and every triangle set height to width when pressed, and
    // keep them equal while either size moves.
    for (TKV_Button* b : {form.Circle1, form.Triangle1, form.triangle3, form.Triangle2, form.triangle4}) {
        SCOPED_TRACE(b->toolTip().toStdString());
        ClickControl(form.Rectangle1);
        DragSlider(form.RxSlider3, 90);
        DragSlider(form.RxSlider4, 30);
        ClickControl(b);
        EXPECT_EQ(form.RxSlider4->GetValue(), 90);
        EXPECT_EQ(form.Renderer().Preview.GetHeight(), 90);
        EXPECT_EQ(form.Label4->text().toStdString(), "Height: 90 Pixels");
        DragSlider(form.RxSlider3, 50);
        EXPECT_EQ(form.RxSlider4->GetValue(), 50);
        form.RxSlider4->setFocus();
        QTest::keyClick(form.RxSlider4, Qt::Key_Left);
        EXPECT_EQ(form.RxSlider3->GetValue(), 49);
        EXPECT_EQ(form.Renderer().Preview.GetWidth(), 49);
        EXPECT_EQ(form.Renderer().Preview.GetHeight(), 49);
    }
}

TEST(MainFormShapes, BevelWidthMaximumFollowsThePreviewAndNeverFallsBelowTwo) {
    TTestMain form;
    DragSlider(form.RxSlider1, 12);
    EXPECT_EQ(form.Renderer().Design.BevelWidth, 12);
    DragSlider(form.RxSlider3, 200);
    DragSlider(form.RxSlider4, 200);
    EXPECT_EQ(form.RxSlider1->GetMaxValue(), 100);

    DragSlider(form.RxSlider1, 40);
    DragSlider(form.RxSlider3, 3);
    DragSlider(form.RxSlider4, 3);
    // 3 div 2 would be 1, which the slider refuses; 2 it takes.
    EXPECT_EQ(form.RxSlider1->GetMaxValue(), 2);
    EXPECT_EQ(form.RxSlider1->GetValue(), 2);
    EXPECT_EQ(form.Label1->text().toStdString(), "Bevel Width: 2 pixels");
    ClickControl(form.KV_GradientButton5);
    EXPECT_EQ(form.Renderer().Design.BevelWidth, 2);

    // "Relative Offset" insets the bevel by its tenths of the room left.
    DragSlider(form.RxSlider3, 100);
    DragSlider(form.RxSlider4, 40);
    ASSERT_EQ(form.RxSlider1->GetMaxValue(), 20);
    DragSlider(form.RxSlider1, 5);
    DragSlider(form.RxSlider7, 3);
    // Round(3 x 0.1 x (20 - 5)) = Round(4.5) = 4: rows 0..3 keep the fill,
    // the light ring takes rows 4..8.
    const TPixelGraphic& p = form.Renderer().Preview;
    for (int y = 0; y < 4; ++y) EXPECT_EQ(p.GetPixelColor(50, y), RGB(128, 128, 128)) << y;
    for (int y = 4; y < 9; ++y) EXPECT_GT(gwtest::Red(p, 50, y), 200) << y;
    EXPECT_EQ(p.GetPixelColor(50, 9), RGB(128, 128, 128));
    // The inset follows the bevel width without touching the offset slider.
    form.RxSlider1->setFocus();
    QTest::keyClick(form.RxSlider1, Qt::Key_End);  // 20: Round(3 x 0.1 x 0) = 0
    EXPECT_GT(gwtest::Red(p, 50, 0), 200);
}

// ---- renders ------------------------------------------------------------------------

TEST(MainFormRenders, ThreeQuickFontSizeChangesRenderOnceOnTheSecondTick) {
    TTestMain form;
    const uint64_t before = form.Renders();
    form.RxSlider9->SetValue(13);
    form.RxSlider9->SetValue(14);
    QTest::qWait(200);
    form.RxSlider9->SetValue(15);
    EXPECT_TRUE(form.KV_Timer1->GetEnabled());
    // The first tick (500 ms) counts and renders nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.TimerTicks() == 1; }, 2000));
    EXPECT_EQ(form.Renders(), before);
    // The second (1000 ms) renders once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Renders() != before; }, 2000));
    EXPECT_EQ(form.Renders(), before + 1);
    EXPECT_EQ(form.TimerTicks(), 0);
    EXPECT_FALSE(form.KV_Timer1->GetEnabled());
    EXPECT_EQ(form.Renderer().Design.FontSize, 15);
    QTest::qWait(600);
    EXPECT_EQ(form.Renders(), before + 1);
}

TEST(MainFormRenders, TextOpacityAndInnerLuminanceRestartTheTimerAndWriteTheirLabels) {
    TTestMain form;
    const uint64_t before = form.Renders();
    form.RxSlider10->SetValue(45);
    EXPECT_EQ(form.Label10->text().toStdString(), "Total Text Opacity: 45 %");
    form.RxSlider8->SetValue(-30);
    EXPECT_EQ(form.Label8->text().toStdString(), "Inner Luminance: -30%");
    EXPECT_TRUE(form.KV_Timer1->GetEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Renders() != before; }, 3000));
    EXPECT_EQ(form.Renders(), before + 1);
    EXPECT_EQ(form.Renderer().Design.TextOpacity, 45);
    EXPECT_EQ(form.Renderer().Design.InnerLuminance, -30);
}

TEST(MainFormRenders, WithoutAutoUpdateOnlyForcedRendersAndSizeChangesRender) {
    TTestMain form;
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    form.NvOS8Checkbox1->Toggle();
    EXPECT_FALSE(form.NvOS8Checkbox1->GetChecked());
    EXPECT_FALSE(form.Renderer().AutoUpdate);
    EXPECT_TRUE(form.updatebtn->isVisible());

    uint64_t count = form.Renders();
    DragSlider(form.RxSlider1, 7);
    EXPECT_EQ(form.Label1->text().toStdString(), "Bevel Width: 7 pixels");
    DragSlider(form.RxSlider2, 55);
    ClickControl(form.vbottom);
    form.double1->setChecked(true);
    EXPECT_EQ(form.Renders(), count);

    QTest::keyClick(&form, Qt::Key_F9);
    EXPECT_EQ(form.Renders(), ++count);
    EXPECT_EQ(form.Renderer().Design.BevelWidth, 7);
    EXPECT_EQ(form.Renderer().Design.BevelOpacity, 55);
    // F9 reaches the form from any control that has the focus.
    form.Memo1->setFocus();
    QTest::keyClick(form.Memo1, Qt::Key_F9);
    EXPECT_EQ(form.Renders(), ++count);
    ClickControl(form.updatebtn);
    EXPECT_EQ(form.Renders(), ++count);
    ClickControl(form.KV_GradientButton5);
    EXPECT_EQ(form.Renders(), ++count);

    // A size change renders whatever the flags.
    DragSlider(form.RxSlider3, 120);
    EXPECT_EQ(form.Renders(), ++count);
    EXPECT_EQ(form.Renderer().Preview.GetWidth(), 120);

    form.NvOS8Checkbox1->Toggle();
    EXPECT_FALSE(form.updatebtn->isVisible());
    QTest::mousePress(form.RxSlider1->Thumb(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    form.RxSlider1->SetValue(10);
    gwtest::ReleaseThumbWhereItIs(form.RxSlider1);
    EXPECT_EQ(form.Renders(), ++count);
}

TEST(MainFormRenders, SwatchesAskForAColourAndRenderAfterOkAndCancel) {
    TTestMain form;
    uint64_t count = form.Renders();
    form.Color = 0x123456;
    ClickControl(form.Shape1);
    EXPECT_EQ(form.ColorDialogs, 1);
    EXPECT_EQ(form.Shape1->GetBrushColor(), 0x123456);
    EXPECT_EQ(form.Renders(), ++count);
    EXPECT_EQ(form.Renderer().Design.BevelColors[0], 0x123456);

    form.ColorOk = false;
    ClickControl(form.Shape7);
    EXPECT_EQ(form.Shape7->GetBrushColor(), clBlack);
    EXPECT_EQ(form.Renders(), ++count);

    // The blank colour refills a solid-colour fill.
    form.ColorOk = true;
    form.Color = clYellow;
    ClickControl(form.Shape5);
    EXPECT_EQ(form.Renders(), ++count);
    EXPECT_EQ(form.Renderer().Preview.GetPixelColor(50, 12), RGB(255, 255, 0));
}

TEST(MainFormRenders, MenusSwitchBevelStylesAntiAliasingAndPages) {
    TTestMain form;
    form.Gradient1->Click();
    EXPECT_EQ(form.Renderer().Design.BevelStyle, bvsGradient);
    EXPECT_TRUE(form.Shape2->isVisibleTo(&form));
    EXPECT_TRUE(form.Shape3->isVisibleTo(&form));
    form.Smooth1->Click();
    EXPECT_EQ(form.Renderer().Design.BevelStyle, bvsSmooth);
    EXPECT_FALSE(form.Shape2->isVisibleTo(&form));
    form.Solid1->Click();
    EXPECT_EQ(form.Renderer().Design.BevelStyle, bvsSolid);

    const uint64_t count = form.Renders();
    form.High1->Click();
    EXPECT_TRUE(form.High1->GetChecked());
    EXPECT_FALSE(form.Off1->GetChecked());
    EXPECT_EQ(form.Renderer().Design.AntiAliasing.Percent, 100);
    form.Low1->Click();
    EXPECT_EQ(form.Renderer().Design.AntiAliasing.Percent, 50);
    EXPECT_TRUE(form.Renderer().Design.AntiAliasing.UseDistance);
    form.Off1->Click();
    EXPECT_EQ(form.Renderer().Design.AntiAliasing.Percent, 10);
    EXPECT_FALSE(form.Low1->GetChecked());
    EXPECT_EQ(form.Renders(), count + 3);

    const std::pair<TMenuItem*, const char*> pages[] = {{form.Bitmap1, "bitmap"},     {form.Plasma1, "plasma"},
                                                        {form.Gradient2, "gradient"}, {form.Font1, "text"},
                                                        {form.Text1, "text2"},        {form.Blank1, "Blank"}};
    for (const auto& [item, page] : pages) {
        item->Click();
        EXPECT_EQ(form.Notebook1->GetActivePage().toStdString(), page);
    }
}

TEST(MainFormRenders, ZoomDoublesAndHalvesAndTheLabelFollows) {
    TTestMain form;
    ClickControl(form.zoomin);
    ClickControl(form.zoomin);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "400%");
    EXPECT_EQ(form.pgimage1->GetZoomFactor(), 4.0L);
    ClickControl(form.zoomoutbtn);
    ClickControl(form.zoomoutbtn);
    ClickControl(form.zoomoutbtn);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "50%");
    ClickControl(form.zoomoutbtn);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "25%");
    ClickControl(form.zoomoutbtn);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "12%");  // Trunc(12.5)
    // No further: a smaller button would vanish.
    for (int i = 0; i < 5; ++i) ClickControl(form.zoomoutbtn);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "12%");
    EXPECT_EQ(form.pgimage1->GetZoomFactor(), 0.125L);
    for (int i = 0; i < 7; ++i) ClickControl(form.zoomin);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "1600%");
    ClickControl(form.zoomin);
    EXPECT_EQ(form.zoomlabel->text().toStdString(), "1600%");
    EXPECT_EQ(form.pgimage1->GetZoomFactor(), 16.0L);
}

// What the preview's client shows of the button: the box of the pixels that
// differ from the panel's grey, and the grey levels of its top-left and
// bottom-right corners less the panel's.
struct TShownButton {
    QRect Box;
    int TopLeft = 0, BottomRight = 0;
};

TShownButton ShownButton(TPGImage* preview) {
    const QImage shot = preview->GetClientWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb panel = qRgb(128, 128, 128);
    TShownButton b;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != panel) b.Box |= QRect(x, y, 1, 1);
    if (!b.Box.isEmpty()) {
        b.TopLeft = qGray(shot.pixel(b.Box.topLeft())) - 128;
        b.BottomRight = qGray(shot.pixel(b.Box.bottomRight())) - 128;
    }
    return b;
}

TEST(MainFormRenders, EveryZoomStepShowsTheWholeButton) {
    TTestMain form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The default button: 100 x 25, grey like the panel inside its 4-pixel
    // bevel, which is light at the top left and dark at the bottom right.
    // Each step shows it Round(100 z) x Round(25 z), frame included.
    const struct {
        const char* Label;
        int Width, Height;
    } steps[] = {{"100%", 100, 25}, {"50%", 50, 12}, {"25%", 25, 6}, {"12%", 12, 3}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Label);
        ASSERT_EQ(form.zoomlabel->text().toStdString(), step.Label);
        const TShownButton b = ShownButton(form.pgimage1);
        EXPECT_EQ(b.Box.size(), QSize(step.Width, step.Height));
        EXPECT_GT(b.TopLeft, 0);
        EXPECT_LT(b.BottomRight, 0);
        ClickControl(form.zoomoutbtn);
    }
    // Back up: 200 % still fits the panel; pixels are squares again.
    for (int i = 0; i < 4; ++i) ClickControl(form.zoomin);
    ASSERT_EQ(form.zoomlabel->text().toStdString(), "200%");
    const TShownButton b = ShownButton(form.pgimage1);
    EXPECT_EQ(b.Box.size(), QSize(200, 50));
    const QImage shot = form.pgimage1->GetClientWidget()->grab().toImage();
    // Each of the button's rows is two rows of the panel, unblended: the
    // top bevel's rows 0..3 are rows 0..7, the fill starts at row 8.
    const QPoint top = b.Box.topLeft() + QPoint(100, 0);
    for (int y = 0; y < 12; y += 2) EXPECT_EQ(shot.pixel(top + QPoint(0, y)), shot.pixel(top + QPoint(0, y + 1)));
    EXPECT_NE(shot.pixel(top + QPoint(0, 7)), qRgb(128, 128, 128));
    EXPECT_EQ(shot.pixel(top + QPoint(0, 8)), qRgb(128, 128, 128));
}

TEST(MainFormRenders, CaptionStyleButtonsToggleAndAlignmentButtonsPress) {
    TTestMain form;
    form.Memo1->setPlainText("Home");
    ClickControl(form.bold);
    ClickControl(form.italic);
    EXPECT_TRUE(form.bold->GetDown());
    EXPECT_TRUE(form.Renderer().Design.Bold);
    EXPECT_TRUE(form.Renderer().Design.Italic);
    EXPECT_EQ(form.Renderer().Design.Caption, "Home");
    ClickControl(form.bold);
    EXPECT_FALSE(form.bold->GetDown());
    EXPECT_FALSE(form.Renderer().Design.Bold);
    ClickControl(form.alignR);
    ClickControl(form.vtop);
    EXPECT_FALSE(form.alignC->GetDown());
    EXPECT_EQ(form.Renderer().Design.HorzAlign, haRight);
    EXPECT_EQ(form.Renderer().Design.VertAlign, vaTop);

    // "Paint Inside when outlined" renders only with a caption.
    const uint64_t count = form.Renders();
    form.inside->setChecked(true);
    EXPECT_EQ(form.Renders(), count + 1);
    form.Memo1->clear();  // a caption change of its own
    EXPECT_EQ(form.Renders(), count + 2);
    form.inside->setChecked(false);
    EXPECT_EQ(form.Renders(), count + 2);
    EXPECT_FALSE(form.Renderer().Design.PaintInside);
}

// ---- every control change ends in a render ----------------------------------------------

struct TSliderCase {
    const char* Name;
    TRxSlider* TTestMain::*Slider;
    QLabel* TTestMain::*Label;  // nullptr: the label shows no value
    const char* Expected;       // the label after one step to the right
    bool Debounced;             // rendered through the debounce timer
};

TEST(MainFormChanges, AKeyStepOnEverySliderUpdatesItsLabelAndThePreview) {
    const TSliderCase cases[] = {
        {"width", &TTestMain::RxSlider3, &TTestMain::Label3, "Width: 101 Pixels", false},
        {"height", &TTestMain::RxSlider4, &TTestMain::Label4, "Height: 26 Pixels", false},
        {"inner luminance", &TTestMain::RxSlider8, &TTestMain::Label8, "Inner Luminance: 1%", true},
        {"bevel width", &TTestMain::RxSlider1, &TTestMain::Label1, "Bevel Width: 5 pixels", false},
        {"bevel opacity", &TTestMain::RxSlider2, &TTestMain::Label2, "Bevel Opacity: 85 %", false},
        {"relative offset", &TTestMain::RxSlider7, nullptr, "Relative Offset:", false},
        {"font size", &TTestMain::RxSlider9, nullptr, nullptr, true},
        {"text opacity", &TTestMain::RxSlider10, &TTestMain::Label10, "Total Text Opacity: 85 %", true},
    };
    for (const TSliderCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestMain form;
        form.Memo1->setPlainText("Home");  // the caption sliders need a caption to show
        TPixelGraphic before;
        before.Assign(&form.Renderer().Preview);
        const uint64_t renders = form.Renders();
        TRxSlider* slider = form.*c.Slider;
        const int value = slider->GetValue();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Right);
        EXPECT_EQ(slider->GetValue(), value + slider->GetIncrement());
        if (c.Label) {
            EXPECT_EQ((form.*c.Label)->text().toStdString(), c.Expected);
        }
        if (c.Debounced) {
            EXPECT_TRUE(form.KV_Timer1->GetEnabled());
            ASSERT_TRUE(QTest::qWaitFor([&] { return form.Renders() == renders + 1; }, 3000));
        }
        EXPECT_EQ(form.Renders(), renders + 1);
        EXPECT_FALSE(gwtest::SamePixels(before, form.Renderer().Preview));
    }
}

TEST(MainFormChanges, EndHomeAndAClickOnTheTrackAreChangesLikeARelease) {
    TTestMain form;
    // A click on the track right of the thumb steps the bevel width up.
    const uint64_t renders = form.Renders();
    TRxSlider* bevel = form.RxSlider1;
    const QPoint right(bevel->width() - 8, bevel->Thumb()->geometry().center().y());
    ASSERT_GT(right.x(), bevel->Thumb()->geometry().right());
    const int value = bevel->GetValue();
    QTest::mousePress(bevel, Qt::LeftButton, Qt::NoModifier, right);
    QTest::mouseRelease(bevel, Qt::LeftButton, Qt::NoModifier, right);
    ASSERT_NE(bevel->GetValue(), value);
    EXPECT_EQ(form.Label1->text().toStdString(), "Bevel Width: " + std::to_string(bevel->GetValue()) + " pixels");
    EXPECT_EQ(form.Renderer().Design.BevelWidth, bevel->GetValue());
    EXPECT_EQ(form.Renders(), renders + 1);

    form.RxSlider3->setFocus();
    QTest::keyClick(form.RxSlider3, Qt::Key_End);
    EXPECT_EQ(form.Label3->text().toStdString(), "Width: 200 Pixels");
    EXPECT_EQ(form.Renderer().Preview.GetWidth(), 200);
    QTest::keyClick(form.RxSlider3, Qt::Key_Home);
    EXPECT_EQ(form.Renderer().Preview.GetWidth(), 1);

    // While the thumb is dragged nothing renders; its release does, once.
    const uint64_t dragged = form.Renders();
    QTest::mousePress(form.RxSlider2->Thumb(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    form.RxSlider2->SetValue(31);  // a step of 5 from 1
    EXPECT_EQ(form.Label2->text().toStdString(), "Bevel Opacity: 31 %");
    EXPECT_EQ(form.Renders(), dragged);
    gwtest::ReleaseThumbWhereItIs(form.RxSlider2);
    EXPECT_EQ(form.Renders(), dragged + 1);
    EXPECT_EQ(form.Renderer().Design.BevelOpacity, 31);
}

TEST(MainFormChanges, ManualOffsetTargetRectangleAndCaptionRenderAtOnce) {
    TTestMain form;
    form.Memo1->setPlainText("Go");
    uint64_t renders = form.Renders();
    form.RxSpinEdit1->SetValue(7);
    EXPECT_EQ(form.Renderer().Design.TextOffsetX, 7);
    EXPECT_EQ(form.Renders(), ++renders);
    form.RxSpinEdit2->setFocus();
    QTest::keyClick(form.RxSpinEdit2, Qt::Key_Up);
    EXPECT_EQ(form.Renderer().Design.TextOffsetY, 1);
    EXPECT_EQ(form.Renders(), ++renders);
    form.right1->SetValue(40);
    EXPECT_EQ(form.Renderer().Design.TargetRect, TRect(0, 0, 40, 1));
    EXPECT_EQ(form.Renders(), ++renders);
    ClickControl(form.targetrect1);
    EXPECT_EQ(form.Renderer().Design.BitmapPlacement, bpTargetRect);
    EXPECT_EQ(form.Renders(), ++renders);
    form.Memo1->setPlainText("Stop");
    EXPECT_EQ(form.Renderer().Design.Caption, "Stop");
    EXPECT_EQ(form.Renders(), ++renders);
}

TEST(MainFormChanges, AnEmptiedSpinEditShowsTheValueInForceWhenLeft) {
    TTestMain form;
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Font1Click();
    form.RxSpinEdit1->SetValue(12);
    form.RxSpinEdit1->setFocus();
    form.RxSpinEdit1->selectAll();
    QTest::keyClick(form.RxSpinEdit1, Qt::Key_Delete);
    ASSERT_TRUE(form.RxSpinEdit1->text().isEmpty());
    // Meanwhile the offset in force stays 12 (not the field's minimum).
    EXPECT_EQ(form.Renderer().Design.TextOffsetX, 12);
    form.RxSpinEdit2->setFocus();
    EXPECT_EQ(form.RxSpinEdit1->text().toStdString(), "12");
    EXPECT_EQ(form.Renderer().Design.TextOffsetX, 12);
}

TEST(MainFormChanges, HoldingF9DownRendersOncePerPress) {
    TTestMain form;
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.NvOS8Checkbox1->Toggle();  // Auto-Update off: only F9 renders
    uint64_t renders = form.Renders();
    // A key event as X gives it, at a time in milliseconds (0: none).
    auto key = [&](QEvent::Type type, bool repeat, unsigned long time) {
        QKeyEvent e(type, Qt::Key_F9, Qt::NoModifier, QString(), repeat);
        e.setTimestamp(time);
        QApplication::sendEvent(form.Memo1, &e);
    };
    const QEvent::Type press = QEvent::KeyPress, release = QEvent::KeyRelease;

    // Repeats that X sends as presses alone, none marked as a repeat.
    key(press, false, 0);
    EXPECT_EQ(form.Renders(), ++renders);
    for (int i = 0; i < 5; ++i) key(press, false, 0);
    key(release, false, 0);
    EXPECT_EQ(form.Renders(), renders);

    // Repeats as a release and a press of one instant, not marked either
    // (Qt marks them only when it sees the press behind the release).
    key(press, false, 1000);
    EXPECT_EQ(form.Renders(), ++renders);
    for (unsigned long t = 1660; t < 2000; t += 40) {
        key(release, false, t);
        key(press, false, t);
    }
    // ... and marked ones.
    for (int i = 0; i < 3; ++i) {
        key(release, true, 2100);
        key(press, true, 2100);
    }
    key(release, false, 2200);
    EXPECT_EQ(form.Renders(), renders);
    // A press after a release is the next one.
    key(press, false, 2300);
    EXPECT_EQ(form.Renders(), ++renders);
    key(release, false, 2400);
    QTest::keyClick(form.RxSlider1, Qt::Key_F9);
    EXPECT_EQ(form.Renders(), ++renders);
    QTest::keyClick(form.RxSlider1, Qt::Key_F9);
    EXPECT_EQ(form.Renders(), ++renders);

    // Released in another window: the next press here counts.
    key(press, false, 3000);
    EXPECT_EQ(form.Renders(), ++renders);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&form, &deactivate);
    key(press, false, 4000);
    EXPECT_EQ(form.Renders(), ++renders);
    key(release, false, 4100);

    // Another window's F9 is not the form's.
    QWidget other;
    QTest::keyClick(&other, Qt::Key_F9);
    EXPECT_EQ(form.Renders(), renders);
}

// ---- fills and palettes --------------------------------------------------------------

TEST(MainFormFills, EditPaletteStoresTheTextBeforeThePlasmaIsMappedAgain) {
    TTestMain form(true);
    const std::string gold = "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;";
    form.PaletteText = gold;
    form.KV_Button7Click();  // plasma fill
    const uint64_t count = form.Renders();
    ClickControl(form.KV_Button8);
    ASSERT_EQ(form.PaletteEditors.size(), 1u);
    EXPECT_EQ(form.PaletteEditors[0], Tgradmaker::tgPlasma);
    EXPECT_EQ(form.Renderer().Design.PlasmaPaletteText, gold);
    const TColourTable table = PaletteTextToTable(gold);
    // Every plasma pixel is a colour of the new palette.
    const TPixelGraphic& plasma = form.Renderer().PlasmaImage;
    for (int y = 0; y < plasma.GetHeight(); y += 17)
        for (int x = 0; x < plasma.GetWidth(); x += 13)
            EXPECT_NE(std::find(table.begin(), table.end(), plasma.GetPixelColor(x, y)), table.end());
    // The strip shows the palette, and the plasma fill was assigned again.
    TPixelGraphic* strip = form.PGImage4->GetPixelGraphic();
    ASSERT_NE(strip, nullptr);
    for (int i : {0, 64, 100, 200, 255}) EXPECT_EQ(strip->GetPixelColor(i, 10), table[i]);
    EXPECT_EQ(form.Renders(), count + 1);
    EXPECT_EQ(form.Renderer().Design.FillMode, fmPlasma);

    form.PaletteText = "1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;";
    ClickControl(form.KV_Button11);
    EXPECT_EQ(form.PaletteEditors.back(), Tgradmaker::tgGradient);
    EXPECT_EQ(form.Renderer().Design.GradientPaletteText, form.PaletteText);
    const TColourTable second = PaletteTextToTable(form.PaletteText);
    EXPECT_EQ(form.PGImage5->GetPixelGraphic()->GetPixelColor(128, 3), second[128]);
    // The gradient picture is the linear ramp (angle 0) of the new palette.
    const TPixelGraphic& gradient = form.Renderer().GradientImage;
    TPixelGraphic expected;
    expected.SetSize(gradient.GetWidth(), gradient.GetHeight(), 3);
    LinearGradientFill(expected, second, 0);
    EXPECT_EQ(gradient.GetPixelColor(10, 0), expected.GetPixelColor(10, 0));
    EXPECT_EQ(gradient.GetPixelColor(10, 20), expected.GetPixelColor(10, 20));
}

TEST(MainFormFills, AssignButtonsSetTheFillAndRender) {
    TTestMain form(true);
    ClickControl(form.KV_Button33);
    EXPECT_EQ(form.Renderer().Design.FillMode, fmGradient);
    ClickControl(form.radial1);
    EXPECT_TRUE(form.radial1->GetDown());
    EXPECT_FALSE(form.linear1->GetDown());
    EXPECT_EQ(form.Renderer().Design.GradientStyle, gsRadial);

    ClickControl(form.KV_Button7);
    EXPECT_EQ(form.Renderer().Design.FillMode, fmPlasma);
    // The plasma style menu sets the spin image, which maps the plasma again.
    const uint64_t count = form.Renders();
    form.Marble1->Click();
    EXPECT_EQ(form.SpinImage1->GetItemIndex(), 2);
    EXPECT_EQ(form.Renderer().Design.PlasmaStyle, 2);
    EXPECT_EQ(form.Renders(), count + 1);

    ClickControl(form.KV_Button9);
    EXPECT_EQ(form.Renderer().Design.FillMode, fmColor);
    EXPECT_EQ(form.Renderer().Preview.GetPixelColor(50, 12), ColorToRGB(clGray));
}

// ---- the form's own dialogs, driven offscreen -------------------------------------------

// Runs step on the modal dialog of type T once it shows. A dialog that does
// not show within 30 s fails the test and whatever modal dialog there is gets
// rejected, so the test never waits in exec() for ever. The timer belongs to
// the application, so one the test outlives is not a leak.
template <class T, class Step>
void OnModal(Step step) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, step] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<T*>(modal);
        if (!dialog && clock->elapsed() < 30000) return;
        timer->stop();
        timer->deleteLater();
        if (dialog) {
            step(dialog);
            return;
        }
        ADD_FAILURE() << "no " << T::staticMetaObject.className()
                      << " showed; modal: " << (modal ? modal->metaObject()->className() : "none");
        if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
    });
    timer->start();
}

// Types a file name into the dialog's name field, as a person does:
// selectFile leaves the field alone while it has the focus, which in an
// offscreen run it may or may not have yet.
void TypeFileName(QFileDialog* dialog, const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    dialog->setDirectory(info.absolutePath());
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(info.fileName());
}

TEST(MainFormDialogs, SaveAndLoadGoThroughTheFileDialogsAndAMissingFolderIsNamed) {
    TTestMain form;
    form.RealFileDialogs = true;
    TMessageRecorder messages;
    const std::string dir = gwtest::TempDir("dialogs");
    const std::string file = dir + "/mine.glw";
    OnModal<QFileDialog>([&](QFileDialog* d) {
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(d->nameFilters(), QStringList("Glimworks Files (*.glw)"));
        TypeFileName(d, dir + "/mine");  // the default extension follows
        static_cast<QDialog*>(d)->accept();
    });
    form.SaveParameters1->Click();
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(file)));
    EXPECT_TRUE(messages.Boxes.empty());

    // A folder that is not there is said to be missing, by its name.
    const std::string missing = dir + "/nowhere/x.glw";
    form.RealFileDialogs = false;
    form.FileName = missing;
    form.SaveParameters1->Click();
    form.RealFileDialogs = true;
    ASSERT_EQ(messages.Boxes.size(), 1u);
    EXPECT_NE(messages.Boxes[0].Text.find("does not exist"), std::string::npos) << messages.Boxes[0].Text;
    EXPECT_NE(messages.Boxes[0].Text.find(dir + "/nowhere"), std::string::npos) << messages.Boxes[0].Text;
    EXPECT_EQ(messages.Boxes[0].Text.find("drive"), std::string::npos);

    // The load dialog starts from the file last written, not the failed one.
    form.Memo1->setPlainText("Changed");
    QString offered;
    OnModal<QFileDialog>([&](QFileDialog* d) {
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptOpen);
        offered = d->selectedFiles().value(0);
        TypeFileName(d, file);
        static_cast<QDialog*>(d)->accept();
    });
    form.LoadParameters2->Click();
    EXPECT_EQ(offered.toStdString(), file);
    EXPECT_EQ(form.Renderer().Design.Caption, "");
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
}

TEST(MainFormDialogs, TheLoadDialogOffersTheLastFileThatLoaded) {
    TTestMain form;
    form.RealFileDialogs = true;
    TMessageRecorder messages;
    const std::string dir = gwtest::TempDir("reload");
    const std::string good = dir + "/good.glw";
    const std::string bad = dir + "/bad.glw";
    form.RealFileDialogs = false;
    form.FileName = good;
    form.SaveParameters1->Click();
    form.RealFileDialogs = true;
    gwtest::WriteFile(bad, std::string("QDB garbage, not a container at all") + std::string(300, '\x07'));

    // Loads through the dialog and tells what it offered first.
    auto load = [&](const std::string& file) {
        QString offered;
        OnModal<QFileDialog>([&, file](QFileDialog* d) {
            offered = d->selectedFiles().value(0);
            // Another file than the one offered: as a click in the list would.
            for (auto* view : d->findChildren<QAbstractItemView*>()) view->clearSelection();
            TypeFileName(d, file);
            EXPECT_EQ(d->selectedFiles(), QStringList(QString::fromStdString(file)));
            static_cast<QDialog*>(d)->accept();
        });
        form.LoadParameters2->Click();
        return offered.toStdString();
    };
    EXPECT_EQ(load(good), good);
    EXPECT_TRUE(messages.Boxes.empty());
    EXPECT_EQ(load(bad), good);
    ASSERT_EQ(messages.Boxes.size(), 1u);
    EXPECT_EQ(messages.Boxes[0].Type, mtError);
    // The failed file is not offered: the one that loaded last is.
    EXPECT_EQ(load(good), good);
    EXPECT_EQ(messages.Boxes.size(), 1u);
}

TEST(MainFormDialogs, ThePresetBrowserLoadsTheClickedPreset) {
    TTestMain form;
    form.RealDialogs = true;
    Tpreset_dlg browser(".glw", "pgimage1");
    form.SetPresetBrowser(&browser);
    std::string clicked;
    OnModal<Tpreset_dlg>([&](Tpreset_dlg* d) {
        ASSERT_FALSE(d->Thumbnails().empty());
        tthumb* first = d->Thumbnails().front();
        clicked = first->toolTip().toStdString();
        d->thumbclick(first);
    });
    form.BrowsePresets1->Click();
    form.SetPresetBrowser(nullptr);
    ASSERT_FALSE(clicked.empty());
    EXPECT_EQ(form.PresetFolderShown, form.PresetFolder());
    // The preset's design is the form's now: its thumbnail is its button.
    TButtonParameters p = ReadButtonFile(browser.ChosenFile(), TButtonParameters());
    EXPECT_EQ(form.Renderer().Design.Width, p.Design.Width);
    EXPECT_EQ(form.Renderer().Design.Caption, p.Design.Caption);
    EXPECT_EQ(form.RxSlider3->GetValue(), p.Design.Width);
}

TEST(MainFormDialogs, TheSmartJpegSaverWritesWhatItShowed) {
    TTestMain form;
    form.RealDialogs = true;
    const std::string dir = gwtest::TempDir("saver");
    form.FileName = dir + "/saved";  // the file dialog answers from the test
    std::vector<uint8_t> shown;
    OnModal<Tjpeger_f>([&](Tjpeger_f* d) {
        shown = d->EncodedJpeg();
        d->BitBtn1->click();
    });
    form.SmartJPEGSaver1->Click();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(form.FileDialogs, std::vector<glimmo::TFileDialogKind>{glimmo::fdSaveJpeg});
    const std::string bytes = gwtest::ReadFile(dir + "/saved.jpg");
    EXPECT_EQ(bytes, std::string(shown.begin(), shown.end()));
    TPixelGraphic back;
    back.LoadFromFile(dir + "/saved.jpg");
    EXPECT_EQ(back.GetWidth(), 100);
    EXPECT_EQ(back.GetHeight(), 25);
}

TEST(MainFormDialogs, ThePaletteEditorShowsTheDesignsTextAndGivesItsOwnBack) {
    TTestMain form(true);
    form.RealDialogs = true;
    form.Renderer().Design.GradientPaletteText = "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;";
    std::string shownText;
    OnModal<Tgradmaker>([&](Tgradmaker* e) {
        shownText = e->GetGradientText();
        e->SpinEdit(7)->SetValue(17);
        e->close();
    });
    ClickControl(form.KV_Button11);
    EXPECT_EQ(shownText, "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;");
    EXPECT_EQ(form.Renderer().Design.GradientPaletteText, "1;5;15;1;20;30;17;240;255;1;20;30;1;5;15;");
}

// ---- start-up ----------------------------------------------------------------------

TEST(MainFormStartUp, AClickOnTheSplashOnlyHidesItAndItIsFreedOnce) {
    const int old = glimmo::Tmain::SplashMilliseconds;
    glimmo::Tmain::SplashMilliseconds = 400;
    bool clicked = false, named = false;
    QTimer::singleShot(150, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<artkit::Tsplashscreen*>(w); splash && splash->isVisible()) {
                EXPECT_EQ(splash->width(), artkit::Tsplashscreen::kClientWidth);
                EXPECT_EQ(splash->height(), artkit::Tsplashscreen::kClientHeight);
                // The program's name as the art label over the picture.
                EXPECT_EQ(gwtest::SplashCaption(*splash), "Glimmo !");
                EXPECT_TRUE(gwtest::SplashCaptionShown(*splash));
                named = true;
                ClickControl(splash);
                clicked = !splash->isVisible();
                QTest::keyClick(splash, Qt::Key_Escape);
            }
    });
    {
        TTestMain form;
        EXPECT_EQ(form.StartupSplash(), nullptr);
    }
    glimmo::Tmain::SplashMilliseconds = old;
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(named);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<artkit::Tsplashscreen*>(w), nullptr);
}

TEST(MainFormStartUp, TheSplashIsAnOvalWindowWithTheProgramsName) {
    artkit::Tsplashscreen splash;
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    const QRect oval = artkit::Tsplashscreen::OvalRect(318, 197);
    EXPECT_EQ(oval, QRect(25, 25, 268, 147));
    if (!splash.Translucent()) {
        EXPECT_TRUE(splash.mask().contains(QPoint(159, 98)));
        EXPECT_FALSE(splash.mask().contains(QPoint(30, 30)));
        EXPECT_FALSE(splash.mask().contains(QPoint(5, 98)));
    }
}

TEST(MainFormStartUp, HelpShowsItsMessageAndWindowCaptionsCarryNoProgramTitle) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    app->SetTitle("Glimmo!");
    TTestMain form;
    TMessageRecorder messages;
    form.Help2->Click();
    ASSERT_EQ(messages.Boxes.size(), 1u);
    EXPECT_EQ(messages.Boxes[0].Text, "Help file not complete in this beta!!");
    EXPECT_EQ(messages.Boxes[0].Caption, "Glimmo!");
    EXPECT_NE(QGuiApplication::applicationDisplayName().toStdString(), "Glimmo!");
    EXPECT_EQ(form.windowTitle().toStdString(), "Glimmo !");
}

}  // namespace

namespace {

QLabel* LabelNamed(QWidget& form, const char* text) {
    for (QLabel* l : form.findChildren<QLabel*>())
        if (l->text() == QLatin1String(text)) return l;
    return nullptr;
}

// The gap between a label's text and the control right of it.
int GapAfter(QLabel* label, QWidget* control) {
    const QPoint labelRight = label->mapTo(label->window(), QPoint(label->width(), 0));
    const QPoint controlLeft = control->mapTo(control->window(), QPoint(0, 0));
    return controlLeft.x() - labelRight.x();
}

TEST(MainFormLayout, CaptionLabelsKeepAGapToTheirSwatchesAndFields) {
    TTestMain form;
    form.show();
    form.Font1Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const std::pair<const char*, QWidget*> pairs[] = {{"Text Color:", form.Shape6},
                                                      {"Outline Color:", form.Shape8},
                                                      {"X", form.RxSpinEdit1},
                                                      {"Y", form.RxSpinEdit2}};
    for (const auto& [text, control] : pairs) {
        SCOPED_TRACE(text);
        QLabel* label = LabelNamed(form, text);
        ASSERT_NE(label, nullptr);
        EXPECT_GE(GapAfter(label, control), 4);
    }
}

TEST(MainFormLayout, CycledLeavesThePaletteGridWhereItIs) {
    TTestMain form(true);
    Tgradmaker& editor = *form.Editor();
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    const QPoint first = editor.SpinEdit(1)->pos(), strip = editor.Image1->pos();
    editor.checkbox1->SetChecked(true);
    QApplication::processEvents();
    EXPECT_FALSE(editor.SpinEdit(13)->isVisible());
    EXPECT_EQ(editor.SpinEdit(1)->pos(), first);
    EXPECT_EQ(editor.Image1->pos(), strip);
    editor.hide();
}

}  // namespace
