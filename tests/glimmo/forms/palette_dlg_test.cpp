// The palette editor of both programs driven through its controls, with a
// stand-in main form that records what the editor asks of it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <set>
#include <sstream>

#include "artkit/PaletteText.h"
#include "artkit/UserGradients.h"
#include "artkit/forms/palette_dlg.h"
#include "glimmo/forms/main_form_support.h"
#include "image/PGImage.h"
#include "platform/Cursors.h"
#include "platform/Exception.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"
#include "platform/Random.h"
#include "tests/support/TempSettings.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_dlgs.h"

namespace {

// Records the calls; the tables and texts the editor handed over.
struct TStandInHost : TPaletteHost {
    std::vector<std::string> Calls;
    TColourTable Table[2]{};
    std::string Text[2];
    std::function<void()> OnRender;

    void PaletteChanged(int target, const TColourTable& table, const std::string& text) override {
        Calls.push_back("changed " + std::to_string(target));
        Table[target] = table;
        Text[target] = text;
    }
    void DrawPaletteStrip(int target) override { Calls.push_back("strip " + std::to_string(target)); }
    void RenderPalette(int target) override {
        Calls.push_back("render " + std::to_string(target));
        if (OnRender) OnRender();
    }
    int Count(const std::string& call) const { return static_cast<int>(std::count(Calls.begin(), Calls.end(), call)); }
};

// The fifteen numbers of a palette text as the editor must show them: each
// field clamped to 1..256, missing fields 1.
std::vector<int> Expected(const std::string& text) {
    std::vector<int> v;
    std::stringstream in(text);
    std::string field;
    while (std::getline(in, field, ';') && v.size() < 15) v.push_back(std::clamp(std::stoi(field), 1, 256));
    v.resize(15, 1);
    return v;
}

std::vector<int> Values(const Tgradmaker& editor) {
    std::vector<int> v;
    for (int n = 1; n <= 15; ++n) v.push_back(editor.Component(n));
    return v;
}

uint32_t Rgb(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// The item reached through captions (without "&") from the menu's top level.
TMenuItem* MenuPath(Tgradmaker& editor, std::initializer_list<const char*> path) {
    TMenuItem* item = editor.PopupMenu1->GetItems();
    for (const char* caption : path) {
        item = item->Find(QString::fromUtf8(caption));
        if (!item) return nullptr;
    }
    return item;
}

// Answers the next name prompt with name (OK) once it shows.
void AnswerNamePrompt(const QString& name) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, name] {
        auto* form = qobject_cast<Tinputdlgform*>(QApplication::activeModalWidget());
        if (!form) return;
        timer->stop();
        timer->deleteLater();
        form->Edit1->setText(name);
        form->BitBtn1->click();
    });
    timer->start();
}

class PaletteEditorTest : public TempSettingsTest {
protected:
    void SetUp() override {
        TempSettingsTest::SetUp();
        OldHandler = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            Messages.push_back(r.Text);
            return int(mrOk);
        });
    }
    void TearDown() override { SetMessageBoxHandler(OldHandler); }
    bool SettingsFolderEmpty() const {
        return QDir(Dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty();
    }

    TMessageBoxHandler OldHandler;
    std::vector<std::string> Messages;
    TStandInHost Host;
};

const char* const kDefaultWritten = "1;1;1;128;128;128;256;256;256;128;128;128;1;1;1;";

struct TPresetCase {
    std::vector<const char*> Path;
    const char* Text;
};

const std::vector<TPresetCase> kButtonPresets = {
    {{"Default", "Greyscale", "Grey AB wash"}, "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"},
    {{"Default", "Greyscale", "Grey ABA wash"}, "0;0;0;128;128;128;256;256;256;128;128;128;0;0;0"},
    {{"Default", "Standard"}, "1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;"},
    {{"Default", "Metallic", "Chrome"}, "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;"},
    {{"Default", "Metallic", "Bronze"}, "1;32;1;70;50;32;150;120;80;255;200;120;1;1;1;"},
    {{"Default", "Metallic", "Silver"}, "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;"},
    {{"Default", "Metallic", "Gold"}, "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;"},
    {{"Default", "Misc.", "Alien Skin"}, "1;10;20;201;164;163;255;200;200;1;10;10;1;1;1;"},
    {{"Default", "Misc.", "Rainbow in the Dark"}, "1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;"},
    {{"Default", "Misc.", "70ties"}, "1;255;1;255;1;255;1;255;1;255;1;1;1;255;255;"},
};

const std::vector<TPresetCase> kTilePresets = {
    {{"Natural", "Dirt"}, "128;128;128;128;110;70;1;40;1;1;40;1;128;110;70;"},
    {{"Natural", "Grey Brown Mud"}, "20;20;20;40;40;40;70;70;70;80;40;20;100;60;20;"},
    {{"Misc.", "Violet 2 White"}, "128;1;128;128;64;128;128;128;128;128;128;128;255;255;255;"},
    {{"Natural", "Buff"}, "150;150;140;170;170;120;190;190;150;220;220;180;220;220;200;"},
    {{"Natural", "Oak"}, "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;"},
    {{"Misc.", "Orange 2 Green"}, "150;255;150;160;200;150;180;180;150;200;160;75;255;150;1;"},
    {{"Natural", "Thunderstorm"}, "50;1;255;100;50;200;100;100;150;100;100;100;50;50;70;"},
    {{"Natural", "Dark && Muddy"}, "1;1;1;74;68;57;92;82;68;111;97;79;125;108;87;"},
    // The presets both programs share, in the tile generator's menu.
    {{"Greyscale", "Grey AB wash"}, "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"},
    {{"Metallic", "Gold"}, "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;"},
    {{"Misc.", "70ties"}, "1;255;1;255;1;255;1;255;1;255;1;1;1;255;255;"},
};

}  // namespace

// ---- components, cycling, reset, randomize ---------------------------------------

TEST_F(PaletteEditorTest, CycledHidesStopFiveAndClosesTheTable) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.SetTarget(Tgradmaker::tgPlasma);
    editor.show();
    editor.ParseGradientText("10;20;30;40;50;60;70;80;90;100;110;120;130;140;150;");
    EXPECT_NE(Host.Table[0][256], Host.Table[0][0]);
    editor.checkbox1->SetChecked(true);
    for (int n = 13; n <= 15; ++n) EXPECT_FALSE(editor.SpinEdit(n)->isVisible()) << n;
    for (int n = 1; n <= 12; ++n) EXPECT_TRUE(editor.SpinEdit(n)->isVisible()) << n;
    EXPECT_EQ(Host.Table[0][256], Host.Table[0][0]);
    EXPECT_EQ(Host.Table[0][0], RGB(9, 19, 29));
    EXPECT_EQ(editor.GetGradientText(), "10;20;30;40;50;60;70;80;90;100;110;120;10;20;30;");
    // Stop 1 changed later still closes the cycle.
    editor.SpinEdit(2)->SetValue(200);
    EXPECT_EQ(editor.Component(14), 200);
    EXPECT_EQ(Host.Table[0][256], Host.Table[0][0]);

    editor.checkbox1->SetChecked(false);
    for (int n = 13; n <= 15; ++n) EXPECT_TRUE(editor.SpinEdit(n)->isVisible()) << n;
}

TEST_F(PaletteEditorTest, ResetGivesFifteenOnes) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.SetTarget(Tgradmaker::tgPlasma);
    editor.ParseGradientText("9;8;7;6;5;4;3;2;1;9;8;7;6;5;4");
    editor.show();
    QTest::mouseClick(editor.RxSpeedButton3, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(Values(editor), std::vector<int>(15, 1));
    EXPECT_EQ(editor.GetGradientText(), "1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;");
    for (uint32_t c : Host.Table[0]) EXPECT_EQ(c, 0u);
}

TEST_F(PaletteEditorTest, RandomizeWritesOnlyOneTo256) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.RandomGenerator().SetSeed(7);
    std::set<int> seen;
    for (int run = 0; run < 1000; ++run) {
        editor.Randomize();
        for (int v : Values(editor)) {
            ASSERT_GE(v, 1);
            ASSERT_LE(v, 256);
            seen.insert(v);
        }
        const std::string text = editor.GetGradientText();
        ASSERT_EQ(text.rfind("0;", 0), std::string::npos) << text;
        ASSERT_EQ(text.find(";0;"), std::string::npos) << text;
    }
    EXPECT_TRUE(seen.count(1) && seen.count(256));
    EXPECT_GT(seen.size(), 250u);
    // One expansion per run, not one per component (creation left the
    // gradient palette as the target, after one expansion of it).
    EXPECT_EQ(Host.Count("changed 1"), 1 + 1000);
}

TEST_F(PaletteEditorTest, RandomizeIsNotResetByALayerRender) {
    Host.OnRender = [] { SetRandSeed(12345); };  // as a layer render reseeds the process generator
    Tgradmaker editor(Host, pevTileGenerator);
    editor.Randomize();
    const std::string first = editor.GetGradientText();
    Host.RenderPalette(0);
    editor.Randomize();
    EXPECT_NE(editor.GetGradientText(), first);
}

// ---- texts -------------------------------------------------------------------------------

TEST_F(PaletteEditorTest, TextsRoundTrip) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.ParseGradientText("default");
    EXPECT_EQ(editor.GetGradientText(), kDefaultWritten);
    for (const char* text :
         {"1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;", "5;6", "0;300;-4;17;1;1;1;1;1;1;1;1;1;1;99"}) {
        editor.ParseGradientText(text);
        const std::string written = editor.GetGradientText();
        std::string expected;
        for (int v : Expected(text)) expected += std::to_string(v) + ";";
        EXPECT_EQ(written, expected) << text;
        editor.ParseGradientText(written);
        EXPECT_EQ(editor.GetGradientText(), written);
    }
    // Only the exact word stands for the default.
    EXPECT_THROW(editor.ParseGradientText("Default"), EConvertError);
}

TEST_F(PaletteEditorTest, ABadTextChangesNothing) {
    Tgradmaker editor(Host, pevTileGenerator);
    editor.ParseGradientText("2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;");
    const auto before = Values(editor);
    const auto calls = Host.Calls.size();
    const TColourTable table = Host.Table[0];
    EXPECT_THROW(editor.ParseGradientText("100;100;100;100;x;1"), EConvertError);
    EXPECT_EQ(Values(editor), before);
    EXPECT_EQ(Host.Calls.size(), calls);
    EXPECT_EQ(Host.Table[0], table);
}

TEST_F(PaletteEditorTest, EveryPresetGivesItsValues) {
    {
        Tgradmaker editor(Host, pevButtonDesigner);
        for (const auto& c : kButtonPresets) {
            TMenuItem* item = nullptr;
            switch (c.Path.size()) {
                case 2: item = MenuPath(editor, {c.Path[0], c.Path[1]}); break;
                case 3: item = MenuPath(editor, {c.Path[0], c.Path[1], c.Path[2]}); break;
            }
            ASSERT_NE(item, nullptr) << c.Path.back();
            editor.Reset();
            item->Action()->trigger();
            EXPECT_EQ(Values(editor), Expected(c.Text)) << c.Path.back();
            EXPECT_EQ(Host.Table[editor.GetTarget()], PaletteTextToTable(c.Text)) << c.Path.back();
        }
    }
    Tgradmaker editor(Host, pevTileGenerator);
    for (const auto& c : kTilePresets) {
        TMenuItem* item = MenuPath(editor, {c.Path[0], c.Path[1]});
        ASSERT_NE(item, nullptr) << c.Path.back();
        editor.Reset();
        item->Action()->trigger();
        EXPECT_EQ(Values(editor), Expected(c.Text)) << c.Path.back();
    }
}

// ---- the strip and the buttons ---------------------------------------------------------------

TEST_F(PaletteEditorTest, ASpinEditChangeRepaintsTheStrip) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.SetTarget(Tgradmaker::tgGradient);
    editor.show();
    Host.Calls.clear();
    editor.SpinEdit(4)->setFocus();
    editor.SpinEdit(4)->selectAll();
    QTest::keyClicks(editor.SpinEdit(4), "201");
    editor.SpinEdit(5)->SetValue(11);
    editor.SpinEdit(6)->SetValue(51);
    EXPECT_EQ(Host.Count("changed 1"), 3 + 2);  // typed "2", "20", "201", then two values
    EXPECT_EQ(Host.Count("changed 0"), 0);
    const QImage strip = editor.Image1->pixmap().toImage();
    EXPECT_EQ(Rgb(strip.pixelColor(64, 0)), RGB(200, 10, 50));
    EXPECT_EQ(Rgb(strip.pixelColor(64, 19)), RGB(200, 10, 50));
    EXPECT_EQ(Host.Table[1][64], RGB(200, 10, 50));
    EXPECT_EQ(Host.Text[1], "1;1;1;201;11;51;256;256;256;128;128;128;1;1;1;");
    // Column 32 lies halfway between stop 1 (black) and stop 2.
    EXPECT_EQ(Rgb(strip.pixelColor(32, 5)), RGB(100, 5, 25));
}

TEST_F(PaletteEditorTest, PresetsButtonOnlyOpensItsMenu) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.ParseGradientText("3;4;5;6;7;8;9;10;11;12;13;14;15;16;17");
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    const auto before = Values(editor);
    const auto calls = Host.Calls.size();
    QTest::mouseClick(editor.RxSpeedButton2, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(editor.PopupMenu1->GetWidget()->isVisible());
    editor.PopupMenu1->GetWidget()->close();
    QApplication::processEvents();
    EXPECT_EQ(Values(editor), before);
    EXPECT_EQ(Host.Calls.size(), calls);
}

TEST_F(PaletteEditorTest, ClosingAlwaysGivesOneAndTheMainFormRendersOnce) {
    gwtest::TTestMain form(true);
    form.RealDialogs = true;
    Tgradmaker& editor = *form.Editor();
    form.KV_Button7Click();  // plasma fill: a palette change shows in the button
    int value = 100;
    const std::function<void(Tgradmaker&)> closers[] = {
        [](Tgradmaker& e) { QTest::keyClick(&e, Qt::Key_Escape); },
        // Into a stop field, where the key goes when one has the focus.
        [](Tgradmaker& e) { QTest::keyClick(e.SpinEdit(1), Qt::Key_Escape); },
        [](Tgradmaker& e) { e.close(); },
        [](Tgradmaker& e) { e.reject(); },
    };
    for (const auto& closeIt : closers) {
        SCOPED_TRACE(value);
        const uint64_t renders = form.Renders();
        bool shown = false;
        QTimer::singleShot(50, [&] {
            shown = QApplication::activeModalWidget() == &editor;
            editor.SpinEdit(1)->SetValue(value);
            closeIt(editor);
        });
        gwtest::ClickControl(form.KV_Button8);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(editor.isVisible());
        // The editor's text is the design's, the strip shows it and the
        // button was rendered once with it.
        EXPECT_EQ(form.Renderer().Design.PlasmaPaletteText.substr(0, 4), std::to_string(value) + ";");
        const TColourTable table = PaletteTextToTable(form.Renderer().Design.PlasmaPaletteText);
        EXPECT_EQ(form.PGImage4->GetPixelGraphic()->GetPixelColor(0, 5), table[0]);
        EXPECT_EQ(form.Renders(), renders + 1);
        value += 50;
    }
}

TEST_F(PaletteEditorTest, AnEmptiedFieldShowsTheValueInForceWhenLeft) {
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.SetTarget(Tgradmaker::tgGradient);
    editor.show();
    QApplication::setActiveWindow(&editor);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    editor.ParseGradientText("10;20;30;40;50;60;70;80;90;100;110;120;130;140;150;");
    TRxSpinEdit* field = editor.SpinEdit(4);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    ASSERT_TRUE(field->text().isEmpty());
    editor.SpinEdit(5)->setFocus();
    EXPECT_EQ(field->text().toStdString(), "40");
    EXPECT_EQ(editor.GetGradientText(), "10;20;30;40;50;60;70;80;90;100;110;120;130;140;150;");
    // Stop 2's red (entry 64) is drawn from 40 again.
    EXPECT_EQ(GetRValue(Host.Table[1][64]), 39);
}

TEST_F(PaletteEditorTest, TheNameBoxPromptsAndSelectsTheLastNameSoTypingReplacesIt) {
    Tgradmaker editor(Host, pevButtonDesigner);
    TMenuItem* save = MenuPath(editor, {"Save current"});
    AnswerNamePrompt("gold");
    save->Action()->trigger();
    std::string prompt, shownText, selected, typed;
    QTimer::singleShot(50, [&] {
        auto* form = qobject_cast<Tinputdlgform*>(QApplication::activeModalWidget());
        if (!form) return;
        if (form->Label1->isVisible()) prompt = form->Label1->text().toStdString();
        shownText = form->Edit1->text().toStdString();
        selected = form->Edit1->selectedText().toStdString();
        // The prompt line sits above the edit, the edit above the buttons.
        EXPECT_LT(form->Label1->geometry().bottom(), form->Edit1->y());
        EXPECT_LT(form->Edit1->geometry().bottom(), form->BitBtn1->y());
        QTest::keyClicks(form->Edit1, "Silver");
        typed = form->Edit1->text().toStdString();
        form->BitBtn1->click();
    });
    save->Action()->trigger();
    EXPECT_EQ(prompt, "Name of the gradient:");
    EXPECT_EQ(shownText, "gold");
    EXPECT_EQ(selected, "gold");
    EXPECT_EQ(typed, "Silver");
    EXPECT_EQ(editor.LastSavedName(), "Silver");
}

// ---- creation and the host --------------------------------------------------------------------

TEST_F(PaletteEditorTest, ButtonDesignerCreationOrder) {
    WriteUserGradient("mine", "5;5;5;");
    Tgradmaker editor(Host, pevButtonDesigner);
    const std::vector<std::string> expected = {"changed 0", "strip 0", "render 0", "changed 1", "strip 1", "render 1"};
    EXPECT_EQ(Host.Calls, expected);
    EXPECT_EQ(Host.Text[0], kDefaultWritten);
    EXPECT_EQ(Host.Text[1], kDefaultWritten);
    EXPECT_EQ(Host.Table[0][128], RGB(255, 255, 255));
    ASSERT_EQ(editor.UserDefinedItem()->Count(), 1);
    EXPECT_EQ(editor.UserDefinedItem()->GetItem(0)->GetCaption(), "mine");
}

TEST_F(PaletteEditorTest, TileGeneratorCreationRendersOnceAndPresetsRenderAtOnce) {
    Tgradmaker editor(Host, pevTileGenerator);
    const std::vector<std::string> expected = {"changed 0", "strip 0", "render 0"};
    EXPECT_EQ(Host.Calls, expected);
    EXPECT_EQ(GetScreenCursor(), crDefault);

    // A spin edit change alone touches the table, not the layer.
    Host.Calls.clear();
    editor.SpinEdit(1)->SetValue(77);
    EXPECT_EQ(Host.Calls, std::vector<std::string>{"changed 0"});

    // The menu works while the editor is hidden, as the main form pops it up.
    ASSERT_FALSE(editor.isVisible());
    Host.Calls.clear();
    MenuPath(editor, {"Natural", "Oak"})->Action()->trigger();
    EXPECT_EQ(Host.Table[0], PaletteTextToTable("50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;"));
    EXPECT_EQ(Host.Count("render 0"), 1);
    EXPECT_EQ(Host.Count("strip 0"), 1);
    EXPECT_EQ(editor.GetGradientText(), "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;");
    EXPECT_EQ(GetScreenCursor(), crDefault);
}

TEST_F(PaletteEditorTest, AFailingFirstRenderRestoresTheCursor) {
    Host.OnRender = [] { throw EConvertError("render failed"); };
    EXPECT_THROW(Tgradmaker(Host, pevTileGenerator), EConvertError);
    EXPECT_EQ(GetScreenCursor(), crDefault);
}

TEST_F(PaletteEditorTest, TileGeneratorMenuShowsOnlyItsVisibleItems) {
    Tgradmaker editor(Host, pevTileGenerator);
    editor.PopupMenu1->Popup(100, 100);
    QMenu* menu = editor.PopupMenu1->GetWidget();
    ASSERT_TRUE(menu->isVisible());
    QStringList shown;
    for (QAction* a : menu->actions())
        if (a->isVisible()) shown << a->text();
    EXPECT_EQ(shown, (QStringList{"Greyscale", "Metallic", "Natural", "Misc."}));
    QStringList misc;
    for (QAction* a : MenuPath(editor, {"Misc."})->DropDown()->actions())
        if (a->isVisible()) misc << a->text();
    EXPECT_EQ(misc, (QStringList{"Alien Skin", "Rainbow in the Dark", "70ties", "Violet 2 White", "Orange 2 Green"}));
    QStringList natural;
    for (QAction* a : MenuPath(editor, {"Natural"})->DropDown()->actions())
        if (a->isVisible()) natural << a->text();
    EXPECT_EQ(natural, (QStringList{"Dirt", "Grey Brown Mud", "Buff", "Oak", "Thunderstorm", "Dark && Muddy"}));
    menu->close();
}

TEST_F(PaletteEditorTest, ButtonDesignerMenuLayout) {
    Tgradmaker editor(Host, pevButtonDesigner);
    QStringList top;
    for (QAction* a : editor.PopupMenu1->GetWidget()->actions())
        top << (a->isSeparator() ? QString("-") : a->text()) + (a->isVisible() ? "" : " (hidden)");
    EXPECT_EQ(top, (QStringList{"Default", "User Defined", "-", "Save current", "Preset Manager (hidden)"}));
    QStringList def;
    for (QAction* a : MenuPath(editor, {"Default"})->DropDown()->actions())
        def << (a->isSeparator() ? QString("-") : a->text()) + (a->isVisible() ? "" : " (hidden)");
    EXPECT_EQ(def, (QStringList{"Greyscale", "Metallic", "Misc.", "-", "Standard", " (hidden)"}));
}

TEST_F(PaletteEditorTest, TileGeneratorTouchesNoSettingsFile) {
    {
        Tgradmaker editor(Host, pevTileGenerator);
        editor.Randomize();
        MenuPath(editor, {"Save current"})->Action()->trigger();
        MenuPath(editor, {"Preset Manager"})->Action()->trigger();
        editor.SaveCurrent();
        editor.RebuildUserGradients();
        EXPECT_EQ(editor.UserDefinedItem()->Count(), 0);
    }
    EXPECT_TRUE(SettingsFolderEmpty());
    EXPECT_TRUE(Messages.empty());
}

// ---- user gradients ------------------------------------------------------------------------------

TEST_F(PaletteEditorTest, UserGradientItemsShowAndLoadTheirOwnName) {
    WriteUserGradient("A&B", "10;10;10;");
    WriteUserGradient("A&&B", "20;20;20;");
    WriteUserGradient("AB", "30;30;30;");
    WriteUserGradient("a/b", "40;40;40;");
    Tgradmaker editor(Host, pevButtonDesigner);
    TMenuItem* user = editor.UserDefinedItem();
    ASSERT_EQ(user->Count(), 4);
    for (int i = 0; i < user->Count(); ++i) {
        TMenuItem* item = user->GetItem(i);
        const std::string name = editor.UserGradientName(item);
        EXPECT_EQ(item->GetCaption().toStdString(), UserGradientCaption(name));
        // Qt shows "&&" as one "&": the menu reads as the name.
        item->Action()->trigger();
        EXPECT_EQ(editor.GetGradientText(), ReadUserGradient(name) + std::string("1;1;1;1;1;1;1;1;1;1;1;1;")) << name;
    }
    EXPECT_EQ(editor.UserGradientName(MenuPath(editor, {"Save current"})), "");
}

TEST_F(PaletteEditorTest, AStoredTextThatDoesNotReadIsReported) {
    WriteUserGradient("broken", "1;2;three;");
    Tgradmaker editor(Host, pevButtonDesigner);
    editor.ParseGradientText("9;9;9;9;9;9;9;9;9;9;9;9;9;9;9");
    editor.UserDefinedItem()->GetItem(0)->Action()->trigger();
    EXPECT_EQ(Values(editor), std::vector<int>(15, 9));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("three"), std::string::npos) << Messages[0];
}

TEST_F(PaletteEditorTest, SaveCurrentReplacesAndRefuses) {
    Tgradmaker editor(Host, pevButtonDesigner);
    TMenuItem* save = MenuPath(editor, {"Save current"});
    editor.ParseGradientText("5;6;7;");
    AnswerNamePrompt("gold");
    save->Action()->trigger();
    editor.ParseGradientText("8;9;10;");
    AnswerNamePrompt("Gold");
    save->Action()->trigger();
    ASSERT_EQ(editor.UserDefinedItem()->Count(), 1);
    EXPECT_EQ(editor.UserDefinedItem()->GetItem(0)->GetCaption(), "Gold");
    EXPECT_EQ(UserGradientNames(), std::vector<std::string>{"Gold"});
    EXPECT_EQ(ReadUserGradient("Gold"), "8;9;10;1;1;1;1;1;1;1;1;1;1;1;1;");
    EXPECT_EQ(editor.LastSavedName(), "Gold");
    EXPECT_TRUE(Messages.empty());

    for (const char* bad : {"", "-", "  "}) {
        AnswerNamePrompt(bad);
        save->Action()->trigger();
    }
    EXPECT_EQ(Messages.size(), 3u);
    EXPECT_EQ(editor.UserDefinedItem()->Count(), 1);
    EXPECT_EQ(UserGradientNames().size(), 1u);

    AnswerNamePrompt("D&D");
    save->Action()->trigger();
    ASSERT_EQ(editor.UserDefinedItem()->Count(), 2);
    EXPECT_EQ(editor.UserDefinedItem()->GetItem(1)->GetCaption(), "D&&D");
    editor.Reset();
    editor.UserDefinedItem()->GetItem(1)->Action()->trigger();
    EXPECT_EQ(editor.GetGradientText(), "8;9;10;1;1;1;1;1;1;1;1;1;1;1;1;");
}

TEST_F(PaletteEditorTest, ASettingsFileThatCannotBeWrittenIsReported) {
    Tgradmaker editor(Host, pevButtonDesigner);
    ASSERT_TRUE(QDir(Dir.path()).mkdir("Glimworks.conf"));  // a folder where the file should go
    AnswerNamePrompt("mine");
    editor.SaveCurrent();
    EXPECT_EQ(Messages.size(), 1u);
    EXPECT_EQ(editor.UserDefinedItem()->Count(), 0);
    EXPECT_EQ(editor.LastSavedName(), "");
}

TEST_F(PaletteEditorTest, PresetManagerRebuildsFromTheSettings) {
    Tgradmaker editor(Host, pevButtonDesigner);
    EXPECT_EQ(editor.UserDefinedItem()->Count(), 0);
    WriteUserGradient("one", "1;");
    WriteUserGradient("two", "2;");
    MenuPath(editor, {"Preset Manager"})->Action()->trigger();
    EXPECT_EQ(editor.UserDefinedItem()->Count(), 2);
    MenuPath(editor, {"Preset Manager"})->Action()->trigger();
    EXPECT_EQ(editor.UserDefinedItem()->Count(), 2);
}
