#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "glimmo/BatchRender.h"
#include "glimmo/forms/batwizard.h"
#include "image/PGFormats.h"
#include "platform/MessageBox.h"
#include "support/TestFiles.h"

namespace {

using glimmo::Tbatwizard;
using glimmo::Tprogressform;

// Collects the message boxes instead of showing them.
struct TMessages {
    QStringList Texts;
    TMessageBoxHandler Old;
    std::function<void()> OnMessage;
    TMessages() {
        Old = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            Texts << QString::fromStdString(r.Text);
            if (OnMessage) OnMessage();
            return int(mrOk);
        });
    }
    ~TMessages() { SetMessageBoxHandler(Old); }
};

QString Temp(const char* name) { return QString::fromStdString(gwtest::TempDir(name)); }

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); }

bool SelectFolder(Tbatwizard& w, const QString& folder) {
    w.dirtree1->SetDirectory(folder);
    return QTest::qWaitFor([&] { return w.Directory() == folder + "/"; }, 20000);
}

// Acts on the wizard as soon as it runs modally; a wizard still open after
// the action is cancelled, so that no test can hang on it.
void OnWizard(const std::function<void(Tbatwizard&)>& action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* w = qobject_cast<Tbatwizard*>(QApplication::activeModalWidget());
        if (!w) return;
        timer->stop();
        timer->deleteLater();
        action(*w);
        if (w->isVisible()) w->reject();
    });
    timer->start();
}

// Fills the wizard and presses OK.
void FillAndOk(Tbatwizard& w, const QString& captions, int format, const QString& folder, const QString& base) {
    w.Memo2->setPlainText(captions);
    w.Formats[format]->setChecked(true);
    ASSERT_TRUE(SelectFolder(w, folder));
    w.Edit971->setText(base);
    Click(w.BitBtn2);
}

Tprogressform* ProgressForm() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<Tprogressform*>(w)) return p;
    return nullptr;
}

TEST(BatchWizard, PagesTextsAndStartValues) {
    Tbatwizard w;
    EXPECT_EQ(w.windowTitle(), "Batch Rendering Wizard");
    EXPECT_EQ(w.Notebook1->GetPages(), QStringList({"Introduction", "Enter Captions", "Choose File Format",
                                                    "Choose Output Directoy", "Finish"}));
    EXPECT_EQ(w.Notebook1->GetPageIndex(), 0);
    EXPECT_EQ(w.KV_Button1->GetCaption(), "Previous Page");
    EXPECT_EQ(w.KV_Button2->GetCaption(), "Next Page");
    EXPECT_EQ(w.SpeedButton3->GetCaption(), "Cancel");
    EXPECT_EQ(w.BitBtn2->text(), "OK");
    EXPECT_EQ(w.RadioGroup1->title(), "Available Formats:");
    QStringList items;
    for (QRadioButton* r : w.Formats) items << r->text();
    EXPECT_EQ(items, QStringList({"BMP - Bitmap", "JPG - JPEG (JFIF compliant)", "PNG - Portable Network Graphics",
                                  "TIF - Tagged Image File Format"}));
    EXPECT_EQ(w.FormatIndex(), 1);
    EXPECT_EQ(w.Extension(), ".jpg");
    EXPECT_EQ(w.BaseName(), "basename");
    EXPECT_TRUE(w.Label12->wordWrap());
    QStringList texts;
    for (QLabel* l : w.findChildren<QLabel*>()) texts << l->text();
    for (const char* t :
         {"Step 1: Enter desired captions", "multiple line captions are only supported when rendering single buttons",
          "Step 2: Choose desired output format", "Step 3: Choose desired output directory",
          "Step 4: We're nearly finished!"})
        EXPECT_TRUE(texts.contains(t)) << t;

    // The buttons step through the pages.
    w.show();
    EXPECT_FALSE(w.KV_Button1->isEnabled());
    for (int page = 1; page < 5; ++page) {
        Click(w.KV_Button2);
        EXPECT_EQ(w.Notebook1->GetPageIndex(), page);
    }
    EXPECT_FALSE(w.KV_Button2->isEnabled());
    EXPECT_TRUE(w.KV_Button1->isEnabled());
    EXPECT_EQ(w.focusWidget(), w.Edit971);
    EXPECT_EQ(w.Edit971->selectedText(), "basename");  // ready to be typed over
    Click(w.KV_Button1);
    EXPECT_EQ(w.Notebook1->GetActivePage(), "Choose Output Directoy");
}

// Runs before any other wizard of this test program is confirmed: the first
// wizard of a run has no last folder.
TEST(BatchWizard, StartsInThePicturesFolderThenWhereTheLastBatchWent) {
    const QString dir = Temp("wizardfolder");
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty());
    ASSERT_TRUE(QDir().mkpath(config));
    ASSERT_TRUE(QDir().mkpath(dir + "/Pictures of mine"));
    ASSERT_TRUE(QDir().mkpath(dir + "/Mixed Case"));
    QFile dirs(config + "/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dirs.write(("XDG_PICTURES_DIR=\"" + dir + "/Pictures of mine\"\n").toUtf8());
    dirs.close();

    TMessages messages;
    {
        Tbatwizard w;
        w.show();
        const QString pictures = dir + "/Pictures of mine/";
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.dirtree1->GetDirectory() == pictures; }, 20000));
        EXPECT_EQ(w.Label10->text(), pictures);
        ASSERT_TRUE(SelectFolder(w, dir + "/Mixed Case"));
        EXPECT_EQ(w.Label10->text(), dir + "/Mixed Case/");
        w.Memo2->setPlainText("home");
        Click(w.BitBtn2);
        ASSERT_EQ(w.result(), QDialog::Accepted) << messages.Texts.join("|").toStdString();
    }
    Tbatwizard next;
    next.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return next.dirtree1->GetDirectory() == dir + "/Mixed Case/"; }, 20000));
    EXPECT_EQ(next.Label10->text(), dir + "/Mixed Case/");
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST(BatchWizard, OkRefusesWhatIsMissingInOrder) {
    TMessages messages;
    Tbatwizard w;
    w.show();
    const QString dir = Temp("wizardok");
    w.Edit971->setText("");
    Click(w.BitBtn2);  // no base name and no captions: the base name first
    w.Edit971->setText("   ");
    w.Memo2->setPlainText("home\nnews\n");
    Click(w.BitBtn2);  // spaces are no base name either
    w.Edit971->setText("b");
    w.Memo2->setPlainText("");
    Click(w.BitBtn2);
    w.Memo2->setPlainText("home\nnews\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.dirtree1->Idle(); }, 20000));
    w.dirtree1->setCurrentItem(nullptr);
    Click(w.BitBtn2);  // no folder
    ASSERT_TRUE(QDir().mkpath(dir + "/gone"));
    ASSERT_TRUE(SelectFolder(w, dir + "/gone"));
    ASSERT_TRUE(QDir(dir + "/gone").removeRecursively());
    Click(w.BitBtn2);  // the folder went meanwhile
    ASSERT_TRUE(SelectFolder(w, "/proc"));
    Click(w.BitBtn2);  // a folder nobody may create files in, even the superuser
    ASSERT_TRUE(SelectFolder(w, dir));
    w.Memo2->setPlainText("home\n" + QString(300, 'x'));
    Click(w.BitBtn2);  // a name too long
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    ASSERT_EQ(messages.Texts.size(), 7);
    EXPECT_EQ(messages.Texts[0], "You need to enter a base name!");
    EXPECT_EQ(messages.Texts[1], "You need to enter a base name!");
    EXPECT_EQ(messages.Texts[2], "You need to enter captions!");
    EXPECT_EQ(messages.Texts[3], "You need to choose an existing output directory!");
    EXPECT_EQ(messages.Texts[4], "You need to choose an existing output directory!");
    EXPECT_EQ(messages.Texts[5], "Cannot create files in \"/proc/\"!");
    EXPECT_TRUE(messages.Texts[6].startsWith("Line 2 ")) << messages.Texts[6].toStdString();

    w.Memo2->setPlainText("home\n\nnews");
    Click(w.BitBtn2);
    EXPECT_EQ(messages.Texts.size(), 7);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.Captions(), QStringList({"home", "", "news"}));
    EXPECT_EQ(w.Directory(), dir + "/");
}

TEST(BatchWizard, CancelClosesTheWizard) {
    Tbatwizard w;
    w.show();
    Click(w.SpeedButton3);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST(ProgressForm, ClosingOrEscapeAsksTheBatchToStop) {
    Tprogressform p;
    p.show();
    EXPECT_FALSE(p.Cancelled());
    p.close();
    EXPECT_TRUE(p.Cancelled());
    EXPECT_TRUE(p.isVisible());  // the batch closes it when it stops
    Tprogressform q;
    q.show();
    QTest::keyClick(&q, Qt::Key_Escape);
    EXPECT_TRUE(q.Cancelled());
    EXPECT_TRUE(q.isVisible());
}

// ---- the command --------------------------------------------------------------------

class BatchCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        Design.Width = 48;
        Design.Height = 20;
        Design.BevelStyle = bvsSolid;
        Preview.SetSize(Design.Width, Design.Height, 3);
        Main.resize(200, 100);
        Command = new QPushButton("command", &Main);
        Command->resize(100, 30);
        QObject::connect(Command, &QPushButton::clicked, [this] { ++CommandsRun; });
        Main.show();
    }
    void Run() { glimmo::BatchRender(&Main, Renderer, Design, Preview); }
    // A click on the main window's command as the window system delivers
    // it: a window blocked by a modal one does not get it.
    void ClickCommand() {
        QTest::mouseClick(Main.windowHandle(), Qt::LeftButton, Qt::NoModifier, Command->mapTo(&Main, QPoint(5, 5)));
    }
    // The main window takes input again.
    void ExpectUsable() {
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(ProgressForm(), nullptr);
        const int before = CommandsRun;
        ClickCommand();
        EXPECT_EQ(CommandsRun, before + 1);
    }

    TMessages Messages;
    TButtonRenderer Renderer;
    TButtonDesign Design;
    TPixelGraphic Preview;
    QWidget Main;
    QPushButton* Command = nullptr;
    int CommandsRun = 0;
};

TEST_F(BatchCommand, CancellingTheWizardRendersNothing) {
    OnWizard([](Tbatwizard& w) { Click(w.SpeedButton3); });
    Run();
    EXPECT_EQ(Messages.Texts, QStringList({"Batch Rendering cancelled!"}));
    ExpectUsable();
}

TEST_F(BatchCommand, ThreeCaptionsInEveryFormat) {
    for (int format = 0; format < 4; ++format) {
        const QString dir = Temp("batchcommand");
        Messages.Texts.clear();
        bool progressSeen = false;
        Messages.OnMessage = [&] { progressSeen = progressSeen || ProgressForm(); };
        OnWizard([&](Tbatwizard& w) { FillAndOk(w, "home\nnews\n", format, dir, "marble"); });
        Run();
        ASSERT_EQ(Messages.Texts.size(), 1);
        EXPECT_TRUE(Messages.Texts[0].startsWith("Finished!\n\nTotal Rendering Time: \n")) << format;
        EXPECT_TRUE(Messages.Texts[0].endsWith(" seconds"));
        EXPECT_FALSE(progressSeen);  // closed before the message
        const QString ext = BatchExtension(format);
        for (const char* caption : {"home", "news"}) {
            TPixelGraphic back;
            back.LoadFromFile((dir + "/marble" + caption + ext).toStdString());
            EXPECT_EQ(back.GetWidth(), 48);
            EXPECT_EQ(back.GetHeight(), 20);
        }
        EXPECT_EQ(gwtest::ListDir(dir.toStdString()).size(), 2u);  // no file for the final line break
    }
    ExpectUsable();
}

TEST_F(BatchCommand, TheProgressFormBlocksTheMainWindowAndCancelStopsAfterTheFile) {
    const QString dir = Temp("batchcancelgui");
    OnWizard([&](Tbatwizard& w) { FillAndOk(w, "one\ntwo\nthree\nfour", 2, dir, "c"); });
    int clicksDuringBatch = -1;
    bool modal = false;
    QString title;
    QSize size;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        Tprogressform* p = ProgressForm();
        if (!p || !p->isVisible() || p->ProgressBar1->value() != 0) return;
        poll.stop();
        modal = QApplication::activeModalWidget() == p && p->windowModality() == Qt::ApplicationModal;
        title = p->windowTitle();
        size = p->size();
        EXPECT_EQ(p->ProgressBar1->maximum(), 3);
        const int before = CommandsRun;
        ClickCommand();  // the main window takes no commands meanwhile
        clicksDuringBatch = CommandsRun - before;
        Click(p->CancelBtn);
    });
    poll.start();
    Run();
    EXPECT_TRUE(modal);
    EXPECT_EQ(title, "Rendering...");
    EXPECT_EQ(size, QSize(226, 41));
    EXPECT_EQ(clicksDuringBatch, 0);
    EXPECT_EQ(gwtest::ListDir(dir.toStdString()), std::vector<std::string>({"cone.png"}));
    EXPECT_EQ(Messages.Texts, QStringList({"Batch Rendering cancelled!"}));
    ExpectUsable();
}

// What the user entered is still in the wizard.
void ExpectEntered(Tbatwizard& w, const QString& captions, int format, const QString& folder, const QString& base) {
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.Memo2->toPlainText(), captions);
    EXPECT_EQ(w.FormatIndex(), format);
    EXPECT_EQ(w.Directory(), folder + "/");
    EXPECT_EQ(w.BaseName(), base);
}

TEST_F(BatchCommand, AnUnwritableFolderIsRefusedWithTheWizardKeepingWhatWasEntered) {
    // A folder nobody may create files in, even the superuser.
    const QString dir = "/proc";
    const QString good = Temp("batchretry");
    bool progressSeen = false;
    Messages.OnMessage = [&] { progressSeen = progressSeen || ProgressForm(); };
    OnWizard([&](Tbatwizard& w) {
        FillAndOk(w, "a\nb", 2, dir, "x");
        ASSERT_EQ(Messages.Texts, QStringList({"Cannot create files in \"/proc/\"!"}));
        ExpectEntered(w, "a\nb", 2, dir, "x");
        // Another folder, and the batch runs without anything typed again.
        ASSERT_TRUE(SelectFolder(w, good));
        Click(w.BitBtn2);
    });
    Run();
    ASSERT_EQ(Messages.Texts.size(), 2);
    EXPECT_TRUE(Messages.Texts[1].startsWith("Finished!")) << Messages.Texts[1].toStdString();
    EXPECT_FALSE(progressSeen);
    std::vector<std::string> files = gwtest::ListDir(good.toStdString());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, std::vector<std::string>({"xa.png", "xb.png"}));
    ExpectUsable();
}

TEST_F(BatchCommand, AFailedWriteNamesTheFileAndBringsTheWizardBack) {
    const QString dir = Temp("batchfailgui");
    ASSERT_TRUE(QDir().mkpath(dir + "/fb.bmp"));  // a folder where the second file should go
    bool cameBack = false;
    OnWizard([&](Tbatwizard& w) {
        FillAndOk(w, "a\nb\nc", 0, dir, "f");
        OnWizard([&](Tbatwizard& again) {
            cameBack = true;
            EXPECT_EQ(&again, &w);
            EXPECT_EQ(Messages.Texts.size(), 1);
            ExpectEntered(again, "a\nb\nc", 0, dir, "f");
            Click(again.SpeedButton3);
        });
    });
    Run();
    EXPECT_TRUE(cameBack);
    ASSERT_EQ(Messages.Texts.size(), 2);
    EXPECT_TRUE(Messages.Texts[0].contains(dir + "/fb.bmp")) << Messages.Texts[0].toStdString();
    EXPECT_EQ(Messages.Texts[1], "Batch Rendering cancelled!");
    std::vector<std::string> files = gwtest::ListDir(dir.toStdString());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, std::vector<std::string>({"fa.bmp", "fb.bmp"}));
    ExpectUsable();
}

}  // namespace
