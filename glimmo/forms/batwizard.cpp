#include "glimmo/forms/batwizard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "glimmo/BatchRender.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/Streams.h"

namespace glimmo {

namespace {

// A message box captioned with the program's title.
void ShowMessage(const QString& text, TMsgDlgType type = mtInformation) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    ShowMessageBox(text.toStdString(), app ? app->Title() : std::string(), type, mbOK);
}

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

const char* const FormatItems[4] = {"BMP - Bitmap", "JPG - JPEG (JFIF compliant)", "PNG - Portable Network Graphics",
                                    "TIF - Tagged Image File Format"};

// The output folder of the last batch the wizard was confirmed for, for the
// next wizard of this run of the program.
QString& LastBatchFolder() {
    static QString folder;
    return folder;
}

}  // namespace

// ---- Tbatwizard -------------------------------------------------------------------

QWidget* Tbatwizard::StepPage(const QString& name, const QString& heading) {
    QWidget* page = Notebook1->AddPage(name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 12, 12, 8);
    auto* title = new QLabel(heading, page);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    return page;
}

Tbatwizard::Tbatwizard(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("batwizard"));
    setWindowTitle(QStringLiteral("Batch Rendering Wizard"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Notebook1 = new TNotebook(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));

    QWidget* page = StepPage(QStringLiteral("Introduction"), QStringLiteral("Batch Rendering Wizard"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    layout->addWidget(WrappedLabel(
        QStringLiteral("This wizard renders one button for each caption you enter, all with the current design, "
                       "and saves each one to a file.\n\n"
                       "Step 1: Enter the captions, one per line.\n"
                       "Step 2: Choose the file format.\n"
                       "Step 3: Choose the folder the files go to.\n"
                       "Step 4: Enter the base name of the files and start the rendering."),
        page));
    layout->addStretch(1);

    page = StepPage(QStringLiteral("Enter Captions"), QStringLiteral("Step 1: Enter desired captions"));
    layout = static_cast<QVBoxLayout*>(page->layout());
    Memo2 = new QPlainTextEdit(page);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo2, 1);
    layout->addWidget(
        WrappedLabel(QStringLiteral("multiple line captions are only supported when rendering single buttons"), page));

    page = StepPage(QStringLiteral("Choose File Format"), QStringLiteral("Step 2: Choose desired output format"));
    layout = static_cast<QVBoxLayout*>(page->layout());
    RadioGroup1 = new QGroupBox(QStringLiteral("Available Formats:"), page);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* group = new QVBoxLayout(RadioGroup1);
    for (int i = 0; i < 4; ++i) {
        Formats[i] = new QRadioButton(QString::fromLatin1(FormatItems[i]), RadioGroup1);
        group->addWidget(Formats[i]);
    }
    Formats[1]->setChecked(true);
    layout->addWidget(RadioGroup1);
    layout->addStretch(1);

    page =
        StepPage(QStringLiteral("Choose Output Directoy"), QStringLiteral("Step 3: Choose desired output directory"));
    layout = static_cast<QVBoxLayout*>(page->layout());
    Label10 = new QLabel(page);
    Label10->setObjectName(QStringLiteral("Label10"));
    // A long path must not widen the wizard.
    Label10->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label10->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Label10);
    dirtree1 = new Tdirtree(page);
    dirtree1->setObjectName(QStringLiteral("dirtree1"));
    dirtree1->OnChange = [this](QObject* sender) { dirtree1Change(sender); };
    layout->addWidget(dirtree1, 1);

    page = StepPage(QStringLiteral("Finish"), QStringLiteral("Step 4: We're nearly finished!"));
    layout = static_cast<QVBoxLayout*>(page->layout());
    Edit971 = new TEdit97(page);
    Edit971->setObjectName(QStringLiteral("Edit971"));
    Edit971->setText(QStringLiteral("basename"));
    layout->addWidget(Edit971);
    Label12 = WrappedLabel(
        QStringLiteral("Enter the base name of the files, without extension. Each button is saved as the base "
                       "name followed by its caption and the extension of the format: base name \"marble\" and "
                       "caption \"home\" give the file \"marblehome.png\".\n\n"
                       "Press OK to start the rendering."),
        page);
    Label12->setObjectName(QStringLiteral("Label12"));
    layout->addWidget(Label12);
    layout->addStretch(1);
    BitBtn2 = new QPushButton(QStringLiteral("OK"), page);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(BitBtn2);
    layout->addLayout(okRow);

    // The buttons below the pages.
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    SpeedButton3 = new TKV_Button(this);
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton3->SetCaption(QStringLiteral("Cancel"));
    SpeedButton3->OnClick = [this](QObject* sender) { SpeedButton3Click(sender); };
    KV_Button1 = new TKV_Button(this);
    KV_Button1->setObjectName(QStringLiteral("KV_Button1"));
    KV_Button1->SetCaption(QStringLiteral("Previous Page"));
    KV_Button2 = new TKV_Button(this);
    KV_Button2->setObjectName(QStringLiteral("KV_Button2"));
    KV_Button2->SetCaption(QStringLiteral("Next Page"));
    for (TKV_Button* b : {SpeedButton3, KV_Button1, KV_Button2}) b->setFixedSize(100, 25);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 8, 12, 12);
    buttons->setSpacing(6);
    buttons->addWidget(SpeedButton3);
    buttons->addStretch(1);
    buttons->addWidget(KV_Button1);
    buttons->addWidget(KV_Button2);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(Notebook1, 1);
    main->addWidget(line);
    main->addLayout(buttons);
    resize(480, 380);

    PageManager1 = new TPageManager(this);
    PageManager1->setObjectName(QStringLiteral("PageManager1"));
    PageManager1->SetPageOwner(Notebook1);
    PageManager1->SetPriorBtn(KV_Button1);
    PageManager1->SetNextBtn(KV_Button2);
    // The page's control takes the keyboard when its page is shown (an
    // edit with its text selected, ready to be typed over).
    const QHash<QString, QWidget*> focusOf = {{QStringLiteral("Enter Captions"), Memo2},
                                              {QStringLiteral("Choose Output Directoy"), dirtree1},
                                              {QStringLiteral("Finish"), Edit971}};
    for (TPageProxy* proxy : PageManager1->GetPageProxies())
        if (QWidget* focus = focusOf.value(proxy->GetPageName()))
            proxy->OnShow = [focus](QObject*, bool) {
                focus->setFocus(Qt::TabFocusReason);
                if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->selectAll();
            };
    PageManager1->Loaded();
    Edit971->Loaded();

    Label10->setText(dirtree1->GetDirectory());
    dirtree1->SetDirectory(BatchStartFolder(LastBatchFolder()));
}

QStringList Tbatwizard::Captions() const { return BatchCaptionLines(Memo2->toPlainText()); }

int Tbatwizard::FormatIndex() const {
    for (int i = 0; i < 4; ++i)
        if (Formats[i]->isChecked()) return i;
    return -1;
}

QString Tbatwizard::Extension() const { return BatchExtension(FormatIndex()); }

void Tbatwizard::dirtree1Change(QObject*) { Label10->setText(dirtree1->GetDirectory()); }

void Tbatwizard::BitBtn2Click() {
    // Spaces alone would give files named by the caption after invisible
    // characters.
    if (BaseName().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral("You need to enter a base name!"));
        return;
    }
    const QStringList captions = Captions();
    if (captions.isEmpty()) {
        ShowMessage(QStringLiteral("You need to enter captions!"));
        return;
    }
    const QString folder = Directory();
    if (folder == QLatin1String("?") || !FolderExists(QFile::encodeName(folder).toStdString())) {
        ShowMessage(QStringLiteral("You need to choose an existing output directory!"));
        return;
    }
    const TBatchNames names = BuildBatchFileNames(folder, BaseName(), captions, Extension());
    if (!names.Ok()) {
        ShowMessage(names.Error);
        return;
    }
    // Refused here, while the wizard is open, so that nothing typed is lost.
    if (!FolderWritable(folder)) {
        ShowMessage(QStringLiteral("Cannot create files in \"%1\"!").arg(folder), mtError);
        return;
    }
    LastBatchFolder() = folder;
    accept();
}

void Tbatwizard::SpeedButton3Click(QObject*) { reject(); }

// ---- Tprogressform ------------------------------------------------------------------

Tprogressform::Tprogressform(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("progressform"));
    setWindowTitle(QStringLiteral("Rendering..."));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(226, 41);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(8, 10, 134, 21);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(148, 8, 70, 25);
    connect(CancelBtn, &QPushButton::clicked, this, [this] {
        FCancelled = true;
        CancelBtn->setEnabled(false);
    });
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void Tprogressform::closeEvent(QCloseEvent* event) {
    // The batch closes the form when it stops; closing it asks it to stop.
    FCancelled = true;
    event->ignore();
}

void Tprogressform::reject() { FCancelled = true; }

// ---- the command -----------------------------------------------------------------------

void BatchRender(QWidget* mainWindow, TButtonRenderer& renderer, const TButtonDesign& design,
                 const TPixelGraphic& preview) {
    TPixelGraphic work;
    work.Assign(&preview);

    // After a failure the same wizard comes back with everything entered,
    // so the user can change the folder or the names and try again.
    Tbatwizard wizard(mainWindow);
    for (;;) {
        if (wizard.exec() != QDialog::Accepted) {
            ShowMessage(QStringLiteral("Batch Rendering cancelled!"));
            return;
        }
        const QStringList captions = wizard.Captions();
        const QString folder = wizard.Directory();
        const TBatchNames names = BuildBatchFileNames(folder, wizard.BaseName(), captions, wizard.Extension());
        if (!names.Ok()) {
            ShowMessage(names.Error);
            continue;
        }

        QElapsedTimer clock;
        clock.start();
        TBatchResult result;
        {
            auto progress = std::make_unique<Tprogressform>(mainWindow);
            progress->ProgressBar1->setRange(0, std::max<int>(captions.size() - 1, 1));
            progress->show();
            QCoreApplication::processEvents();
            Tprogressform* form = progress.get();
            result = RunBatch(renderer, design, work, captions, names.Paths, [form](int line) {
                form->ProgressBar1->setValue(line);
                QCoreApplication::processEvents();
                return !form->Cancelled();
            });
        }
        if (!result.Error.isEmpty()) {
            ShowMessage(result.Error, mtError);
            continue;
        }
        if (result.Cancelled) ShowMessage(QStringLiteral("Batch Rendering cancelled!"));
        else
            ShowMessage(QStringLiteral("Finished!\n\nTotal Rendering Time: \n") +
                        QString::number(clock.elapsed() * 0.001, 'g', 15) + QStringLiteral(" seconds"));
        return;
    }
}

}  // namespace glimmo
