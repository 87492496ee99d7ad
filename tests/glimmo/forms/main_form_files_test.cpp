// The main form's file commands: parameter files saved and loaded through
// the form, damaged files, the export in every type, the Smart JPEG Saver's
// result and the presets made at build time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <utility>

#include "artkit/Painters.h"
#include "glimmo/ButtonFile.h"
#include "glimmo/forms/batwizard.h"
#include "glimmo/forms/main_form_support.h"
#include "image/PGDialogFilters.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "platform/Menus.h"
#include "platform/Shape.h"
#include "support/PictureUtil.h"
#include "support/TestFiles.h"
#include "widgets/AutoSpinImage.h"
#include "widgets/FontComboBox.h"
#include "widgets/RxSlider.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"

namespace {

using namespace gwtest;

// What a user sees of the settings: every label and the controls' values.
struct TShownState {
    std::vector<std::string> Labels;
    std::vector<int> Values;
    bool operator==(const TShownState& o) const { return Labels == o.Labels && Values == o.Values; }
};

TShownState Shown(TTestMain& f) {
    TShownState s;
    for (QLabel* l : {f.Label3, f.Label4, f.Label8, f.Label1, f.Label2, f.Label10})
        s.Labels.push_back(l->text().toStdString());
    for (TRxSlider* r : {f.RxSlider3, f.RxSlider4, f.RxSlider8, f.RxSlider1, f.RxSlider2, f.RxSlider7, f.RxSlider5,
                         f.RxSlider6, f.RxSlider9, f.RxSlider10})
        s.Values.push_back(r->GetValue());
    for (TShape* c : {f.Shape1, f.Shape2, f.Shape3, f.Shape4, f.Shape5, f.Shape6, f.Shape7, f.Shape8})
        s.Values.push_back(c->GetBrushColor());
    for (TKV_basebutton* b :
         std::initializer_list<TKV_basebutton*>{f.Rectangle1, f.Oval1, f.RoundRect1, f.linear2, f.radial1, f.italic,
                                                f.bold, f.glow1, f.vtop, f.vbottom, f.alignL, f.alignR})
        s.Values.push_back(b->GetDown());
    s.Values.push_back(f.double1->isChecked());
    s.Values.push_back(f.RadioButton8->isChecked());
    s.Values.push_back(static_cast<int>(f.RxSpinEdit1->GetValue()));
    s.Values.push_back(f.SpinImage1->GetItemIndex());
    s.Labels.push_back(f.Memo1->toPlainText().toStdString());
    return s;
}

// Sets a design far from the defaults, the way a user would.
void Design(TTestMain& f) {
    DragSlider(f.RxSlider3, 140);
    DragSlider(f.RxSlider4, 44);
    f.RxSlider8->SetValue(15);
    ClickControl(f.Oval1);
    DragSlider(f.RxSlider1, 6);
    DragSlider(f.RxSlider2, 65);
    DragSlider(f.RxSlider7, 2);
    f.Color = 0x3080C0;
    ClickControl(f.Shape1);
    f.Gradient1->Click();
    f.Color = 0x204060;
    ClickControl(f.Shape3);
    f.Color = clWhite;
    ClickControl(f.Shape7);
    f.RadioButton8->setChecked(true);
    f.double1->setChecked(true);
    f.Memo1->setPlainText("Home\nPage");
    f.RxSlider9->SetValue(14);
    f.RxSlider10->SetValue(90);
    ClickControl(f.bold);
    ClickControl(f.glow1);
    ClickControl(f.vtop);
    ClickControl(f.alignL);
    f.RxSpinEdit1->SetValue(3);
    f.PaletteText = "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;";
    ClickControl(f.KV_Button11);
    ClickControl(f.radial1);
    ClickControl(f.KV_Button33);
    f.RxSlider5->SetValue(150);
    f.Marble1->Click();
    f.KV_GradientButton5Click();
}

class MainFormFiles : public ::testing::Test {
protected:
    void SetUp() override { Dir = TempDir("mainform"); }
    std::string Dir;
};

TEST_F(MainFormFiles, SaveChangeLoadGivesTheSamePreviewAndLabels) {
    TTestMain form(true);
    Design(form);
    TPixelGraphic saved;
    saved.Assign(&form.Renderer().Preview);
    const TShownState before = Shown(form);
    ASSERT_EQ(before.Labels[0], "Width: 140 Pixels");

    form.FileName = Dir + "/design.glw";
    form.SaveParameters1->Click();
    ASSERT_EQ(form.FileDialogs.back(), glimmo::fdSaveParameters);

    // Change nearly everything.
    DragSlider(form.RxSlider3, 80);
    DragSlider(form.RxSlider4, 30);
    ClickControl(form.Rectangle1);
    form.RxSlider8->SetValue(-40);
    DragSlider(form.RxSlider1, 3);
    DragSlider(form.RxSlider2, 100);
    form.Solid1->Click();
    form.RadioButton1->setChecked(true);
    form.double1->setChecked(false);
    form.Memo1->setPlainText("Other");
    ClickControl(form.bold);
    ClickControl(form.vbottom);
    ClickControl(form.alignR);
    form.Wood1->Click();
    ClickControl(form.KV_Button9);
    ASSERT_FALSE(SamePixels(saved, form.Renderer().Preview));
    ASSERT_FALSE(Shown(form) == before);

    TMessageRecorder messages;
    const uint64_t count = form.Renders();
    form.LoadParameters2->Click();
    EXPECT_EQ(form.FileDialogs.back(), glimmo::fdOpenParameters);
    EXPECT_TRUE(messages.Boxes.empty());
    EXPECT_FALSE(form.Loading());
    EXPECT_GE(form.Renders(), count + 1);
    EXPECT_TRUE(SamePixels(saved, form.Renderer().Preview));
    const TShownState after = Shown(form);
    EXPECT_EQ(after.Values, before.Values);
    EXPECT_EQ(after.Labels, before.Labels);
    EXPECT_TRUE(form.Shape2->isVisibleTo(&form));  // gradient bevel style came back
    EXPECT_EQ(form.Renderer().Design.FillMode, fmGradient);

    // Rendering again from the controls gives the same pixels: the controls
    // hold the whole design.
    form.KV_GradientButton5Click();
    EXPECT_TRUE(SamePixels(saved, form.Renderer().Preview));
}

TEST_F(MainFormFiles, AfterALoadEveryLabelShowsItsControlsValue) {
    TTestMain form;
    TButtonParameters p;
    p.Design.Width = 77;
    p.Design.Height = 33;
    p.Design.InnerLuminance = -12;
    p.Design.BevelWidth = 9;
    p.Design.BevelOpacity = 35;
    p.Design.TextOpacity = 20;
    TPixelGraphic thumb;
    MakeFlat(thumb, 10, 10, 0);
    WriteButtonFile(Dir + "/values.glw", p, thumb);
    form.LoadParametersFile(Dir + "/values.glw");
    EXPECT_EQ(form.Label3->text().toStdString(), "Width: 77 Pixels");
    EXPECT_EQ(form.Label4->text().toStdString(), "Height: 33 Pixels");
    EXPECT_EQ(form.Label8->text().toStdString(), "Inner Luminance: -12%");
    EXPECT_EQ(form.Label1->text().toStdString(), "Bevel Width: 9 pixels");
    EXPECT_EQ(form.Label2->text().toStdString(), "Bevel Opacity: 35 %");
    EXPECT_EQ(form.Label10->text().toStdString(), "Total Text Opacity: 20 %");
    EXPECT_EQ(form.Renderer().Preview.GetWidth(), 77);
    EXPECT_EQ(form.RxSlider1->GetMaxValue(), 16);

    // A bevel wider than the button allows comes back at the slider's limit.
    p.Design.Width = 8;
    p.Design.Height = 6;
    WriteButtonFile(Dir + "/tiny.glw", p, thumb);
    form.LoadParametersFile(Dir + "/tiny.glw");
    EXPECT_EQ(form.RxSlider1->GetMaxValue(), 3);
    EXPECT_EQ(form.RxSlider1->GetValue(), 3);
    EXPECT_EQ(form.Renderer().Design.BevelWidth, 3);
    EXPECT_EQ(form.Label1->text().toStdString(), "Bevel Width: 3 pixels");
}

TEST_F(MainFormFiles, ADamagedFileShowsOneMessageAndChangesNothing) {
    TTestMain form;
    Design(form);
    TPixelGraphic before;
    before.Assign(&form.Renderer().Preview);
    const TShownState shown = Shown(form);
    const std::string fontName = form.Renderer().Design.FontName;

    const std::string bad = Dir + "/bad.glw";
    WriteFile(bad, std::string("QDB garbage, not a container at all") + std::string(300, '\x07'));
    // A container whose "settings" stop too early.
    TButtonParameters p;
    TPixelGraphic thumb;
    MakeFlat(thumb, 4, 4, 0);
    const std::string good = Dir + "/good.glw";
    WriteButtonFile(good, p, thumb);
    std::string bytes = ReadFile(good);
    const std::string truncated = Dir + "/truncated.glw";
    WriteFile(truncated, bytes.substr(0, bytes.size() / 2));

    for (const std::string& name : {bad, truncated, Dir + "/missing.glw"}) {
        SCOPED_TRACE(name);
        TMessageRecorder messages;
        form.FileName = name;
        form.LoadParameters2->Click();
        ASSERT_EQ(messages.Boxes.size(), 1u);
        EXPECT_EQ(messages.Boxes[0].Type, mtError);
        EXPECT_FALSE(form.Loading());
        EXPECT_TRUE(SamePixels(before, form.Renderer().Preview));
        EXPECT_TRUE(Shown(form) == shown);
        EXPECT_EQ(form.Renderer().Design.FontName, fontName);
    }
    // The form still renders.
    const uint64_t count = form.Renders();
    ClickControl(form.KV_GradientButton5);
    EXPECT_EQ(form.Renders(), count + 1);
    QTest::keyClick(form.RxSlider1, Qt::Key_Right);
    EXPECT_EQ(form.Renders(), count + 2);
}

TEST_F(MainFormFiles, SaveAndLoadSayWhatIsWrongWithTheFile) {
    TTestMain form;
    const std::string missing = Dir + "/missing.glw";
    const std::string readOnly = Dir + "/kept.glw";
    form.FileName = readOnly;
    form.SaveParameters1->Click();
    const std::string old = ReadFile(readOnly);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] {
             form.FileName = missing;
             form.LoadParameters2->Click();
         },
         "Could not find the file " + missing},
        {[&] {
             form.FileName = readOnly;
             form.SaveParameters1->Click();
         },
         readOnly + " is marked as read-only"},
    };
    for (const auto& [command, text] : cases) {
        TMessageRecorder messages;
        command();
        ASSERT_EQ(messages.Boxes.size(), 1u);
        EXPECT_EQ(messages.Boxes[0].Text, text);
        EXPECT_EQ(messages.Boxes[0].Type, mtError);
    }
    EXPECT_EQ(ReadFile(readOnly), old);
    EXPECT_EQ(ListDir(Dir), std::vector<std::string>{"kept.glw"});
}

TEST_F(MainFormFiles, ALoadedFontNameTheFontBoxDoesNotListIsKept) {
    TTestMain form;
    TButtonParameters p;
    p.Design.FontName = "No Such Font Family 42";
    p.Design.Caption = "Abc";
    TPixelGraphic thumb;
    MakeFlat(thumb, 4, 4, 0);
    WriteButtonFile(Dir + "/font.glw", p, thumb);
    form.LoadParametersFile(Dir + "/font.glw");
    EXPECT_EQ(form.Renderer().Design.FontName, "No Such Font Family 42");
    form.KV_GradientButton5Click();
    EXPECT_EQ(form.Renderer().Design.FontName, "No Such Font Family 42");
    form.SaveParametersFile(Dir + "/again.glw");
    EXPECT_EQ(ReadButtonFile(Dir + "/again.glw", TButtonParameters()).Design.FontName, "No Such Font Family 42");

    // Choosing a listed font replaces it.
    ASSERT_GT(form.FontBox->count(), 0);
    const QString listed = form.FontBox->itemText(form.FontBox->count() - 1);
    form.FontBox->SetFontName(listed);
    EXPECT_EQ(form.Renderer().Design.FontName, listed.toStdString());
}

TEST_F(MainFormFiles, ExportWritesEveryTypeAtTheButtonsSize) {
    TTestMain form;
    form.Memo1->setPlainText("Ok");
    form.KV_GradientButton5Click();
    TMessageRecorder messages;
    const char* const extensions[] = {"bmp", "jpg", "pbm", "pgm", "png", "ppm", "tga", "tif"};
    for (int index = 1; index <= 8; ++index) {
        const std::string ext = extensions[index - 1];
        SCOPED_TRACE(ext);
        EXPECT_EQ(PatternExtension(ParseFilter(glimmo::ExportFilter)[index - 1].Pattern), ext);
        JpegQuality = 30;
        // A name typed without extension takes the chosen type's.
        form.FileName = Dir + "/button" + std::to_string(index);
        form.FilterIndex = index;
        form.Exportsinglebutton1->Click();
        EXPECT_EQ(JpegQuality, 80);
        const std::string file = form.FileName + "." + ext;
        ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(file)));
        TPixelGraphic read;
        read.LoadFromFile(file);
        EXPECT_EQ(read.GetWidth(), 100);
        EXPECT_EQ(read.GetHeight(), 25);
        if (HaveTool("identify")) {
            EXPECT_EQ(gwtest::Run("identify -format '%w %h' '" + file + "' | grep -qx '100 25'"), 0);
        }
    }
    // A typed extension is kept.
    form.FileName = Dir + "/named.png";
    form.FilterIndex = 1;
    form.Exportsinglebutton1->Click();
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Dir + "/named.png")));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Dir + "/named.png.bmp")));
    for (const TMessageBoxRequest& box : messages.Boxes) EXPECT_NE(box.Type, mtError) << box.Text;
    // Cancel writes nothing.
    form.FileOk = false;
    const size_t files = ListDir(Dir).size();
    form.Exportsinglebutton1->Click();
    EXPECT_EQ(ListDir(Dir).size(), files);
}

TEST_F(MainFormFiles, SmartJpegSaverWritesTheSaversBytesAndLeavesQualityThirty) {
    TTestMain form;
    JpegQuality = 80;
    form.FileName = Dir + "/small";
    form.SmartJPEGSaver1->Click();
    EXPECT_EQ(form.SaverWidth, 100);
    EXPECT_EQ(form.SaverHeight, 25);
    EXPECT_EQ(form.FileDialogs.back(), glimmo::fdSaveJpeg);
    EXPECT_EQ(ReadFile(Dir + "/small.jpg"), std::string("\xFF\xD8\xFF\xD9", 4));
    EXPECT_EQ(JpegQuality, 30);

    // Cancelled in the saver: no file dialog, quality still set back.
    JpegQuality = 80;
    form.SaverOk = false;
    const size_t dialogs = form.FileDialogs.size();
    form.SmartJPEGSaver1->Click();
    EXPECT_EQ(form.FileDialogs.size(), dialogs);
    EXPECT_EQ(JpegQuality, 30);
}

TEST_F(MainFormFiles, BitmapOpenAssignAndClear) {
    TTestMain form;
    TPixelGraphic picture;
    MakeFlat(picture, 30, 10, RGB(200, 40, 40));
    picture.SaveToFile(Dir + "/red.bmp");
    form.FileName = Dir + "/red.bmp";
    ClickControl(form.KV_Button10);
    EXPECT_EQ(form.FileDialogs.back(), glimmo::fdOpenBitmap);
    EXPECT_EQ(form.FormState().BitmapFileName, Dir + "/red.bmp");
    EXPECT_EQ(form.PGImage2->GetGraphicWidth(), 30);
    ClickControl(form.KV_Button5);
    EXPECT_EQ(form.Renderer().Design.FillMode, fmBitmap);
    // "Original Size": the bitmap at the top-left, the blank colour beside it.
    EXPECT_EQ(form.Renderer().Preview.GetPixelColor(15, 5), RGB(200, 40, 40));
    EXPECT_EQ(form.Renderer().Preview.GetPixelColor(60, 12), ColorToRGB(clGray));

    // Saved with the bitmap, loaded again into the bitmap picture.
    form.SaveParametersFile(Dir + "/bitmap.glw");
    ClickControl(form.KV_Button4);
    EXPECT_EQ(form.PGImage2->GetPixelGraphic()->GetPixelColor(5, 5), 0u);
    form.LoadParametersFile(Dir + "/bitmap.glw");
    EXPECT_EQ(form.PGImage2->GetPixelGraphic(), form.FormState().BitmapImage.get());
    EXPECT_EQ(form.PGImage2->GetPixelGraphic()->GetPixelColor(5, 5), RGB(200, 40, 40));
    EXPECT_EQ(form.Renderer().Preview.GetPixelColor(15, 5), RGB(200, 40, 40));

    // A file that is no picture: one message, the bitmap stays.
    WriteFile(Dir + "/not.bmp", "BM but nothing else");
    form.FileName = Dir + "/not.bmp";
    TMessageRecorder messages;
    ClickControl(form.KV_Button10);
    EXPECT_EQ(messages.Boxes.size(), 1u);
    EXPECT_EQ(form.PGImage2->GetPixelGraphic()->GetPixelColor(5, 5), RGB(200, 40, 40));
}

TEST_F(MainFormFiles, APictureOpenedButNotAssignedIsNotSavedAsTheFill) {
    TTestMain form;
    TPixelGraphic red, blue;
    MakeFlat(red, 100, 25, RGB(200, 40, 40));
    MakeFlat(blue, 100, 25, RGB(30, 60, 220));
    red.SaveToFile(Dir + "/red.bmp");
    blue.SaveToFile(Dir + "/blue.bmp");
    form.FileName = Dir + "/red.bmp";
    ClickControl(form.KV_Button10);
    ClickControl(form.KV_Button5);
    // Another picture opened, not assigned: the button stays red.
    form.FileName = Dir + "/blue.bmp";
    ClickControl(form.KV_Button10);
    EXPECT_EQ(form.PGImage2->GetPixelGraphic()->GetPixelColor(50, 12), RGB(30, 60, 220));
    TPixelGraphic shown;
    shown.Assign(&form.Renderer().Preview);
    ASSERT_EQ(shown.GetPixelColor(50, 12), RGB(200, 40, 40));

    form.FileName = Dir + "/design.glw";
    form.SaveParameters1->Click();
    ClickControl(form.KV_Button9);  // the blank fill meanwhile
    ASSERT_FALSE(SamePixels(shown, form.Renderer().Preview));
    form.LoadParameters2->Click();
    EXPECT_EQ(form.Renderer().Design.FillMode, fmBitmap);
    EXPECT_TRUE(SamePixels(shown, form.Renderer().Preview));
    // The bitmap page shows the picture the fill is made of.
    EXPECT_EQ(form.PGImage2->GetPixelGraphic()->GetPixelColor(50, 12), RGB(200, 40, 40));
    ClickControl(form.KV_Button5);
    EXPECT_TRUE(SamePixels(shown, form.Renderer().Preview));
    // The file name line stays the dialog's.
    EXPECT_EQ(form.FormState().BitmapFileName, Dir + "/blue.bmp");
}

TEST_F(MainFormFiles, PresetsMadeAtBuildTimeLoadThroughTheBrowser) {
    TTestMain form;
    const std::string folder = form.PresetFolder();
    const QStringList presets = QDir(QString::fromStdString(folder)).entryList({"*.glw"}, QDir::Files);
    ASSERT_GE(presets.size(), 4) << folder;
    TMessageRecorder messages;
    for (const QString& name : presets) {
        SCOPED_TRACE(name.toStdString());
        form.ChosenPreset = folder + name.toStdString();
        form.BrowsePresets1->Click();
        EXPECT_EQ(form.PresetFolderShown, folder);
        const TButtonParameters p = ReadButtonFile(form.ChosenPreset, TButtonParameters());
        EXPECT_EQ(form.Renderer().Preview.GetWidth(), p.Design.Width);
        EXPECT_EQ(form.Renderer().Preview.GetHeight(), p.Design.Height);
        EXPECT_EQ(form.RxSlider3->GetValue(), p.Design.Width);
        EXPECT_EQ(form.Renderer().Design.Shape, p.Design.Shape);
        EXPECT_EQ(form.Renderer().Design.Caption, form.Memo1->toPlainText().toStdString());
    }
    EXPECT_TRUE(messages.Boxes.empty());
    // Closing the browser without a choice loads nothing.
    form.ChosenPreset.clear();
    const uint64_t count = form.Renders();
    form.BrowsePresets1->Click();
    EXPECT_EQ(form.Renders(), count);
}

TEST_F(MainFormFiles, BatchRenderSavesEveryCaptionWithTheFormsDesign) {
    TTestMain form;
    DragSlider(form.RxSlider1, 7);
    ClickControl(form.bold);
    form.Memo1->setPlainText("ignored in a batch");
    TMessageRecorder messages;
    bool filled = false;
    QTimer::singleShot(100, [&] {
        auto* wizard = qobject_cast<glimmo::Tbatwizard*>(QApplication::activeModalWidget());
        if (!wizard) return;
        wizard->Memo2->setPlainText("home\nnews");
        wizard->Formats[2]->setChecked(true);  // PNG
        wizard->Label10->setText(QString::fromStdString(Dir));
        wizard->Edit971->setText("marble");
        filled = true;
        wizard->BitBtn2Click();
    });
    form.BatchRender1->Click();
    ASSERT_TRUE(filled);
    ASSERT_EQ(messages.Boxes.size(), 1u);
    EXPECT_EQ(messages.Boxes[0].Text.rfind("Finished!", 0), 0u) << messages.Boxes[0].Text;
    for (const char* caption : {"home", "news"}) {
        SCOPED_TRACE(caption);
        TPixelGraphic saved;
        saved.LoadFromFile(Dir + "/marble" + caption + ".png");
        // The file is the preview's size, rendered with the controls' design.
        TButtonDesign design = form.Renderer().Design;
        EXPECT_EQ(design.BevelWidth, 7);
        EXPECT_TRUE(design.Bold);
        TPixelGraphic expected;
        expected.SetSize(100, 25, 3);
        form.Renderer().RenderButton(design, expected, caption);
        EXPECT_TRUE(SamePixels(saved, expected));
    }
}

}  // namespace
