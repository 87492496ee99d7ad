// The picture open and save dialogs driven as a user would: filter entries,
// preselection and completion of the extension, the type-change rule in the
// running dialog, and the preview's timing, correctness and clean-up.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "image/PGDisplayCopy.h"
#include "image/forms/PGDialogs.h"
#include "platform/MessageBox.h"
#include "platform/Paint.h"
#include "support/TestFiles.h"

namespace {

class PGDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitPixelGraphicLibrary();
        SetDisplayBitsPerPixel(24);
    }
    static void TearDownTestSuite() { SetDisplayBitsPerPixel(0); }
    void SetUp() override {
        Dir = gwtest::TempDir("pgdialogs");
        FOldHandler = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            Boxes.push_back(r.Text);
            return int(mrOk);
        });
    }
    void TearDown() override { SetMessageBoxHandler(FOldHandler); }

    std::string Dir;
    std::vector<std::string> Boxes;

private:
    TMessageBoxHandler FOldHandler;
};

// A picture of the given size whose colours depend on seed everywhere.
std::string WritePicture(const std::string& path, int w, int h, int seed) {
    TPixelGraphic g;
    g.SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g.SetPixel(x, y, RGB(seed * 37 + x, seed * 91 + y, (seed * 53 + x * y) & 0xFF));
    g.SaveToFile(path);
    return path;
}

// The same preview the dialog makes for a file.
std::unique_ptr<TPixelGraphic> ExpectedPreview(const std::string& file, QWidget* panel) {
    TCreateOpenSaveDialogPaintPGThread worker(false);
    TPreviewSettings s;
    s.FileName = file;
    s.Target = TSize(panel->width() - 4, panel->height() - 4);
    s.ScreenBits = 24;
    worker.Setup(nullptr, 0, s);
    return worker.Build();
}

// The bands of consecutive rows in which shot differs from blank, as
// (first row, last row).
std::vector<std::pair<int, int>> InkBands(const QImage& shot, const QImage& blank) {
    std::vector<std::pair<int, int>> bands;
    bool inBand = false;
    for (int y = 0; y < shot.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < shot.width() && !ink; ++x) ink = shot.pixel(x, y) != blank.pixel(x, y);
        if (ink && !inBand) bands.emplace_back(y, y);
        if (ink) bands.back().second = y;
        inBand = ink;
    }
    return bands;
}

bool SamePicture(const TPixelGraphic& a, const TPixelGraphic& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitCount() != b.GetBitCount())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        if (memcmp(a.GetScanLine(y), b.GetScanLine(y), size_t(a.GetRowSize())) != 0) return false;
    return true;
}

// Runs the dialog with script acting inside it; the script closes it (a
// dialog still open afterwards is cancelled).
bool RunDialog(TPGOpenDialog& d, const std::function<void(QFileDialog&)>& script) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QFileDialog* fd = d.GetDialogWindow();
        ran = fd != nullptr;
        if (!fd) return;
        script(*fd);
        if (d.GetDialogWindow() && fd->isVisible()) fd->reject();
    });
    const bool result = d.Execute(nullptr);
    EXPECT_TRUE(ran);
    return result;
}

// The file list on view (details or list).
QAbstractItemView* FileView(QFileDialog& fd) {
    for (QAbstractItemView* v : fd.findChildren<QAbstractItemView*>())
        if (v->isVisible() && qobject_cast<QFileSystemModel*>(v->model())) return v;
    return nullptr;
}

QModelIndex WaitListed(QFileDialog& fd, const std::string& path) {
    QAbstractItemView* view = FileView(fd);
    if (!view) return {};
    auto* model = static_cast<QFileSystemModel*>(view->model());
    for (int i = 0; i < 1000; ++i) {
        const QModelIndex index = model->index(QString::fromStdString(path));
        if (index.isValid() && index.parent() == view->rootIndex()) {
            view->scrollTo(index);
            if (view->visualRect(index).isValid()) return index;
        }
        QTest::qWait(10);
    }
    return {};
}

void ClickFile(QFileDialog& fd, const std::string& path, Qt::KeyboardModifiers mods = {}) {
    QAbstractItemView* view = FileView(fd);
    const QModelIndex index = WaitListed(fd, path);
    ASSERT_TRUE(index.isValid()) << path;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, view->visualRect(index).center());
}

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QTest::qWait(2);
    }
    return true;
}

QComboBox* TypeCombo(QFileDialog& fd) { return fd.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")); }
QLineEdit* NameEdit(QFileDialog& fd) { return fd.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

// Chooses a file type with the keyboard, as a user steps through the list.
void ChooseType(QFileDialog& fd, int index) {
    QComboBox* combo = TypeCombo(fd);
    ASSERT_TRUE(combo);
    while (combo->currentIndex() != index)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
}

void TypeName(QFileDialog& fd, const std::string& text) {
    QLineEdit* edit = NameEdit(fd);
    ASSERT_TRUE(edit);
    // Typing happens in the focused box of the active dialog.
    fd.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&fd, 1000));
    edit->setFocus(Qt::OtherFocusReason);
    edit->clear();
    QTest::keyClicks(edit, QString::fromStdString(text));
}

std::string NameText(QFileDialog& fd) { return NameEdit(fd) ? NameEdit(fd)->text().toStdString() : "(none)"; }

}  // namespace

TEST_F(PGDialogTest, DefaultsAndOptions) {
    TPGOpenDialog open;
    TPGSaveDialog save;
    for (TPGOpenDialog* d : {static_cast<TPGOpenDialog*>(&open), static_cast<TPGOpenDialog*>(&save)}) {
        EXPECT_EQ(d->GetOptions(), ofHideReadOnly | ofShareAware);
        EXPECT_EQ(d->GetStretchMode(), smPrecise);
        EXPECT_TRUE(d->GetUseDefaultFilter());
        EXPECT_EQ(d->GetProgressClockBkColor(), clBtnFace);
        EXPECT_EQ(d->GetProgressClockLineColor(), clBtnShadow);
        EXPECT_TRUE(d->GetProgressClockVisible());
        EXPECT_EQ(d->GetPalette8BitSys24BitGraphic(), pOptimized252Sys16);
        EXPECT_EQ(d->GetPalette8BitSys8BitGraphic(), pOptimized252Sys16);
        EXPECT_TRUE(d->GetShowInfo());
        EXPECT_FALSE(d->GetInfoValid());
        EXPECT_EQ(d->GetFilterIndex(), 1);
        EXPECT_EQ(d->GetDialogWindow(), nullptr);
    }
    EXPECT_FALSE(open.IsSaveDialog());
    EXPECT_TRUE(save.IsSaveDialog());
    EXPECT_EQ(open.GetFilter(), BuildOpenFilter());
    EXPECT_EQ(save.GetFilter(), BuildSaveFilter());
    EXPECT_EQ(open.GetFormatList().size(), FileFormatReaders().size());
    EXPECT_EQ(save.GetFormatList().size(), FileFormatWriters().size());

    save.SetOptions(ofOverwritePrompt | ofShareAware);
    EXPECT_TRUE(Boxes.empty());
    open.SetOptions(ofFileMustExist);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0], "TPGOpenDialog.Options and TPGSaveDialog.Options must include ofShareAware!");
    EXPECT_EQ(open.GetOptions(), ofFileMustExist | ofShareAware);
}

TEST_F(PGDialogTest, FilterEntriesOnAndOff) {
    TPGOpenDialog open;
    EXPECT_EQ(open.GetFilterCount(), 14);
    EXPECT_EQ(open.GetFilterExtension(0), "");
    EXPECT_EQ(open.GetFilterExtension(1), "");  // "Image files"
    EXPECT_EQ(open.GetFilterExtension(2), "bmp");
    EXPECT_EQ(open.GetFilterExtension(6), "jpg");
    EXPECT_EQ(open.GetFilterExtension(15), "tiff");
    EXPECT_EQ(open.GetFilterExtension(16), "");  // "All files"

    TPGSaveDialog save;
    EXPECT_EQ(save.GetFilterCount(), 10);
    EXPECT_EQ(save.GetFilterExtension(0), "");
    EXPECT_EQ(save.GetFilterExtension(1), "bmp");
    EXPECT_EQ(save.GetFilterExtension(3), "jpg");
    EXPECT_EQ(save.GetFilterExtension(9), "tif");
    EXPECT_EQ(save.GetFilterExtension(10), "tiff");
    EXPECT_EQ(save.GetFilterExtension(11), "");

    // Off: the registry is not consulted; names take the entry's own pattern.
    save.SetUseDefaultFilter(false);
    save.SetFilter("BMP - Bitmap|*.bmp|JPG - JPEG (JFIF compliant)|*.jpg|All files|*.*");
    EXPECT_EQ(save.GetFilterCount(), 0);
    EXPECT_EQ(save.GetFilterExtension(1), "");
    EXPECT_EQ(save.GetEntryExtension(1), "bmp");
    EXPECT_EQ(save.GetEntryExtension(2), "jpg");
    EXPECT_EQ(save.GetEntryExtension(3), "");
    open.SetUseDefaultFilter(false);
    EXPECT_EQ(open.GetFilterCount(), 0);
    EXPECT_EQ(open.GetFilterExtension(2), "");
}

TEST_F(PGDialogTest, SavePreselectsTheTypeAndCompletesTheName) {
    TPGSaveDialog save;
    save.SetFileName(Dir + "/a.PNG");
    std::string shown;
    EXPECT_FALSE(RunDialog(save, [&](QFileDialog& fd) {
        shown = fd.selectedNameFilter().toStdString();
        EXPECT_EQ(NameText(fd), "a.PNG");
        fd.reject();
    }));
    EXPECT_EQ(shown, "PNG - Portable Network Graphics (*.png)");
    EXPECT_EQ(save.GetFilterIndex(), 6);

    // "a" typed, TIF chosen afterwards: OK gives a.tif.
    save.SetFileName(Dir + "/a");
    EXPECT_TRUE(RunDialog(save, [&](QFileDialog& fd) {
        TypeName(fd, "a");
        ChooseType(fd, 8);
        QTest::keyClick(NameEdit(fd), Qt::Key_Return);
    }));
    EXPECT_EQ(save.GetFileName(), Dir + "/a.tif");
    EXPECT_EQ(save.GetFilterIndex(), 9);

    // TIF chosen first, "b" typed afterwards.
    EXPECT_TRUE(RunDialog(save, [&](QFileDialog& fd) {
        EXPECT_EQ(fd.selectedNameFilter().toStdString(), "TIF - Tagged Image File Format (*.tif)");
        ChooseType(fd, 0);
        ChooseType(fd, 8);
        TypeName(fd, "b");
        QTest::keyClick(NameEdit(fd), Qt::Key_Return);
    }));
    EXPECT_EQ(save.GetFileName(), Dir + "/b.tif");
}

TEST_F(PGDialogTest, TypeChangeRewritesTheNameBox) {
    QDir(QString::fromStdString(Dir)).mkdir("sub");
    TPGSaveDialog save;
    save.SetFileName(Dir + "/picture.bmp");
    std::vector<std::string> seen;
    RunDialog(save, [&](QFileDialog& fd) {
        ChooseType(fd, 2);  // JPG
        seen.push_back(NameText(fd));
        TypeName(fd, "picture");
        ChooseType(fd, 5);  // PNG
        seen.push_back(NameText(fd));
        TypeName(fd, Dir + "/picture.bmp");
        ChooseType(fd, 7);  // TGA
        seen.push_back(NameText(fd));
        TypeName(fd, Dir + "/sub/picture");
        ChooseType(fd, 0);  // BMP
        seen.push_back(NameText(fd));
        TypeName(fd, "sub");
        ChooseType(fd, 2);
        seen.push_back(NameText(fd));
        fd.reject();
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"picture.jpg", "picture.png", "picture.tga", Dir + "/sub/picture.bmp", "sub"}));

    // The export dialog's own filter: extensions come from its patterns.
    TPGSaveDialog exportDialog;
    exportDialog.SetUseDefaultFilter(false);
    exportDialog.SetFilter("BMP - Bitmap|*.bmp|JPG - JPEG (JFIF compliant)|*.jpg|All files|*.*");
    exportDialog.SetFileName(Dir + "/picture.bmp");
    seen.clear();
    EXPECT_TRUE(RunDialog(exportDialog, [&](QFileDialog& fd) {
        EXPECT_EQ(fd.selectedNameFilter().toStdString(), "BMP - Bitmap (*.bmp)");
        ChooseType(fd, 1);
        seen.push_back(NameText(fd));
        TypeName(fd, "picture");
        ChooseType(fd, 0);
        seen.push_back(NameText(fd));
        ChooseType(fd, 1);
        ChooseType(fd, 2);
        seen.push_back(NameText(fd));
        TypeName(fd, "plain");
        QTest::keyClick(NameEdit(fd), Qt::Key_Return);
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"picture.jpg", "picture.bmp", "picture.jpg"}));
    EXPECT_EQ(exportDialog.GetFileName(), Dir + "/plain");  // "All files" puts nothing
    EXPECT_EQ(exportDialog.GetFilterIndex(), 3);

    // A typed name without extension takes the chosen entry's.
    exportDialog.SetFileName(Dir + "/x.jpg");
    EXPECT_TRUE(RunDialog(exportDialog, [&](QFileDialog& fd) {
        EXPECT_EQ(fd.selectedNameFilter().toStdString(), "JPG - JPEG (JFIF compliant) (*.jpg)");
        TypeName(fd, "button");
        QTest::keyClick(NameEdit(fd), Qt::Key_Return);
    }));
    EXPECT_EQ(exportDialog.GetFileName(), Dir + "/button.jpg");
}

TEST_F(PGDialogTest, PreviewAppearsAfterRestBesideTheList) {
    // Quadrants red, lime / blue, yellow: small enough to be shown 1:1.
    TPixelGraphic quad;
    quad.SetSize(30, 20, 3);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            quad.SetPixelColor(x, y, y < 10 ? (x < 15 ? clRed : clLime) : (x < 15 ? clBlue : clYellow));
    quad.SaveToFile(Dir + "/quad.bmp");
    gwtest::WriteFile(Dir + "/notes.png", "no picture");

    TPGOpenDialog open;
    open.SetInitialDir(Dir);
    RunDialog(open, [&](QFileDialog& fd) {
        QWidget* panel = open.GetPreviewPanel();
        QWidget* info = open.GetInfoPanel();
        QAbstractItemView* view = FileView(fd);
        ASSERT_TRUE(panel && info && view);
        // Beside the file list, whole inside the dialog.
        const QRect list(view->mapTo(&fd, QPoint(0, 0)), view->size());
        const QRect p(panel->mapTo(&fd, QPoint(0, 0)), panel->size());
        const QRect i(info->mapTo(&fd, QPoint(0, 0)), info->size());
        EXPECT_GE(p.left(), list.right()) << p.left() << " " << list.right();
        EXPECT_GT(i.top(), p.bottom());
        EXPECT_TRUE(fd.rect().contains(p) && fd.rect().contains(i));
        // Centred across, a third of the free height down.
        const QRect screen = fd.screen()->geometry();
        EXPECT_EQ(fd.frameGeometry().left(), (screen.width() - fd.frameGeometry().width()) / 2);
        EXPECT_EQ(fd.frameGeometry().top(), (screen.height() - fd.frameGeometry().height()) / 3);

        // Nothing selected yet: the information panel is blank.
        const QImage blank = info->grab().toImage();
        ClickFile(fd, Dir + "/quad.bmp");
        QElapsedTimer rest;
        rest.start();
        ASSERT_TRUE(WaitFor([&] { return open.GetInfoValid(); }));
        EXPECT_GE(rest.elapsed(), 150);
        ASSERT_TRUE(WaitFor([&] { return open.GetPreview() != nullptr; }));
        EXPECT_EQ(open.GetPreviewFileName(), Dir + "/quad.bmp");
        EXPECT_EQ(PictureInfoLines(open.GetInfo()),
                  (std::vector<std::string>{"Bitmap", "Windows, RGB", "30x20x16.7M 24 bit"}));

        // Shown 1:1 in the middle of a sunken frame.
        const QImage shot = panel->grab().toImage();
        const int x = (panel->width() - 30) / 2, y = (panel->height() - 20) / 2;
        EXPECT_EQ(QColor(shot.pixel(x, y)), QColor(Qt::red));
        EXPECT_EQ(QColor(shot.pixel(x + 29, y + 19)), QColor(Qt::yellow));
        EXPECT_EQ(QColor(shot.pixel(x + 29, y)), QColor(Qt::green));
        EXPECT_EQ(QColor(shot.pixel(x - 1, y)), ToQColor(clBtnFace));
        EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(Qt::black));
        EXPECT_EQ(QColor(shot.pixel(panel->width() - 1, panel->height() - 1)), QColor(Qt::white));
        // The three lines of information drawn, each from the top of its
        // third of the panel.
        const auto bands = InkBands(info->grab().toImage(), blank);
        ASSERT_EQ(bands.size(), 3u) << "information drawn";
        const int h = info->height();
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(bands[k].first, k * h / 3) << k;
            EXPECT_LT(bands[k].second, (k + 1) * h / 3) << k;
        }

        // A file of no known content: both panels blank.
        ClickFile(fd, Dir + "/notes.png");
        EXPECT_EQ(open.GetPreview(), nullptr);
        QTest::qWait(300);
        EXPECT_FALSE(open.GetInfoValid());
        EXPECT_EQ(open.GetPreview(), nullptr);
        EXPECT_TRUE(InkBands(info->grab().toImage(), blank).empty());
        fd.reject();
    });
    EXPECT_EQ(open.GetPreview(), nullptr);
    EXPECT_EQ(open.GetPreviewPanel(), nullptr);
}

TEST_F(PGDialogTest, SteppingThroughAFolderNeverShowsAnotherFilesPicture) {
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%02d.bmp", i);
        files.push_back(WritePicture(Dir + name, 300, 200, i));
    }
    TPGOpenDialog open;
    open.SetInitialDir(Dir);
    int paints = 0, wrong = 0, early = 0;
    RunDialog(open, [&](QFileDialog& fd) {
        QWidget* panel = open.GetPreviewPanel();
        std::map<std::string, std::unique_ptr<TPixelGraphic>> own;
        for (const std::string& f : files) own[f] = ExpectedPreview(f, panel);
        // Every paint of the panel is checked against the selected file's
        // own preview.
        struct TWatch : QObject {
            std::function<void()> Check;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) Check();
                return false;
            }
        } watch;
        watch.Check = [&] {
            ++paints;
            const TPixelGraphic* shown = open.GetPreview();
            if (!shown) return;
            const std::string shownFor =
                FileView(fd)->currentIndex().data(QFileSystemModel::FilePathRole).toString().toStdString();
            if (open.GetPreviewFileName() != shownFor || !SamePicture(*shown, *own[shownFor])) ++wrong;
        };
        panel->installEventFilter(&watch);

        ClickFile(fd, files[0]);
        QAbstractItemView* view = FileView(fd);
        auto current = [&] {
            return view->currentIndex().data(QFileSystemModel::FilePathRole).toString().toStdString();
        };
        for (int i = 1; i < 25 && current() != files[19]; ++i) {
            QTest::qWait(10);
            QTest::keyClick(view, Qt::Key_Down);
            panel->repaint();
            if (open.GetInfoValid() || open.GetPreview()) ++early;
        }
        EXPECT_EQ(current(), files[19]);
        ASSERT_TRUE(WaitFor([&] { return open.GetPreview() != nullptr; }));
        panel->repaint();
        EXPECT_EQ(open.GetPreviewFileName(), files[19]);
        EXPECT_TRUE(SamePicture(*open.GetPreview(), *own[files[19]]));

        // And back, resting on a few files long enough to see them.
        for (int i = 0; i < 8 && current() != files[15]; ++i) {
            QTest::keyClick(view, Qt::Key_Up);
            QTest::qWait(i % 2 ? 5 : 200);
            panel->repaint();
        }
        ASSERT_TRUE(WaitFor([&] { return open.GetPreview() != nullptr; }));
        panel->repaint();
        EXPECT_EQ(open.GetPreviewFileName(), files[15]);
        panel->removeEventFilter(&watch);
        fd.reject();
    });
    EXPECT_GT(paints, 20);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(early, 0) << "a preview started while the selection moved every 10 ms";
}

TEST_F(PGDialogTest, MultipleSelectionPreviewsTheFileSelectedLast) {
    const std::string a = WritePicture(Dir + "/a.bmp", 40, 30, 1);
    const std::string b = WritePicture(Dir + "/b.bmp", 40, 30, 2);
    const std::string c = WritePicture(Dir + "/c.bmp", 40, 30, 3);
    TPGOpenDialog open;
    open.SetInitialDir(Dir);
    open.SetOptions(open.GetOptions() | ofAllowMultiSelect);
    EXPECT_TRUE(RunDialog(open, [&](QFileDialog& fd) {
        ClickFile(fd, a);
        ClickFile(fd, c, Qt::ControlModifier);
        ASSERT_TRUE(WaitFor([&] { return open.GetPreview() != nullptr; }));
        EXPECT_EQ(open.GetPreviewFileName(), c);
        EXPECT_TRUE(SamePicture(*open.GetPreview(), *ExpectedPreview(c, open.GetPreviewPanel())));
        ClickFile(fd, b, Qt::ControlModifier);
        ASSERT_TRUE(WaitFor([&] { return open.GetPreview() != nullptr && open.GetPreviewFileName() == b; }));
        QMetaObject::invokeMethod(&fd, "accept");
    }));
    std::vector<std::string> chosen = open.GetFiles();
    std::sort(chosen.begin(), chosen.end());
    EXPECT_EQ(chosen, (std::vector<std::string>{a, b, c}));
}

TEST_F(PGDialogTest, ClosingWhileAPreviewIsOnItsWayLeavesNothing) {
    const std::string big = WritePicture(Dir + "/big.bmp", 1600, 1200, 5);
    TPGOpenDialog open;
    open.SetInitialDir(Dir);
    for (int run = 0; run < 3; ++run) {
        RunDialog(open, [&](QFileDialog& fd) {
            ClickFile(fd, big);
            ASSERT_TRUE(WaitFor([&] { return open.GetInfoValid(); }));
            QTest::qWait(run * 20);
            fd.reject();
        });
        EXPECT_EQ(open.GetPreview(), nullptr);
        QTest::qWait(100);  // anything still posted arrives now and is dropped
        EXPECT_EQ(open.GetPreview(), nullptr);
        EXPECT_FALSE(open.GetInfoValid());
    }
    // A dialog object freed with results still queued for it: they are
    // freed with it, pictures and all, and reach nothing.
    struct TWatchedGraphic : TPixelGraphic {
        bool* Freed;
        explicit TWatchedGraphic(bool* freed) : Freed(freed) {}
        ~TWatchedGraphic() override { *Freed = true; }
    };
    struct TDeliveries : QObject {
        int Count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == TPaintResultEvent::EventType || e->type() == TPaintProgressEvent::EventType) ++Count;
            return false;
        }
    } deliveries;
    auto* gone = new TPGOpenDialog;
    gone->SetInitialDir(Dir);
    RunDialog(*gone, [&](QFileDialog& fd) {
        ClickFile(fd, big);
        ASSERT_TRUE(WaitFor([&] { return gone->GetInfoValid(); }));
        // The worker goes on posting while nothing is taken from the queue.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        fd.reject();
    });
    bool freed = false;
    auto watched = std::make_unique<TWatchedGraphic>(&freed);
    watched->SetSize(8, 8, 3);
    QCoreApplication::postEvent(gone, new TPaintResultEvent(0, std::move(watched)));
    QCoreApplication::instance()->installEventFilter(&deliveries);
    delete gone;
    EXPECT_TRUE(freed) << "a queued result outlived its dialog";
    QTest::qWait(50);
    QCoreApplication::instance()->removeEventFilter(&deliveries);
    EXPECT_EQ(deliveries.Count, 0) << "results of a freed dialog were delivered";
    // The next run starts empty.
    RunDialog(open, [&](QFileDialog& fd) {
        QTest::qWait(200);
        EXPECT_EQ(open.GetPreview(), nullptr);
        EXPECT_FALSE(open.GetInfoValid());
        fd.reject();
    });
}
